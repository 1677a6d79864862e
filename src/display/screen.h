// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The arithmetic of one frame of the display: where the graticule's
// vertical lines go, the times under the screen, and where a sample lands.
#include "platform/vbrt.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace Screen {

constexpr int32_t kDivision = 8192;  // user units per vertical division

// x positions (user units, one per point) of the vertical graticule lines
// for a screen of `points` points. Normally d, 2d, ... up to 10d with
// d = points / 10; the count follows the rounding of d (so the right edge
// line may be missing). Screens of fewer than 5 points get ten lines at
// tenths of max(points, 1).
std::vector<double> VerticalLines(int32_t points, int sweep, int32_t sampleRate);

struct TimeCaptions {
    QString start;  // nachalo
    QString end;    // konec
};
// Seconds at the left and right edge of a screen read from file position
// `start` (1-based; `dataStart` is the first sample), to 0.1 ms, with the
// platform's decimal separator.
TimeCaptions TimesFor(int64_t start, int64_t dataStart, int32_t sampleRate, int channels, int sweep);
// The duration of one screen at sweep item data `sweep`, in 1/10000 s, and as a caption.
int64_t ScreenSpan(int sweep);
QString SpanText(int sweep);

// Screen ordinate of a sample: -(sample × sensitivity + position), in
// checked 32-bit arithmetic.
inline int32_t Ordinate(int32_t sample, int32_t sensitivity, int32_t position)
{
    return vb::Check32(-int64_t(vb::Add32(vb::Mul32(sample, sensitivity), position)));
}

}  // namespace Screen
