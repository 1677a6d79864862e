#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the oscilloscope from the checkout. The first run installs what is
# missing and builds only the program; later runs start it at once, and
# rebuild only the program when a source, data or build file has changed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$root/build/sigmalit"
if [ -x "$exe" ] && [ -f "$root/build/CMakeCache.txt" ] &&
   [ -z "$(find "$root/src" "$root/data" "$root/packaging" "$root/CMakeLists.txt" -newer "$exe" -print -quit)" ]; then
  exec "$exe" "$@"
fi
"$root/scripts/install-deps.sh"
if [ ! -f "$root/build/CMakeCache.txt" ]; then
  source "$root/scripts/configure.sh"
  configure_build "$root"
fi
cmake --build "$root/build" -j"$(nproc)" --target sigmalit
# A build that changed nothing leaves the program's time alone; mark it so
# the next start takes the quick way.
touch "$exe"
exec "$exe" "$@"
