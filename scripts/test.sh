#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds and runs every test. Tests that capture
# from a real sound server get their own PulseAudio server fed with a known
# signal (1000 Hz left, 250 Hz right), started here and stopped on exit.
# Then the Debian package is built and checked, and last the whole suite
# runs once more under ASan/LSan/UBSan (build-asan) and the open-and-draw
# fuzzer for about two minutes; any finding fails.
# SIGM_SKIP_SANITIZERS=1 skips those two stages (a quick local run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
scripts/build.sh
source scripts/test-audio-server.sh
start_test_audio_server
trap stop_test_audio_server EXIT
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)
# The Debian package: built, unpacked and run, its desktop entry and metadata
# validated, lintian without errors.
scripts/package.sh --check
if [ "${SIGM_SKIP_SANITIZERS:-0}" != 1 ]; then
  scripts/test-sanitized.sh
  scripts/fuzz.sh
fi
