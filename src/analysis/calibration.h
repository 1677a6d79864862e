// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Raw 16-bit sample units to real volts, per channel.
//
// The front panel's volts/div labels assume one scale for every sound card:
// at "100 мВ" one division is 8192 units, so full scale ±32768 reads as
// ±400 mV. A card's real input scale differs; the user measures a known
// signal and stores a factor per channel: real volts = nominal volts ×
// factor. Factor 1 is the nominal scale.
//
// Channel 1 is the first sample of each frame (the blue trace, U2's
// sensitivity); channel 2 the second (the red trace, U1's).
#include <optional>

namespace Calibration {

inline constexpr double kNominalFullScaleVolts = 0.4;
inline constexpr double kNominalVoltsPerUnit = kNominalFullScaleVolts / 32768.0;

// Factors outside this range are typing errors, not sound cards.
inline constexpr double kMinFactor = 1e-4;
inline constexpr double kMaxFactor = 1e4;

double VoltsPerUnit(double factor);
double ToVolts(double units, double factor);
double ToUnits(double volts, double factor);
bool IsNominal(double factor);
bool IsValidFactor(double factor);

// The factor that makes `measuredUnits` (a peak-to-peak, RMS... measured in
// raw units) read as `trueVolts`; empty when either is not positive or the
// result is out of range.
std::optional<double> FactorFor(double measuredUnits, double trueVolts);

// The stored factor of channel 1 or 2 (section "Calibration" of the
// settings, keys "Channel1"/"Channel2"); 1 when absent, unreadable or out
// of range. Storing 1 stores "1".
double StoredFactor(int channel);
void StoreFactor(int channel, double factor);

}  // namespace Calibration
