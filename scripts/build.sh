#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/configure.sh
configure_build "$PWD"
cmake --build build -j"$(nproc)"
