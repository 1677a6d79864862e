// SPDX-License-Identifier: GPL-3.0-or-later
#include "levelmeter/levelmath.h"

#include "platform/vbrt.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace LevelMeter {

Peak PeakLevel(const std::vector<int32_t> &samples, int32_t last)
{
    Peak result;
    int64_t peak = 0;
    const int64_t end = std::min<int64_t>(int64_t(last), int64_t(samples.size()) - 1);
    for (int64_t k = 0; k <= end; ++k)
        peak = std::max(peak, int64_t(std::llabs(samples[size_t(k)])));
    if (peak >= 32768) {
        peak = 32767;
        result.clipped = true;
    }
    if (peak < 1)
        peak = 1;
    result.level = float(20.0 * std::log(double(peak)) / std::log(10.0));
    return result;
}

QString LevelText(float level)
{
    const double tenths = vb::RoundHalfEven((90.3 - double(level)) * 10.0);
    return QStringLiteral("-") + vb::FormatGeneral(tenths / 10.0) + QCoreApplication::translate("Units", " дБ");
}

double ScaleWidthFor(int spanDb)
{
    if (spanDb >= 31)
        return spanDb + 0.11;
    if (spanDb == 30)
        return spanDb + 0.05;
    return spanDb + 0.03;
}

QString TickLabel(int d)
{
    const int db = 90 - 10 * d;
    return db == 0 ? QStringLiteral("0") : QStringLiteral("-") + QString::number(db);
}

}  // namespace LevelMeter
