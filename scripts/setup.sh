#!/bin/bash
# Installs what building, running and testing the menu need, only what is
# missing: Debian packages (Qt 6, libjpeg, pugixml, fonts, Xvfb, clang for
# the fuzzer, the package tools and checkers) and the pinned Flash engine
# from npm. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev-tools
    qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev libqt6opengl6-dev libgl-dev
    libjpeg62-turbo-dev libpugixml-dev libfontconfig-dev
    fonts-dejavu-core fonts-liberation2
    xvfb xauth
    clang libclang-rt-14-dev
    dpkg-dev fakeroot lintian desktop-file-utils appstream xdotool x11-apps imagemagick
    chromium pulseaudio pulseaudio-utils qt6-base-private-dev zlib1g-dev liblzma-dev
    fuse fusefat dosfstools
    openbox libxcb1-dev x11-utils
    qt6-translations-l10n
)
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ $status == "install ok installed" ]] || missing+=("$package")
done
if ((${#missing[@]})); then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The engine is reinstalled only when the lock file changed.
stamp=node_modules/.package-lock.stamp
if [[ ! -f node_modules/@ruffle-rs/ruffle/ruffle.js || ! -f $stamp ]] || ! cmp -s package-lock.json "$stamp"; then
    npm ci --no-audit --no-fund
    cp package-lock.json "$stamp"
fi
