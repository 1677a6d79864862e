#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Retakes every picture README and the help page show: the program's own
# windows on the private test signal (1000 Hz left, 250 Hz right), under Xvfb
# with openbox, so frames and menus look as on a desktop. Run it after any
# change that alters what is seen, and commit the pictures with the change.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
[ -f build/CMakeCache.txt ] || scripts/build.sh
cmake --build build -j"$(nproc)" --target sigmalit_shots
source scripts/test-audio-server.sh
start_test_audio_server
trap stop_test_audio_server EXIT
out=$(mktemp -d)
xvfb-run -a -s "-screen 0 1600x1200x24 -dpi 96" \
  bash -c 'openbox & sleep 1; LANG=ru_RU.UTF-8 build/sigmalit_shots "$0"' "$out"
mv "$out"/help-main.png data/help-main.png
cp "$out"/overview.png data/help-overview.png
mv "$out"/*.png docs/
# The help page shows two of them too.
cp docs/math.png data/help-math.png
cp docs/references.png data/help-references.png
rmdir "$out"
