#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer into build-asan (clang, ccache) and runs the
# whole test suite there once; any finding fails the run. The fuzz targets
# are built in the same folder when clang's libFuzzer runtime is installed.
# Expects the test sound server of test.sh to be running.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/configure.sh
ccache_across_checkouts "$PWD"
fuzz=OFF
runtime_dir=$(clang --print-runtime-dir 2>/dev/null || true)
if [ -n "$runtime_dir" ] && [ -f "$runtime_dir/libclang_rt.fuzzer-x86_64.a" ]; then
  fuzz=ON
fi
CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSIGM_SANITIZE=ON -DSIGM_FUZZ=$fuzz >/dev/null
cmake --build build-asan -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
cd build-asan
QT_QPA_PLATFORM=offscreen ctest --output-on-failure
