#!/usr/bin/env bash
# Packages the Visual Studio Code extension with its language servers, kalcheck.exe for Windows and the native
# kalcheck for Linux, and the debug adapter kaldebug.exe, in server/. The extension's script is bundled by
# esbuild, so the package needs no node_modules.
#   editors/vscode-kal/make_vsix.sh OUT.vsix KALCHECK KALCHECK.EXE KALDEBUG.EXE [--windows-only]
# With --windows-only the package is the Windows one (VS Code's target win32-x64) and holds the .exe files
# alone: the Windows download carries that one. KALCHECK is still asked for the version.
set -euo pipefail
out="$(realpath -m "$1")"
native="$(realpath "$2")"
windows="$(realpath "$3")"
debugger="$(realpath "$4")"
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here"
# The packages of package-lock.json, installed again whenever it changed (the tests use them too).
if ! cmp -s package-lock.json node_modules/.installed-lock.json 2>/dev/null; then
  npm ci --no-audit --no-fund --loglevel=error
  cp package-lock.json node_modules/.installed-lock.json
fi
npm run --silent bundle >/dev/null
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cp -r package.json language-configuration.json .vscodeignore syntaxes out "$stage"/
# The extension carries KAL's version, the one the server it packages says.
version="$("$native" --version | cut -d' ' -f2)"
node -e 'const fs = require("fs"); const f = process.argv[1]; const p = JSON.parse(fs.readFileSync(f));
         p.version = process.argv[2]; fs.writeFileSync(f, JSON.stringify(p, null, 2) + "\n");' \
  "$stage/package.json" "$version"
mkdir "$stage/server"
target=()
if [ "${5:-}" = "--windows-only" ]; then
  target=(--target win32-x64)
else
  cp "$native" "$stage/server/kalcheck"
  strip "$stage/server/kalcheck"  # the debug information stays in the build
fi
cp "$windows" "$stage/server/kalcheck.exe"
cp "$debugger" "$stage/server/kaldebug.exe"
# Stripped unless already (a signed program must keep its bytes).
for program in kalcheck.exe kaldebug.exe; do
  if x86_64-w64-mingw32-objdump -h "$stage/server/$program" | grep '\.debug_' >/dev/null; then
    x86_64-w64-mingw32-strip "$stage/server/$program"
  fi
done
(cd "$stage" && "$here/node_modules/.bin/vsce" package --no-dependencies --allow-missing-repository \
  --skip-license "${target[@]}" --out "$out" >/dev/null)
echo "wrote $out"
