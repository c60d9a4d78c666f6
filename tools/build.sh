#!/usr/bin/env bash
# Builds KAL.exe (MinGW-w64 cross build) and the native core with its tests.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows
cmake --preset native -DKAL_WINDOWS_EXE="$PWD/build/windows/KAL.exe" >/dev/null
cmake --build --preset native
