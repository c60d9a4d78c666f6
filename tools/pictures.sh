#!/usr/bin/env bash
# Sets everything up, builds KAL.exe and KAL for the browser, and remakes the README's pictures in docs/: the
# graphics examples under Wine, and the page in headless Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
python3 tools/pictures.py --exe build/windows/KAL.exe
tools/web.sh --build-only >/dev/null
cd web && exec node tests/screenshots.mjs ../build/web/site ../docs
