// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/options.h"

#include "platform/settings.h"
#include "platform/vbrt.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace Options {
namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kTrigger = QStringLiteral("Trigger");
const QString kMeasure = QStringLiteral("Measure");

int wholeIn(const QString &key, int lo, int hi, int fallback)
{
    const auto v = vb::ParseNumber(SettingsStore::GetSetting(kApp, kTrigger, key, QString::number(fallback)));
    if (!v || *v != std::floor(*v) || *v < lo || *v > hi)
        return fallback;
    return int(*v);
}

}  // namespace

TriggerOptions LoadTrigger()
{
    TriggerOptions t;
    t.mode = Trigger::Mode(wholeIn(QStringLiteral("Mode"), 0, 3, 0));
    t.source = wholeIn(QStringLiteral("Source"), 1, 2, 1);
    t.slope = Trigger::Slope(wholeIn(QStringLiteral("Slope"), 0, 1, 0));
    t.place = Trigger::Place(wholeIn(QStringLiteral("Position"), 0, 2, 1));
    const auto level = vb::ParseNumber(SettingsStore::GetSetting(kApp, kTrigger, QStringLiteral("Level"), "0"));
    // Beyond a kilovolt is no sound card's input.
    if (level && std::abs(*level) <= 1000)
        t.levelVolts = *level;
    const auto holdoff = vb::ParseNumber(SettingsStore::GetSetting(kApp, kTrigger, QStringLiteral("Holdoff"), "0"));
    if (holdoff && *holdoff >= 0 && *holdoff <= kMostHoldoffSeconds)
        t.holdoffSeconds = *holdoff;
    return t;
}

void SaveTrigger(const TriggerOptions &t)
{
    SettingsStore::Batch batch;
    SettingsStore::SaveSetting(kApp, kTrigger, QStringLiteral("Mode"), QString::number(int(t.mode)));
    SettingsStore::SaveSetting(kApp, kTrigger, QStringLiteral("Source"), QString::number(t.source));
    SettingsStore::SaveSetting(kApp, kTrigger, QStringLiteral("Slope"), QString::number(int(t.slope)));
    SettingsStore::SaveSetting(kApp, kTrigger, QStringLiteral("Level"), QString::number(t.levelVolts, 'g', QLocale::FloatingPointShortest));
    SettingsStore::SaveSetting(kApp, kTrigger, QStringLiteral("Position"), QString::number(int(t.place)));
    SettingsStore::SaveSetting(kApp, kTrigger, QStringLiteral("Holdoff"),
                               QString::number(t.holdoffSeconds, 'g', QLocale::FloatingPointShortest));
}

bool LoadMeasureShown()
{
    return vb::ParseBool(SettingsStore::GetSetting(kApp, kMeasure, QStringLiteral("Shown"), QStringLiteral("False")))
        .value_or(false);
}

void SaveMeasureShown(bool shown)
{
    SettingsStore::SaveSetting(kApp, kMeasure, QStringLiteral("Shown"), vb::BoolText(shown));
}

double HysteresisUnits(int sensitivityItemData)
{
    return std::max(2.0, 819.2 / std::max(1, sensitivityItemData));
}

}  // namespace Options
