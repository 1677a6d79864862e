// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/measure.h"

#include "analysis/trigger.h"

#include <QCoreApplication>
#include <QLocale>
#include <algorithm>

namespace Measure {
namespace {

const QString kDash = QStringLiteral("—");

// `digits` significant digits in the unit whose range holds v (1 ≤ |v| < 1000
// where possible); units from the smallest.
QString scaled(double v, int digits, std::initializer_list<std::pair<double, const char *>> units)
{
    if (!std::isfinite(v))
        return kDash;
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    const double a = std::abs(v);
    auto unit = units.begin();
    for (auto u = units.begin(); u != units.end(); ++u) {
        if (a >= u->first)
            unit = u;
    }
    auto textIn = [&](const std::pair<double, const char *> &u) {
        const double shown = v / u.first;
        const double mag = std::abs(shown);
        const int intDigits = mag < 1 ? 1 : int(std::floor(std::log10(mag))) + 1;
        return loc.toString(shown, 'f', std::max(0, digits - intDigits));
    };
    QString text = textIn(*unit);
    // 999.996 mV rounds to "1000,0 мВ": say "1,000 В" instead.
    if (std::next(unit) != units.end() && std::abs(loc.toDouble(text)) >= 1000) {
        ++unit;
        text = textIn(*unit);
    }
    if (text.startsWith(QLatin1Char('-')))
        text.replace(0, 1, QStringLiteral("−"));
    return text + QLatin1Char(' ') + QCoreApplication::translate("Units", unit->second);
}

}  // namespace

Readings Of(std::span<const int16_t> x, double sampleRate)
{
    Readings r;
    r.count = x.size();
    if (x.empty())
        return r;
    int lo = x[0], hi = x[0];
    for (int16_t v : x) {
        lo = std::min<int>(lo, v);
        hi = std::max<int>(hi, v);
    }
    r.minimum = lo;
    r.maximum = hi;
    r.peakToPeak = double(hi) - lo;

    size_t from = 0, to = x.size();
    // Below a few units there is nothing but quantisation to time.
    if (r.peakToPeak >= 4 && sampleRate > 0) {
        Trigger::Condition c;
        c.level = (double(hi) + lo) / 2;
        c.hysteresis = std::max(1.0, r.peakToPeak / 10);
        double first = -1, last = -1;
        const size_t n = Trigger::ForEachCrossing(x, c, [&](double p) {
            if (first < 0)
                first = p;
            last = p;
        });
        if (n >= 2 && last > first) {
            r.periods = int64_t(n - 1);
            r.period = (last - first) / double(r.periods) / sampleRate;
            r.frequency = 1.0 / r.period;
            // Mean and RMS over whole periods do not wander with where the
            // screen happens to cut the last one.
            from = size_t(std::lround(first));
            to = std::min(x.size(), size_t(std::lround(last)));
        }
    }
    // Whole numbers: exact, and the loop vectorises.
    int64_t isum = 0, isquares = 0;
    for (size_t i = from; i < to; ++i) {
        const int64_t v = x[i];
        isum += v;
        isquares += v * v;
    }
    const double sum = double(isum), squares = double(isquares);
    const double n = double(to - from);
    r.mean = sum / n;
    r.rms = std::sqrt(squares / n);
    r.rmsAc = std::sqrt(std::max(0.0, squares / n - r.mean * r.mean));
    return r;
}

QString Volts(double volts)
{
    return scaled(volts, 4, {{1e-6, QT_TRANSLATE_NOOP("Units", "мкВ")}, {1e-3, QT_TRANSLATE_NOOP("Units", "мВ")}, {1.0, QT_TRANSLATE_NOOP("Units", "В")}});
}

QString Hertz(double hz)
{
    return scaled(hz, 5, {{1.0, QT_TRANSLATE_NOOP("Units", "Гц")}, {1e3, QT_TRANSLATE_NOOP("Units", "кГц")}});
}

QString Seconds(double seconds)
{
    return scaled(seconds, 4, {{1e-6, QT_TRANSLATE_NOOP("Units", "мкС")}, {1e-3, QT_TRANSLATE_NOOP("Units", "мС")}, {1.0, QT_TRANSLATE_NOOP("Units", "С")}});
}

QString Line(int channel, const Readings &r, double voltsPerUnit)
{
    if (r.count == 0)
        return QCoreApplication::translate("Measure", "%1:  нет данных").arg(channel);
    auto v = [&](double units) { return Volts(units * voltsPerUnit); };
    return QCoreApplication::translate("Measure", "%1:  f %2   T %3   Размах %4   Макс %5   Мин %6   Сред %7   СКЗ %8   СКЗ~ %9")
        .arg(channel)
        .arg(Hertz(r.frequency), Seconds(r.period), v(r.peakToPeak), v(r.maximum), v(r.minimum), v(r.mean),
             v(r.rms), v(r.rmsAc));
}

}  // namespace Measure
