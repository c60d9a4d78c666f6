#!/usr/bin/env bash
# The page's browser tests. With a folder of the pictures KAL.exe saved under Wine (the driver's --pictures, kept
# by the cases.wine suite), the page's canvas is compared with them.
# Usage: run_page_test.sh SITE_DIR CASES_DIR KALBD [PICTURES_DIR]  (KALBD makes the cases' databases)
set -euo pipefail
site=$(realpath "$1") cases=$(realpath "$2") kalbd=$(realpath "$3")
pictures=()
if [ $# -ge 4 ]; then
  pictures=("$(realpath "$4")")
fi
cd "$(dirname "$0")/.."
./install.sh
exec node tests/page_test.mjs "$site" "$cases" "$kalbd" "${pictures[@]}"
