#!/usr/bin/env bash
# Builds LumoEdit and starts it with the given arguments (a file to open, "/debug").
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)"
if [[ -x build/release/editor/app/LumoEdit ]]; then
    exec build/release/editor/app/LumoEdit "$@"
fi
echo "LumoEdit cannot start yet: its editor window is still to be built. Built: the library (build/release/libBVRozuzezer2.so), the shell windows and the audio component, with their tests (scripts/test.sh)."
