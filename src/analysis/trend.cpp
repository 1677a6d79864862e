// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/trend.h"

#include "analysis/measure.h"

#include <algorithm>
#include <cmath>

namespace Trend {

Builder::Builder(Quantity q, int sampleRate, int channels, int channel)
    : q_(q), rate_(std::max(1, sampleRate)), channels_(std::max(1, channels)), channel_(std::clamp(channel, 0, channels_ - 1))
{
    second_.reserve(size_t(rate_));
}

void Builder::Add(const int16_t *samples, size_t frames)
{
    const size_t stride = size_t(channels_);
    const int16_t *x = samples + channel_;
    while (frames > 0) {
        const size_t n = std::min(frames, size_t(rate_) - second_.size());
        for (size_t i = 0; i < n; ++i)
            second_.push_back(x[i * stride]);
        x += n * stride;
        frames -= n;
        if (second_.size() == size_t(rate_))
            measure();
    }
}

void Builder::Finish()
{
    if (second_.size() * 2 >= size_t(rate_))
        measure();
    second_.clear();
}

void Builder::measure()
{
    const Measure::Readings r = Measure::Of(second_, rate_);
    double v = std::nan("");
    if (r.count > 0) {
        switch (q_) {
        case Quantity::Frequency: v = r.frequency; break;
        case Quantity::Rms: v = r.rms; break;
        case Quantity::PeakToPeak: v = r.peakToPeak; break;
        case Quantity::Mean: v = r.mean; break;
        }
    }
    done_.push_back(v);
    ++seconds_;
    second_.clear();
}

void Builder::Take(std::vector<double> *values)
{
    values->clear();
    values->swap(done_);
}

}  // namespace Trend
