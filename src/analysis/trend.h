// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One measurement a second over a recording of any length (the data
// logger's view): each whole second of one channel measured as the
// readings strip measures a screen (Measure::Of), fed in blocks of
// interleaved frames cut anywhere; only the second being filled is held.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Trend {

enum class Quantity { Frequency, Rms, PeakToPeak, Mean };

// The value of `q` of Measure::Readings: Hz, or raw sample units.
class Builder {
public:
    Builder(Quantity q, int sampleRate, int channels, int channel);
    void Add(const int16_t *samples, size_t frames);
    // The last second, when it is at least half a second long, counts too.
    void Finish();
    // The values of the seconds completed since the last take (NaN where
    // the second has none, as a frequency without a whole period).
    void Take(std::vector<double> *values);
    int64_t Seconds() const { return seconds_; }

private:
    void measure();
    Quantity q_;
    int rate_, channels_, channel_;
    std::vector<int16_t> second_;
    std::vector<double> done_;
    int64_t seconds_ = 0;
};

}  // namespace Trend
