#!/usr/bin/env bash
# The page's browser tests. With a folder of the pictures KAL.exe saved under Wine (the driver's --pictures, kept
# by the cases.wine suite), the page's canvas is compared with them.
# Usage: run_page_test.sh SITE_DIR CASES_DIR [PICTURES_DIR]
set -euo pipefail
site=$(realpath "$1") cases=$(realpath "$2")
pictures=()
if [ $# -ge 3 ]; then
  pictures=("$(realpath "$3")")
fi
cd "$(dirname "$0")/.."
./install.sh
exec node tests/page_test.mjs "$site" "$cases" "${pictures[@]}"
