// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Automatic measurements of one channel over the samples of a screen, and
// the texts that show them.
#include <QString>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>

namespace Measure {

struct Readings {
    size_t count = 0;  // samples measured; 0 = nothing to show
    // Raw sample units.
    double minimum = 0, maximum = 0, peakToPeak = 0;
    double mean = 0;   // over the whole periods when there is one, else over all samples
    double rms = 0;    // with the mean
    double rmsAc = 0;  // without it
    // From rising crossings of the mid level (hysteresis a tenth of the
    // peak-to-peak), averaged over the whole periods on screen; NaN when
    // there is less than one.
    int64_t periods = 0;  // (hours of a fast signal pass 2^31 of them)
    double frequency = std::numeric_limits<double>::quiet_NaN();  // Hz
    double period = std::numeric_limits<double>::quiet_NaN();     // s
};

Readings Of(std::span<const int16_t> x, double sampleRate);

// Texts with 4 significant digits and the user's decimal separator; a
// dash for a value that is not there.
QString Volts(double volts);      // "1,234 В", "412,3 мВ", "56,78 мкВ"
QString Hertz(double hz);         // "999,87 Гц", "12,346 кГц" (5 digits: the average is that good)
QString Seconds(double seconds);  // "1,000 мС", "250,0 мкС", "1,500 С"

// One line of the readout strip for a channel (1 or 2) in volts scaled by
// its calibration factor.
QString Line(int channel, const Readings &r, double voltsPerUnit);

}  // namespace Measure
