#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the open-and-draw fuzzer (build-asan/fuzz/fuzz_open, made by
# test-sanitized.sh) for SIGM_FUZZ_SECONDS (default 120) from a fresh seed
# corpus. A crash, sanitizer finding, leak, hang or runaway memory fails the
# run and leaves the input as build-asan/fuzz/crash-* (or leak-, timeout-).
set -euo pipefail
cd "$(dirname "$0")/.."
target=build-asan/fuzz/fuzz_open
if [ ! -x "$target" ]; then
  echo "fuzz run skipped: clang's libFuzzer runtime (libclang_rt.fuzzer) is not installed;" \
       "scripts/install-deps.sh --test installs it"
  exit 0
fi
scripts/make-fuzz-corpus.sh build-asan/fuzz/seeds
mkdir -p build-asan/fuzz/corpus
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
"$target" -max_total_time="${SIGM_FUZZ_SECONDS:-120}" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 -artifact_prefix=build-asan/fuzz/ \
  build-asan/fuzz/corpus build-asan/fuzz/seeds
