#!/usr/bin/env bash
# Installs what is missing, builds everything (build/kestrune among it) and
# runs every test; then builds the tests again with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them once more; last, the tests of the
# core (the folders without Qt widgets) with ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
export LC_ALL=C.UTF-8

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSTROVEL_SANITIZE=ON \
  -DSTROVEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-sanitize -j2
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j2

# ThreadSanitizer: only the test programs of the core and the preview model, optimised so that the
# property tests stay quick; any report fails the run.
core_tests="platform_tests catalogue_tests patterns_tests engine_tests app_tests preview_tests"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTROVEL_TSAN=ON \
  -DSTROVEL_BUILD_BENCH=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build build-tsan -j2 --target $core_tests
for tests in $core_tests; do
  env -u DISPLAY -u WAYLAND_DISPLAY TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    "build-tsan/tests/$tests" --gtest_brief=1
done
