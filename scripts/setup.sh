#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the benchmarks need.
# Quick when everything is there: the package lists are refreshed only when something is
# missing.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    # the editor's windows
    qt6-base-dev qt6-svg-dev libgl-dev
    # pictures on buttons and toolbar keys: a freedesktop icon theme of SVGs
    breeze-icon-theme
    # the audio component: decoding and encoding, devices, time stretch
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
    portaudio19-dev libasound2-dev libsoundtouch-dev
    # a sound server without hardware for the tests labelled "soundserver": PulseAudio, its
    # command-line clients, ALSA's plugin that PortAudio reaches it through, its client library
    pulseaudio pulseaudio-utils libasound2-plugins libpulse-dev
    # test peers and benchmark peers
    libsndfile1-dev sox ffmpeg mediainfo soundstretch
    # an ID3v1 tag writer and reader: tags behind the RIFF chunk survive a save
    id3tool
    # screenshots of the windows; the tests of focus, keys and window size on a real X
    # server with a window manager (xrandr divides it into several screens)
    xvfb xauth openbox xdotool x11-xserver-utils
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A locale that writes numbers with a decimal comma, for the tests that prove the stored
# forms never follow the locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    if ! dpkg-query -W -f='${Status}' locales 2>/dev/null | grep -q "install ok installed"; then
        export DEBIAN_FRONTEND=noninteractive
        $sudo apt-get update -qq
        $sudo apt-get install -y -qq --no-install-recommends locales >/dev/null
    fi
    $sudo sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
