#!/usr/bin/env bash
# Builds KAL for the browser (the web preset's WebAssembly module and the page) into build/web/site, a folder of
# static files any web server can host, and serves it on http://localhost:8080/ (PORT=N to change).
# --build-only builds without serving.
set -euo pipefail
cd "$(dirname "$0")/.."
# Debian's emscripten runs its JavaScript tools with the system Node.js, which finds their modules here.
export NODE_PATH=/usr/share/nodejs
cmake --preset web >/dev/null
cmake --build --preset web
web/install.sh
(cd web && node build.mjs ../build/web/site ../build/web)
# The page's "Crear programa" packs the Windows build's KAL.exe, stripped as the download's and stamped with no
# time, as the linker left it, so that every build of the site holds the same bytes. Without that build the
# page says it cannot make programs.
if [ -f build/windows/KAL.exe ]; then
  SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip -o build/web/site/KAL.exe build/windows/KAL.exe
fi
[ "${1:-}" = "--build-only" ] && exit 0
exec node web/tests/serve.mjs build/web/site "${PORT:-8080}"
