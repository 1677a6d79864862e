// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/wavopen.h"

#include "platform/vbrt.h"

#include <algorithm>
#include <cmath>

namespace WavOpen {

int16_t FindDataStart(const QByteArray &head, int16_t previous)
{
    auto at = [&](int i) -> char { return i >= 1 && i <= head.size() ? head[i - 1] : '\0'; };
    for (int i = 11; i <= 100; ++i) {
        if (at(i - 3) == 'd' && at(i - 2) == 'a' && at(i - 1) == 't' && at(i) == 'a')
            return int16_t(i + 9);
    }
    return previous;
}

ScrollRange ScrollRangeFor(int64_t fileLength)
{
    ScrollRange r;
    if (fileLength > 32000) {
        // About 16000 steps whatever the length: up to 268 KB a step at 4 GB.
        r.scrollUnit = vb::CLng(double(fileLength) / 16000);
        r.max = vb::CLng(double(fileLength) / r.scrollUnit + 1);
    } else {
        r.max = vb::Check32(std::max<int64_t>(fileLength, 0) + 4);
        r.scrollUnit = 1;
    }
    return r;
}

int32_t EstimateSampleRate(int64_t fileLength, int64_t dataStart, float durationSeconds, int channels)
{
    if (!(durationSeconds > 0))
        return 48000;
    const float perSecond = durationSeconds * float(channels);
    const double r = std::floor((double(fileLength) - dataStart) / 2 / perSecond) + 700;
    int32_t rate = vb::CLng(std::floor(r / 1000) * 1000);
    // A file too short to measure: nothing to draw rather than a negative rate.
    if (rate < 0)
        rate = 0;
    switch (rate / 1000) {
    case 11: return 11025;
    case 22: return 22050;
    case 44: return 44100;
    default: return rate;
    }
}

double LeadingNumber(const QString &text)
{
    int i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    const int begin = i;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
            ++i;
    }
    bool ok = false;
    const double v = text.mid(begin, i - begin).toDouble(&ok);
    return ok ? v : 0;
}

}  // namespace WavOpen
