// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What opening a WAV oscillogram works out from the file before drawing it:
// where the samples start, how the horizontal bar maps onto the file, and
// the sample rate measured from the file's length and playing time.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace WavOpen {

// `head` holds the file's first bytes (up to 100). Returns the 1-based
// position 9 bytes after the end of the first "data" tag that ends beyond
// byte 10 (49 for the usual 44-byte header), or `previous` when the first
// 100 bytes hold none.
int16_t FindDataStart(const QByteArray &head, int16_t previous);

struct ScrollRange {
    int32_t scrollUnit = 1;  // file bytes per step of HScroll1
    int32_t max = 4;         // HScroll1.Max
};
// About 16000 steps for files over 32000 bytes, one byte per step below.
ScrollRange ScrollRangeFor(int64_t fileLength);

// Frames per second from the bytes after DataStart and the duration the
// device reports, snapped to whole thousands (700 below to 299 above count
// as that thousand; 11, 22 and 44 thousand stand for 11025, 22050, 44100).
// A duration of 0 or less gives 48000; a measurement below 300 Hz gives 0
// (nothing to draw). Raises 6 when the rate does not fit 32 bits.
int32_t EstimateSampleRate(int64_t fileLength, int64_t dataStart, float durationSeconds, int channels);

// The number a reply starts with (leading blanks skipped, digits up to the
// first other character), 0 when it starts with none.
double LeadingNumber(const QString &text);

}  // namespace WavOpen
