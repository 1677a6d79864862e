#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing on Debian 12 (as root; as another user it only
# says what is missing and how to install it).
#   scripts/install-deps.sh          what building and running the program need
#   scripts/install-deps.sh --test   also what the tests, the package check and
#                                    the sanitizer and fuzzer runs need
set -euo pipefail
packages=(
  cmake make g++ pkg-config ccache dpkg-dev
  libsndfile1-dev libpulse-dev libpipewire-0.3-dev libfftw3-dev
  qt6-base-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools libqt6printsupport6 libgl-dev
  qt6-translations-l10n fonts-dejavu-core
)
if [ "${1:-}" = "--test" ]; then
  packages+=(
    pulseaudio pulseaudio-utils sox pipewire pipewire-bin wireplumber dbus-daemon
    xvfb xauth imagemagick poppler-utils
    openbox xdotool x11-utils
    clang llvm libclang-rt-14-dev
    file lintian appstream desktop-file-utils
  )
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them as root: sudo $0 ${1:-}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
