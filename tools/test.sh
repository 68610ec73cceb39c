#!/usr/bin/env bash
# Installs what is missing, builds everything (build/kestrune among it) and
# runs every test; then builds the tests again with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them once more.
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
