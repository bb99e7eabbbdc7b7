#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the program.
# Both ./run.sh and ./test.sh call this; packages already present are skipped.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libavcodec-dev libavformat-dev libavutil-dev libavfilter-dev libavdevice-dev
  libswscale-dev libswresample-dev
  libcurl4-openssl-dev libpng-dev zlib1g-dev libcanberra-dev
  libgtest-dev libgmock-dev
  clang-format-14
  ffmpeg curl python3
  locales
  # Downloads links of today's sites (recommended at run time); the tests run it against loopback pages.
  yt-dlp
  fonts-dejavu-core
  desktop-file-utils
)
# Only for looking at the program without a display (./run.sh under Xvfb, screenshots).
if [ "${REELWRIGHT_GUI_TOOLS:-0}" = 1 ]; then
  PACKAGES+=(xvfb xauth imagemagick)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
