#!/usr/bin/env bash
# Sets everything up, builds KAL.exe and remakes the README's pictures in docs/ from the graphics examples.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
exec python3 tools/pictures.py --exe build/windows/KAL.exe
