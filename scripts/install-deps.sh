#!/usr/bin/env bash
# Installs every Debian package Bimbalo needs to build, run and test, or,
# given package names, just those (the sample-data script uses that).
# Safe to run again: only what is missing is installed.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config git
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-documentation-tools
  libqt6sql6-sqlite
  libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev
  libsdl2-dev libsndfile1-dev
  libx11-dev libxfixes-dev libxss-dev libxkbcommon-dev libxkbcommon-x11-dev xkb-data
  fonts-dejavu-core fonts-wine
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils x11-apps imagemagick python3
  xserver-xorg-core xserver-xorg-video-dummy x11-xkb-utils x11-xserver-utils
  i3-wm openbox
  dbus-daemon
  sway wtype grim qt6-wayland dbus at-spi2-core python3-pyatspi
  findutils
  librsvg2-bin dpkg-dev lintian desktop-file-utils appstream
)
if [ "$#" -gt 0 ]; then PACKAGES=("$@"); fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
