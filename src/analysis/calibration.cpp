// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/calibration.h"

#include "platform/settings.h"
#include "platform/vbrt.h"

#include <QLocale>
#include <cmath>

namespace Calibration {
namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kSection = QStringLiteral("Calibration");

QString keyFor(int channel)
{
    return channel == 2 ? QStringLiteral("Channel2") : QStringLiteral("Channel1");
}

}  // namespace

double VoltsPerUnit(double factor)
{
    return kNominalVoltsPerUnit * factor;
}

double ToVolts(double units, double factor)
{
    return units * kNominalVoltsPerUnit * factor;
}

double ToUnits(double volts, double factor)
{
    return volts / (kNominalVoltsPerUnit * factor);
}

bool IsValidFactor(double factor)
{
    return std::isfinite(factor) && factor >= kMinFactor && factor <= kMaxFactor;
}

bool IsNominal(double factor)
{
    // A factor worked out from a measurement is seldom exactly 1: anything
    // within rounding of 1 is the nominal scale.
    return std::abs(factor - 1.0) < 1e-9;
}

std::optional<double> FactorFor(double measuredUnits, double trueVolts)
{
    if (!(measuredUnits > 0) || !(trueVolts > 0))
        return std::nullopt;
    const double factor = trueVolts / (measuredUnits * kNominalVoltsPerUnit);
    if (!IsValidFactor(factor))
        return std::nullopt;
    return factor;
}

double StoredFactor(int channel)
{
    const QString text = SettingsStore::GetSetting(kApp, kSection, keyFor(channel), QStringLiteral("1"));
    const std::optional<double> v = vb::ParseNumber(text);
    if (!v || !IsValidFactor(*v))
        return 1.0;
    return *v;
}

void StoreFactor(int channel, double factor)
{
    if (!IsValidFactor(factor))
        factor = 1.0;
    SettingsStore::SaveSetting(kApp, kSection, keyFor(channel), QString::number(factor, 'g', QLocale::FloatingPointShortest));
}

}  // namespace Calibration
