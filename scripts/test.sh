#!/usr/bin/env bash
# Builds everything and runs the whole test suite twice: a normal build (gcc, warnings as
# errors) and a clang build with address and undefined-behaviour sanitizers and libFuzzer,
# whose fuzz targets run for a few seconds each. `--quick` runs the first only.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
quick=0
[[ "${1:-}" == "--quick" ]] && quick=1

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBVR_WERROR=ON >/dev/null
cmake --build build/release -j "$jobs"
ctest --test-dir build/release -j "$jobs" --output-on-failure --no-tests=error

if ((quick)); then exit 0; fi

CC=clang CXX=clang++ cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBVR_SANITIZE=ON -DBVR_FUZZ=ON -DBVR_BUILD_BENCH=OFF >/dev/null
cmake --build build/sanitize -j "$jobs"
ctest --test-dir build/sanitize -j "$jobs" --output-on-failure --no-tests=error
