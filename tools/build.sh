#!/usr/bin/env bash
# Builds KAL.exe (MinGW-w64 cross build), the native core with its tests, and the editor extension build/kal.vsix.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows
cmake --preset native -DKAL_WINDOWS_EXE="$PWD/build/windows/KAL.exe" >/dev/null
cmake --build --preset native
# The Visual Studio Code extension, with both language servers.
editors/vscode-kal/make_vsix.sh build/kal.vsix build/native/kalcheck build/windows/kalcheck.exe
