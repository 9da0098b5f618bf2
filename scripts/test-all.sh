#!/usr/bin/env bash
# Installs the dependencies, then builds and runs every test twice:
# an optimised build (with the long CPU exerciser) and a build with
# AddressSanitizer and UndefinedBehaviorSanitizer (without it); last a
# ThreadSanitizer build of the tests that run the timer thread (owner, sound,
# platform, tape and the Qt window tests) with the planted race that the
# suppressions must leave visible; last the fuzz targets of the file readers
# for a short fixed time each (scripts/fuzz.sh runs them longer by hand).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 900
# The Debian package of the optimised build, with lintian, desktop-file-validate and appstreamcli.
bash scripts/package-test.sh build

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVIK_SANITIZE=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE long --timeout 900

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVIK_TSAN=ON
cmake --build build-tsan -j "$jobs" --target orvik_tsan_tests
TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp halt_on_error=0 history_size=4 die_after_fork=0" \
  ctest --test-dir build-tsan --output-on-failure -j "$jobs" --timeout 900 \
  -L '^(test_owner|test_sound|test_platform|test_tape|qt|tsan_selftest)$'
# The planted race must have run: without it a suppression could hide races.
ctest --test-dir build-tsan -N -L '^tsan_selftest$' | grep -q 'Total Tests: 1'

fuzz_start=$(date +%s)
bash scripts/fuzz.sh 20
echo "fuzz stage: $(( $(date +%s) - fuzz_start )) s"
