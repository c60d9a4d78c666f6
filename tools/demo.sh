#!/usr/bin/env bash
# Sets everything up, builds KAL.exe and runs a script under Wine (examples/saludo.txt unless one is given).
# Every dialog's title and text is printed here and answered with its default button.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
exec python3 tools/run_demo.py --exe build/windows/KAL.exe "${1:-examples/saludo.txt}"
