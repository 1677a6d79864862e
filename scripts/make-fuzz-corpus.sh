#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the seed corpus for the fuzz targets in the folder given (default
# build-asan/fuzz/seeds): small WAV files the program shows, and broken ones
# of the kinds people meet (wrong sizes, unshowable formats, odd chunks).
set -euo pipefail
out=${1:-build-asan/fuzz/seeds}
rm -rf "$out"
mkdir -p "$out"
cd "$out"

le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
# patch FILE OFFSET BYTES...: overwrites bytes in place
patch32() { le32 "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }

# Showable: mono and stereo at the usual rates, a few hundred frames each.
sox -q -n -r 8000 -c 1 -b 16 mono8k.wav synth 0.03 sine 440
sox -q -n -r 11025 -c 1 -b 16 mono11k.wav synth 0.02 square 300
sox -q -n -r 44100 -c 2 -b 16 stereo44k.wav synth 0.01 sine 1000 sine 250
sox -q -n -r 48000 -c 2 -b 16 stereo48k.wav synth 0.01 sine 440 sine 110
sox -q -n -r 96000 -c 1 -b 16 mono96k.wav synth 0.005 sawtooth 2000

# Formats the display cannot show.
sox -q -n -r 8000 -c 1 -b 8 eightbit.wav synth 0.02 sine 440
sox -q -n -r 8000 -c 1 -b 32 -e floating-point float.wav synth 0.02 sine 440
sox -q -n -r 8000 -c 3 -b 16 threechannels.wav synth 0.01 sine 440
sox -q -n -r 8000 -c 1 -b 24 twentyfour.wav synth 0.01 sine 440
sox -q -n -r 8000 -c 1 -b 16 -t aiff aiff-renamed.wav synth 0.01 sine 440

# Size fields that lie: data larger, smaller and odd, RIFF size wrong, a
# rate of 1 Hz, no frames at all.
cp mono8k.wav data-too-big.wav && patch32 data-too-big.wav 40 2000000000
cp mono8k.wav data-short-odd.wav && patch32 data-short-odd.wav 40 101
cp stereo44k.wav riff-wrong.wav && patch32 riff-wrong.wav 4 7
cp mono8k.wav rate-1hz.wav && patch32 rate-1hz.wav 24 1 && patch32 rate-1hz.wav 28 2
cp stereo48k.wav rate-huge.wav && patch32 rate-huge.wav 24 2147483647
head -c 44 mono8k.wav > header-only.wav
head -c 30 stereo44k.wav > cut-in-fmt.wav
head -c 301 stereo44k.wav > cut-mid-frame.wav

# Chunks where simple readers do not look: LIST before data (data tag past
# byte 100), data before fmt, two data chunks, an extensible format.
samples=$(mktemp)
tail -c +45 mono8k.wav > "$samples"
n=$(stat -c %s "$samples")
{
  printf 'RIFF'; le32 $((4 + 24 + 8 + 120 + 8 + n)); printf 'WAVE'
  printf 'fmt '; le32 16; le16 1; le16 1; le32 8000; le32 16000; le16 2; le16 16
  printf 'LIST'; le32 120; printf 'INFO'; head -c 116 /dev/zero
  printf 'data'; le32 "$n"; cat "$samples"
} > list-before-data.wav
{
  printf 'RIFF'; le32 $((4 + 8 + n + 24)); printf 'WAVE'
  printf 'data'; le32 "$n"; cat "$samples"
  printf 'fmt '; le32 16; le16 1; le16 1; le32 8000; le32 16000; le16 2; le16 16
} > data-before-fmt.wav
{
  printf 'RIFF'; le32 $((4 + 24 + 8 + 64 + 8 + n)); printf 'WAVE'
  printf 'fmt '; le32 16; le16 1; le16 1; le32 8000; le32 16000; le16 2; le16 16
  printf 'data'; le32 64; head -c 64 "$samples"
  printf 'data'; le32 "$n"; cat "$samples"
} > two-data.wav
{
  printf 'RIFF'; le32 $((4 + 48 + 8 + n)); printf 'WAVE'
  printf 'fmt '; le32 40; le16 65534; le16 2; le32 8000; le32 32000; le16 4; le16 16
  le16 22; le16 16; le32 3; printf '\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71'
  printf 'data'; le32 "$n"; cat "$samples"
} > extensible.wav
{
  printf 'RF64'; le32 4294967295; printf 'WAVE'
  printf 'ds64'; le32 28; le32 $((4 + 36 + 24 + 8 + n)); le32 0; le32 "$n"; le32 0; le32 $((n / 2)); le32 0; le32 0
  printf 'fmt '; le32 16; le16 1; le16 1; le32 8000; le32 16000; le16 2; le16 16
  printf 'data'; le32 4294967295; cat "$samples"
} > rf64.wav
# As libsndfile leaves a recording past 4 GiB (extensible format, an empty
# PAD chunk), its ds64 a little behind the samples, as after a crash.
{
  printf 'RF64'; le32 4294967295; printf 'WAVE'
  printf 'ds64'; le32 28; le32 $((104 + n)); le32 0; le32 $((n / 2)); le32 0; le32 $((n / 4)); le32 0; le32 0
  printf 'fmt '; le32 40; le16 65534; le16 1; le32 8000; le32 16000; le16 2; le16 16
  le16 22; le16 16; le32 4; printf '\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71'
  printf 'PAD '; le32 0
  printf 'data'; le32 4294967295; cat "$samples"
} > rf64-libsndfile.wav
rm -f "$samples"

# Not WAV at all.
: > empty.wav
printf 'RIFF\n%.0s' {1..40} > riff-repeated.wav
head -c 120 /dev/zero > zeros.wav
ls | wc -l | xargs echo "seed files:"
