#!/bin/sh
# Renders the waveform view of an hour of generated stereo audio, with four regions, to PNG
# files for review, on a virtual display.
#   scripts/render-view.sh [build folder]      (default: build/release)
# The pictures land in build/render-view/: the whole hour, ten minutes, and two seconds.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/release}
OUT=$ROOT/build/render-view
if [ ! -f "$BUILD/build.ninja" ] && [ ! -f "$BUILD/Makefile" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja
fi
cmake --build "$BUILD" --target waveform_view_render
mkdir -p "$OUT"
AUDIO=$OUT/hour.wav
if [ ! -f "$AUDIO" ]; then
    # Left: pink noise, right: a tone; both swell and fade over minutes, so zooms differ.
    sox -n -r 44100 -c 2 -b 16 "$AUDIO" synth 3600 pinknoise sine 440 tremolo 0.004 85 gain -3
fi
RUNTIME=$(mktemp -d)
chmod 700 "$RUNTIME"
trap 'rm -rf "$RUNTIME"' EXIT
run() {
    XDG_RUNTIME_DIR=$RUNTIME QT_QPA_PLATFORM=xcb \
        xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" \
        "$BUILD/platform/audio/waveform_view_render" "$AUDIO" "$@"
}
run "$OUT/hour.png" 1920 400
run "$OUT/ten-minutes.png" 1920 400 1000 1600
run "$OUT/two-seconds.png" 1920 400 1999 2001
