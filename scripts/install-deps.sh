#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building, running and testing need on Debian 12 (as root).
set -euo pipefail
packages=(
  cmake make g++ pkg-config
  libsndfile1-dev libpulse-dev libfftw3-dev
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev libqt6multimedia6 libqt6printsupport6 qt6-qpa-plugins libgl-dev
  qt6-translations-l10n
  pulseaudio pulseaudio-utils sox
  xvfb xauth imagemagick poppler-utils fonts-dejavu-core
  openbox xdotool x11-utils
  ccache clang llvm libclang-rt-14-dev
  dpkg-dev file lintian appstream desktop-file-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]} (run this script as root to install them)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
