// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/cursors.h"

#include <QCoreApplication>
#include <QLocale>

namespace Cursors {

namespace {
constexpr double kFullRange = 65536;  // user units from top to bottom
constexpr double kTop = -32768;

QString scaled(double value, const char *const units[3], const double steps[3])
{
    if (!std::isfinite(value))
        return QStringLiteral("—");
    const double a = std::fabs(value);
    int i = 2;
    if (a >= steps[0] * 0.9995 || a == 0)
        i = 0;
    else if (a >= steps[1] * 0.9995)
        i = 1;
    return QLocale().toString(value / steps[i], 'g', 4) + QLatin1Char(' ') + QCoreApplication::translate("Units", units[i]);
}
}  // namespace

double ScreenMap::SecondsAt(double px) const
{
    return startSeconds + px * points / std::max(1, widthPx) * secondsPerPoint;
}

double ScreenMap::PixelAtSeconds(double seconds) const
{
    if (secondsPerPoint <= 0 || points <= 0)
        return 0;
    return (seconds - startSeconds) / secondsPerPoint * widthPx / points;
}

double ScreenMap::VoltsAt(int channel, double py) const
{
    const double user = kTop + py * kFullRange / std::max(1, heightPx);
    const double sample = -(user + position[channel]) / std::max(1, sensitivity[channel]) + removed[channel];
    return sample * voltsPerUnit[channel];
}

double ScreenMap::PixelAtVolts(int channel, double volts) const
{
    const double sample = volts / voltsPerUnit[channel] - removed[channel];
    const double user = -(sample * std::max(1, sensitivity[channel]) + position[channel]);
    return (user - kTop) * heightPx / kFullRange;
}

double ScreenMap::VoltsPerPixel(int channel) const
{
    return kFullRange / std::max(1, heightPx) / std::max(1, sensitivity[channel]) * voltsPerUnit[channel];
}

Readout Read(double t1, double t2, double v1, double v2)
{
    Readout r;
    r.t1 = t1;
    r.t2 = t2;
    r.dt = t2 - t1;
    r.frequency = r.dt != 0 ? 1.0 / std::fabs(r.dt) : NAN;
    r.v1 = v1;
    r.v2 = v2;
    r.dv = v2 - v1;
    return r;
}

double FileSeconds(int64_t position, int64_t firstSample, int channels, double rate)
{
    if (position <= firstSample || channels <= 0 || !(rate > 0))
        return 0;
    return double(position - firstSample) / (2.0 * channels * rate);
}

QString SecondsText(double seconds)
{
    static const char *const units[3] = {QT_TRANSLATE_NOOP("Units", "с"), QT_TRANSLATE_NOOP("Units", "мс"), QT_TRANSLATE_NOOP("Units", "мкс")};
    static const double steps[3] = {1, 1e-3, 1e-6};
    return scaled(seconds, units, steps);
}

QString VoltsText(double volts)
{
    static const char *const units[3] = {QT_TRANSLATE_NOOP("Units", "В"), QT_TRANSLATE_NOOP("Units", "мВ"), QT_TRANSLATE_NOOP("Units", "мкВ")};
    static const double steps[3] = {1, 1e-3, 1e-6};
    return scaled(volts, units, steps);
}

QString HertzText(double hertz)
{
    static const char *const units[3] = {QT_TRANSLATE_NOOP("Units", "кГц"), QT_TRANSLATE_NOOP("Units", "Гц"), QT_TRANSLATE_NOOP("Units", "Гц")};
    static const double steps[3] = {1e3, 1, 1};
    return scaled(hertz, units, steps);
}

}  // namespace Cursors
