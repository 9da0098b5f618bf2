#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers (clang, AddressSanitizer,
# UndefinedBehaviorSanitizer; build-fuzz) and runs each for SECONDS (default
# 20) over its seed corpus in fuzz/corpus/<name>/. Fails on any crash, leak,
# timeout, memory limit or sanitizer report; the input that did it is kept in
# build-fuzz/fuzz-out/<name>/.
#   bash scripts/fuzz.sh [SECONDS] [NAME...]
# JOBS (default: the number of cores) targets run side by side.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
jobs=${JOBS:-$(nproc)}

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DORVIK_FUZZ=ON ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER} >/dev/null
cmake --build build-fuzz -j "$jobs" --target orvik_fuzz_targets

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for d in fuzz/corpus/*/; do names+=("$(basename "$d")"); done
fi
out=build-fuzz/fuzz-out
rm -rf "$out"
mkdir -p "$out"

run_one() {
  local name=$1 seconds=$2 out=$3
  local dir="$out/$name"
  mkdir -p "$dir/corpus"
  # The inputs written as files for the readers: in memory where there is /dev/shm.
  local scratch
  scratch=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp )/orvik-fuzz-$name.XXXXXX")
  # New inputs go to the scratch corpus; the seeds in the repository stay as they are.
  if ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      TMPDIR="$scratch" "build-fuzz/fuzz/fuzz_$name" "$dir/corpus" "fuzz/corpus/$name" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$dir/" -print_final_stats=1 >"$dir/log" 2>&1; then
    rm -rf "$scratch"
    echo "fuzz $name: passed ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$dir/log" | grep -o '[0-9]*$') runs)"
  else
    rm -rf "$scratch"
    echo "fuzz $name: FAILED"
    grep -E 'ERROR|SUMMARY|runtime error|property does not hold|Test unit written' "$dir/log" | head -20
    return 1
  fi
}
export -f run_one
failed=0
printf '%s\n' "${names[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$out" || failed=1
total=${#names[@]}
if [ "$failed" -ne 0 ]; then
  echo "fuzz: failures, see $out/<name>/log"
  exit 1
fi
echo "fuzz: all $total targets passed"
