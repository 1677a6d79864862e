// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The trigger and readout choices, kept in the settings file in sections of
// their own ("Trigger", "Measure"). Everything is off by default: a user who
// never opens the menu sees the free-running picture without readouts.
#include "analysis/trigger.h"

namespace Options {

struct TriggerOptions {
    Trigger::Mode mode = Trigger::Mode::Off;
    int source = 1;  // channel 1 (first of a frame) or 2
    Trigger::Slope slope = Trigger::Slope::Rising;
    double levelVolts = 0;  // in the source channel's calibrated volts
    Trigger::Place place = Trigger::Place::OneDivision;
    double holdoffSeconds = 0;  // 0: every crossing is an event
};

// The holdoff choices of the menu, in seconds (the first, 0, is none).
inline constexpr double kHoldoffChoices[] = {0, 0.001, 0.01, 0.1, 0.5, 1, 5};
// The longest holdoff read back from the settings.
inline constexpr double kMostHoldoffSeconds = 60;

// Each key falls back to its default when absent or unreadable.
TriggerOptions LoadTrigger();
void SaveTrigger(const TriggerOptions &t);

bool LoadMeasureShown();
void SaveMeasureShown(bool shown);

// Hysteresis of the live trigger: a tenth of a division of the source
// channel at its sensitivity (item data), in raw units, at least 2.
double HysteresisUnits(int sensitivityItemData);

}  // namespace Options
