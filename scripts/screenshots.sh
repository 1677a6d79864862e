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
# Each picture in both languages: the Russian ones in docs/ and on the
# Russian help page, the English ones in docs/en/ and on the English page.
for lang in ru en; do
  out=$(mktemp -d)
  locale=ru_RU.UTF-8
  [ "$lang" = en ] && locale=en_US.UTF-8
  xvfb-run -a -s "-screen 0 1600x1200x24 -dpi 96" \
    bash -c 'openbox & sleep 1; LANG="$1" build/sigmalit_shots "$0"' "$out" "$locale"
  if [ "$lang" = ru ]; then
    help=data/help- docs=docs
  else
    help=data/help-en- docs=docs/en
    mkdir -p docs/en
  fi
  mv "$out"/help-main.png "${help}main.png"
  cp "$out"/overview.png "${help}overview.png"
  cp "$out"/events.png "${help}events.png"
  cp "$out"/math.png "${help}math.png"
  cp "$out"/references.png "${help}references.png"
  cp "$out"/response.png "${help}response.png"
  mv "$out"/*.png "$docs"/
  rmdir "$out"
done
