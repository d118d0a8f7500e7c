#!/usr/bin/env bash
# Builds and runs every benchmark; each prints lines of the form
#   bench <name> ours=<value><unit> peer=<tool>:<value><unit> ratio=<ours/peer>
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)"
find build/release/bench -maxdepth 2 -type f -executable -name 'bench_*' | sort | while read -r b; do
    "$b"
done
