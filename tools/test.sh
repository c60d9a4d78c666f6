#!/usr/bin/env bash
# Sets everything up and runs every test: unit tests and cases in-process (also under the sanitizers), then the
# cases against the real KAL.exe under Wine. The last line is CTest's summary of the full run.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/check-format.sh
tools/build.sh

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j2 --timeout 600 --output-on-failure

# Every fuzz target for a short while from its seeds; tools/fuzz.sh SECONDS fuzzes longer.
tools/fuzz.sh 10

ctest --preset native -j2 --output-on-failure
