#!/usr/bin/env bash
# Sets everything up, builds KAL.exe and runs a script under Wine (examples/saludo.txt unless one is given).
# Every box and dialog is printed with what it asks and the answer given; answers follow the script in order:
#   tools/demo.sh examples/calculadora.txt --type 12 --type 3 --answer no
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
if [ $# -eq 0 ]; then set -- examples/saludo.txt --type Ana; fi
exec python3 tools/run_demo.py --exe build/windows/KAL.exe "$@"
