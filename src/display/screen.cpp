// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/screen.h"

#include "platform/vbrt.h"

#include <QLocale>
#include <charconv>
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
    // to whole milliseconds would show a 0.5 ms screen as "0 … 0". Two
    // are written on every page, so they are put together from their
    // digits, as the general format writes them (its 15 digits hold any
    // time a file can have); a locale with digits of its own goes that way.
    const QLocale locale;
    const QString point = locale.decimalPoint();
    if (fixed < 0 || fixed >= int64_t(1e14) || point.size() > 4 || locale.zeroDigit() != QLatin1String("0"))
        return vb::FormatGeneral(double(fixed) / 10000.0);
    QChar text[32];
    int size = 0;
    char whole[24];
    const char *end = std::to_chars(whole, whole + sizeof whole, fixed / 10000).ptr;
    for (const char *c = whole; c != end; ++c)
        text[size++] = QLatin1Char(*c);
    int part = int(fixed % 10000), digits = 4;
    if (part != 0) {
        while (part % 10 == 0)
            part /= 10, --digits;
        for (QChar c : point)
            text[size++] = c;
        for (int k = digits - 1, p = part; k >= 0; --k, p /= 10)
            text[size + k] = QLatin1Char(char('0' + p % 10));
        size += digits;
    }
    return QString(text, size);
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
