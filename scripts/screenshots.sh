#!/bin/sh
# Renders the program's windows and the library's windows to PNG files for review, on a
# virtual display.
#   scripts/screenshots.sh [build folder]      (default: build/release)
# The pictures land in build/screenshots/.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/release}
OUT=$ROOT/build/screenshots
# Each renderer: its target and where it lands under the build folder.
RENDERERS="
shell_screenshots tests/editor/shell
dialog_screenshots tests/rozuzezer/ui
tile_screenshots tests/rozuzezer/ui
editor_screenshots tests/editor/document
"
if [ ! -f "$BUILD/build.ninja" ] && [ ! -f "$BUILD/Makefile" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja
fi
targets=$(echo "$RENDERERS" | awk 'NF { print $1 }')
# shellcheck disable=SC2086
cmake --build "$BUILD" --target $targets
mkdir -p "$OUT"
RUNTIME=$(mktemp -d)
chmod 700 "$RUNTIME"
trap 'rm -rf "$RUNTIME"' EXIT
echo "$RENDERERS" | while read -r target folder; do
    [ -n "$target" ] || continue
    XDG_RUNTIME_DIR=$RUNTIME QT_QPA_PLATFORM=xcb \
        xvfb-run -a -s "-screen 0 1600x1000x24 -dpi 96" \
        "$BUILD/$folder/$target" "$OUT" </dev/null
done
