#!/usr/bin/env bash
# The page's browser tests. With KAL.exe and kalbd, the drawing examples run under Wine first, so that the
# page's canvas is compared with the pictures KAL.exe saves.
# Usage: run_page_test.sh SITE_DIR CASES_DIR [KAL.exe KALBD]
set -euo pipefail
site=$1 cases=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/kal-page-XXXXXX)
trap 'rm -rf "$work"' EXIT
windows=()
if [ $# -ge 4 ]; then
  python3 "$here/../../tests/e2e/driver.py" --backend wine --exe "$3" --kalbd "$4" --cases "$cases" \
    --only examples/dibujo --only examples/calendario --work "$work/windows"
  windows=("$work/windows")
fi
cd "$here/.."
./install.sh
exec node tests/page_test.mjs "$site" "$cases" "${windows[@]}"
