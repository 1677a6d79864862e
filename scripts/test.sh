#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Tests that capture
# from a real sound server get their own PulseAudio server fed with a known
# signal (1000 Hz left, 250 Hz right), started here and stopped on exit.
# Last, the Debian package is built and checked.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
source scripts/test-audio-server.sh
start_test_audio_server
trap stop_test_audio_server EXIT
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)
# The Debian package: built, unpacked and run, its desktop entry and metadata
# validated, lintian without errors.
scripts/package.sh --check
