#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what Orbel needs to build, run and test on Debian 12. Safe to run again.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-websockets-dev libgl-dev qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev libavfilter-dev
  libsdl2-dev libxrandr-dev libx11-dev libfontconfig-dev libarchive-dev libgettextpo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-15 libfuzzer-15-dev
  fonts-horai-umefont fonts-ipafont-gothic fonts-wqy-microhei
  xvfb xauth x11-utils xdotool imagemagick
  weston qt6-wayland
  genisoimage xorriso p7zip-full jlha-utils gcab python3 gettext
  dpkg-dev file desktop-file-utils appstream lintian groff-base
  ffmpeg
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
