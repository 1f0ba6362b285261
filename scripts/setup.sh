#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tolvane need,
# skipping those already present. Run as root on Debian 12.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libjpeg62-turbo-dev libjpeg-turbo-progs
    liblcms2-dev liblcms2-utils libheif-dev libheif-examples libexif-dev
    libpng-dev libwebp-dev libtiff-dev zlib1g-dev webp
    qt6-image-formats-plugins qt6-translations-l10n qt6-wayland
    python3-pil
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    fonts-ipafont-gothic fonts-ipafont-mincho
    xvfb xauth xdotool x11-utils
    xdg-utils desktop-file-utils
    attr acl
    appstream
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
