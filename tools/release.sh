#!/usr/bin/env bash
# Makes dist/: KAL-<version>-windows.zip (the download for Windows: unzip it anywhere and double-click KAL.exe),
# KAL-<version>-web.zip (the browser page for any web server) and SHA256SUMS. The same commit gives the same bytes
# wherever it is built: times come from the commit (SOURCE_DATE_EPOCH). With KAL_SIGN_PKCS12 (a PKCS#12 file) and
# KAL_SIGN_PASSWORD, the programs are signed with osslsigncode first.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
tools/web.sh --build-only >/dev/null
# The editor package asks the native checker for the version.
cmake --preset native >/dev/null
cmake --build --preset native --target kalcheck >/dev/null
rm -rf dist
python3 tools/make_release.py dist
