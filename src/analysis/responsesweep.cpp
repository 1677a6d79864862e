// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/responsesweep.h"

#include <algorithm>
#include <cmath>

ResponseSweep::ResponseSweep(const Settings &s) : s_(s)
{
    if (!(s_.rate > 0))
        s_.rate = 48000;
    // Below Nyquist with room for the lock-in to see several samples a period.
    const double top = s_.rate * 0.45;
    steps_ = ToneResponse::Steps(std::min(s_.from, top), std::min(s_.to, top), s_.perOctave);
}

double ResponseSweep::Frequency() const
{
    return Done() ? 0 : steps_[step_];
}

size_t ResponseSweep::SettleFrames() const
{
    return size_t(std::ceil(std::max(0.0, s_.settleSeconds) * s_.rate));
}

size_t ResponseSweep::MeasureFrames(double hz) const
{
    const double periods = std::max(1, s_.measurePeriods) * s_.rate / hz;
    return size_t(std::ceil(std::max(periods, std::max(0.0, s_.measureSeconds) * s_.rate)));
}

double ResponseSweep::SecondsNeeded() const
{
    double frames = 0;
    for (double f : steps_)
        frames += double(SettleFrames() + MeasureFrames(f));
    return frames / s_.rate;
}

bool ResponseSweep::Feed(const int16_t *frames, size_t count)
{
    if (Done())
        return false;
    const size_t settle = SettleFrames();
    if (settled_ < settle) {
        const size_t skip = std::min(count, settle - settled_);
        settled_ += skip;
        frames += 2 * skip;
        count -= skip;
    }
    const double hz = steps_[step_];
    const size_t want = MeasureFrames(hz);
    const size_t take = std::min(count, want - taken_.size() / 2);
    taken_.insert(taken_.end(), frames, frames + 2 * take);
    if (taken_.size() / 2 < want)
        return false;
    ToneResponse::Point p = ToneResponse::Measure(taken_.data(), want, s_.rate, hz);
    // Each half over whole periods of its own: a steady tone reads the same
    // in both, to far better than the tolerances below. They are wider than
    // the measurement's own accuracy, since a half is not a whole number of
    // periods of hum or of another loud tone on the inputs, and leaks them.
    const size_t half = want / 2;
    const ToneResponse::Point a = ToneResponse::Measure(taken_.data(), half, s_.rate, hz);
    const ToneResponse::Point b = ToneResponse::Measure(taken_.data() + 2 * half, want - half, s_.rate, hz);
    // Nothing at all in both halves (no reference, a dead output) is not
    // helped by measuring again.
    const auto near = [](double x, double y, double tolerance) {
        if (!std::isfinite(x) || !std::isfinite(y))
            return !std::isfinite(x) && !std::isfinite(y);
        return std::abs(x - y) < tolerance;
    };
    const bool steady = near(a.referenceDbfs, b.referenceDbfs, 0.3) && near(a.gainDb, b.gainDb, 0.3)
                        && (!std::isfinite(a.gainDb) || std::abs(std::remainder(a.phaseDegrees - b.phaseDegrees, 360.0)) < 2);
    taken_.clear();
    if (!steady && ++tries_ < kTries)
        return false;  // the tone plays on: measured again without settling anew
    anyUnsteady_ = anyUnsteady_ || !steady;
    tries_ = 0;
    anyClipped_ = anyClipped_ || p.referenceClipped;
    anySilent_ = anySilent_ || p.referenceSilent;
    points_.push_back(p);
    settled_ = 0;
    ++step_;
    return true;
}
