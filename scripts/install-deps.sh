#!/usr/bin/env bash
# Installs every Debian package Bimbalo needs to build, run, test and
# benchmark it; with --fuzz also what the fuzzers need; given package names,
# just those (the sample-data script and CI use that).
# Safe to run again: only what is missing is installed.
#
# Each package the build reads from or a test runs is named here, also where
# another one on the list pulls it in today: a dependency that changes must
# not break a fresh machine. scripts/check-deps.sh checks the list against
# what a build really read.
set -euo pipefail

PACKAGES=(
  # compiler and build
  g++ g++-12 gcc-12 libstdc++-12-dev libgcc-12-dev libc6-dev linux-libc-dev binutils
  binutils-x86-64-linux-gnu cmake ninja-build pkg-config pkgconf git gzip
  # libraries, with the headers theirs include
  qt6-base-dev qt6-base-private-dev qt6-tools-dev qt6-tools-dev-tools qt6-documentation-tools
  qt6-l10n-tools qt6-translations-l10n
  libqt6sql6-sqlite libegl-dev libglx-dev libopengl-dev libglu1-mesa-dev libvulkan-dev
  libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev libwebp-dev libgif-dev libheif-dev
  libsdl2-dev libsndfile1-dev libespeak-ng-dev espeak-ng-data libglib2.0-dev libglib2.0-bin
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libx11-dev libxcb1-dev x11proto-dev libxfixes-dev libxss-dev libxkbcommon-dev
  libxkbcommon-x11-dev xkb-data
  libwayland-dev wayland-protocols qt6-wayland
  fonts-dejavu-core fonts-wine
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libxdamage-dev libxtst-dev libxi-dev
  vorbis-tools opus-tools flac ffmpeg
  xvfb xdotool x11-utils x11-apps imagemagick imagemagick-6.q16 python3 webp libheif-examples
  xserver-xorg-core xserver-xorg-video-dummy x11-xkb-utils x11-xserver-utils
  i3-wm openbox
  dbus dbus-daemon dbus-bin at-spi2-core python3-gi python3-pyatspi
  sway wtype grim
  mutter gnome-shell xdg-desktop-portal kwin-wayland plasma-wayland-protocols wayland-utils libcap2-bin
  findutils coreutils passwd util-linux
  # the help file's and desktop files' tools, the Debian package and its checks
  librsvg2-bin dpkg-dev lintian desktop-file-utils appstream
)
FUZZ_PACKAGES=(clang clang-14 libclang-rt-14-dev libclang-common-14-dev)

if [ "${1:-}" = "--fuzz" ]; then
  PACKAGES+=("${FUZZ_PACKAGES[@]}")
elif [ "$#" -gt 0 ]; then
  PACKAGES=("$@")
fi

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
