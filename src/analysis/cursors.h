// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hand-placed cursors: two at times, two at voltages of one channel. They
// are kept in signal seconds and volts, so paging, a new sweep or a new
// volts/div moves them on the screen but not in the signal. ScreenMap is
// the one translation between those units and the pixels of a screen.
#include "analysis/calibration.h"

#include <QString>
#include <cmath>
#include <cstdint>

namespace Cursors {

// Volts of one sample unit at the nominal scale.
constexpr double kNominalVoltsPerUnit = Calibration::kNominalVoltsPerUnit;

// How one drawn screen maps signal units to pixels. Points run left to
// right over `points` user units; a trace's ordinate is
// -(sample × sensitivity + position) over -32768..32768.
struct ScreenMap {
    double startSeconds = 0;     // signal time at the left edge
    double secondsPerPoint = 0;  // signal time between two drawn points
    double points = 1;           // user units across the screen
    int widthPx = 1, heightPx = 1;
    // Per channel (0 = first, 1 = second), and 2 for the computed trace
    // M while it is drawn (its units are its screen units, its "volts"
    // its own unit), which the display leaves to it.
    double voltsPerUnit[3] = {kNominalVoltsPerUnit, kNominalVoltsPerUnit, 1};
    int sensitivity[3] = {1, 1, 1};
    int position[3] = {0, 0, 0};
    // Sample units taken out of the drawn trace (its mean, when the
    // picture is centred): put back, so a cursor on the trace reads the
    // signal's true volts, as the readings beneath the screen do.
    double removed[3] = {0, 0, 0};

    double SecondsAt(double px) const;
    double PixelAtSeconds(double seconds) const;
    double VoltsAt(int channel, double py) const;
    double PixelAtVolts(int channel, double volts) const;
    // One pixel's worth of signal, for keyboard nudging.
    double SecondsPerPixel() const { return secondsPerPoint * points / std::max(1, widthPx); }
    double VoltsPerPixel(int channel) const;
};

struct Readout {
    double t1 = 0, t2 = 0, dt = 0;
    double frequency = NAN;  // 1/|Δt|; NaN when the time cursors coincide
    double v1 = 0, v2 = 0, dv = 0;
};

Readout Read(double t1, double t2, double v1, double v2);

// Seconds from a file's first sample (at 1-based byte `firstSample`) to the
// sample at 1-based byte `position`, in frames of `channels` 16-bit samples
// at `rate`: the time the CSV gives that sample. 0 before the first.
double FileSeconds(int64_t position, int64_t firstSample, int channels, double rate);

// Numbers for the readout in the locale's format, 4 significant digits,
// with the unit scaled to с/мс/мкс, В/мВ/мкВ, Гц/кГц.
QString SecondsText(double seconds);
QString VoltsText(double volts);
QString HertzText(double hertz);

}  // namespace Cursors
