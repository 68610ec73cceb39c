#!/usr/bin/env bash
# Builds kestrune (build/kestrune) and runs it in batch mode over the
# bundled examples, showing each result.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target kestrune
bash examples/run-examples.sh
