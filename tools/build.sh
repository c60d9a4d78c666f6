#!/usr/bin/env bash
# Builds KAL.exe (MinGW-w64 cross build), the native core with its tests, the editor extension build/kal.vsix, and
# KAL for the browser (build/web/site).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows
tools/web.sh --build-only
cmake --preset native -DKAL_WINDOWS_EXE="$PWD/build/windows/KAL.exe" -DKAL_WEB_DIR="$PWD/build/web" >/dev/null
cmake --build --preset native
# The Visual Studio Code extension, with both language servers and the debug adapter.
editors/vscode-kal/make_vsix.sh build/kal.vsix build/native/kalcheck build/windows/kalcheck.exe \
  build/windows/kaldebug.exe
