#!/usr/bin/env bash
# Installs the Debian packages ZorviaII needs to build, run and test; does nothing when they
# are all present already.
set -euo pipefail

packages=(
    build-essential cmake pkg-config clang clang-format
    qt6-base-dev libjpeg62-turbo-dev libxml2-dev libpng-dev libgif-dev
    libcpp-httplib-dev libssl-dev libgtest-dev libgmock-dev libbenchmark-dev
    fonts-arphic-uming fonts-wqy-zenhei fonts-urw-base35 fonts-dejavu-core
    xvfb xauth xdotool openbox xdg-utils x11-utils imagemagick
    tinyproxy curl python3
    dpkg-dev file fakeroot appstream desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
