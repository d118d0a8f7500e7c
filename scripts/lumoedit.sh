#!/usr/bin/env bash
# Builds LumoEdit and starts it with the given arguments (a file to open, "/debug").
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    echo "LumoEdit needs a graphical desktop, and this session has none (DISPLAY and WAYLAND_DISPLAY are not set)." >&2
    echo "Run it from a desktop session, or with QT_QPA_PLATFORM=offscreen to start it without a window." >&2
    exit 1
fi
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)" --target LumoEdit
exec build/release/editor/app/LumoEdit "$@"
