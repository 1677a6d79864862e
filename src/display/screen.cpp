// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/screen.h"

#include "platform/vbrt.h"

#include <cmath>

namespace Screen {

std::vector<double> VerticalLines(int32_t points, int sweep, int32_t sampleRate)
{
    std::vector<double> xs;
    if (points < 5) {
        // d would round to 0 and the counter would never move.
        const double d = std::max<int32_t>(points, 1) / 10.0;
        for (int k = 1; k <= 10; ++k)
            xs.push_back(k * d);
        return xs;
    }
    const float d = float(points) / 10;
    const int16_t s = vb::CInt(d);
    int64_t limit = points;
    if (sweep == 2000 && sampleRate < 20000) {
        limit += vb::CInt(d);
        if (sampleRate < 9000)
            limit += vb::CInt(d);
    }
    float x = 0;
    for (int64_t v = s; v <= limit; v += s) {
        x += d;
        xs.push_back(x);
    }
    return xs;
}

namespace {
// Fixed-point values with four decimals, as counts of 1/10000.
int64_t toFixed(double v)
{
    return int64_t(vb::RoundHalfEven(v * 10000.0));
}
QString secondsText(int64_t fixed)
{
    // The fixed-point value itself, to a tenth of a millisecond: rounding
    // to whole milliseconds would show a 0.5 ms screen as "0 … 0".
    return vb::FormatGeneral(double(fixed) / 10000.0);
}
}  // namespace

TimeCaptions TimesFor(int64_t start, int64_t dataStart, int32_t sampleRate, int channels, int sweep)
{
    int64_t t = 0;
    // Seconds from the first sample: bytes / (2 bytes × channels × rate).
    // Decimation changes how a screen is drawn, not where it starts.
    if (start > dataStart && sampleRate > 0 && channels > 0)
        t = toFixed((double(start) - double(dataStart)) / (2.0 * channels * double(sampleRate)));
    return {secondsText(t), secondsText(t + ScreenSpan(sweep))};
}

int64_t ScreenSpan(int sweep)
{
    return sweep != 0 ? toFixed(1.0 / sweep) : 0;
}

QString SpanText(int sweep)
{
    return secondsText(ScreenSpan(sweep));
}

}  // namespace Screen
