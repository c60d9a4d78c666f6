#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds (default 60), starting
# from its seeds: the scripts of examples/ and tests/cases/ for the targets that read scripts, and the
# checked-in seeds in fuzz/corpus/TARGET for the others. Inputs that once crashed a target live in
# fuzz/regressions/TARGET and are replayed first. New inputs go to build/fuzz/corpus; a crash is saved under
# build/fuzz/artifacts and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/artifacts
for target in compile run numbers database bitmap check lsp debug format pack; do
  exe="build/fuzz/fuzz_${target}"
  if [ -d "fuzz/regressions/${target}" ] && [ -n "$(ls -A "fuzz/regressions/${target}")" ]; then
    "$exe" -rss_limit_mb=2048 fuzz/regressions/"${target}"/* >/dev/null 2>&1 ||
      { echo "fuzz_${target}: a regression input fails again"; exit 1; }
  fi
  mkdir -p "build/fuzz/corpus/${target}"
  case "$target" in
    compile | run | check | format) seeds=(examples tests/cases) ;;
    *) seeds=("fuzz/corpus/${target}") ;;
  esac
  echo "fuzz_${target}: ${seconds} s"
  "$exe" -max_total_time="${seconds}" -rss_limit_mb=2048 -timeout=20 -print_final_stats=0 \
    -artifact_prefix="build/fuzz/artifacts/${target}-" "build/fuzz/corpus/${target}" "${seeds[@]}" \
    2>build/fuzz/"${target}".log || { tail -40 build/fuzz/"${target}".log; exit 1; }
done
echo "fuzzing: no crash"
