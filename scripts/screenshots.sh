#!/bin/sh
# Renders the editor's windows to PNG files for review, on a virtual display.
#   scripts/screenshots.sh [build folder]      (default: build/release)
# The pictures land in <build folder>/screenshots/ ... and in build/screenshots/.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/release}
OUT=$ROOT/build/screenshots
if [ ! -f "$BUILD/build.ninja" ] && [ ! -f "$BUILD/Makefile" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja
fi
cmake --build "$BUILD" --target shell_screenshots editor_screenshots audio_screenshots
mkdir -p "$OUT"
RUNTIME=$(mktemp -d)
chmod 700 "$RUNTIME"
trap 'rm -rf "$RUNTIME"' EXIT
XDG_RUNTIME_DIR=$RUNTIME QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1600x1000x24 -dpi 96" \
    "$BUILD/tests/editor/shell/shell_screenshots" "$OUT"
XDG_RUNTIME_DIR=$RUNTIME QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1600x1000x24 -dpi 96" \
    "$BUILD/tests/editor/document/editor_screenshots" "$OUT"
XDG_RUNTIME_DIR=$RUNTIME QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1600x1000x24 -dpi 96" \
    "$BUILD/tests/editor/audio/audio_screenshots" "$OUT"
