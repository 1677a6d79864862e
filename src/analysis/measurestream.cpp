// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/measurestream.h"

#include "analysis/samplesums.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace Measure {
namespace {

Trigger::Condition midLevel(int lowest, int highest)
{
    // The condition Of() sets from the extremes.
    const double peakToPeak = double(highest) - lowest;
    Trigger::Condition c;
    c.level = (double(highest) + lowest) / 2;
    c.hysteresis = std::max(1.0, peakToPeak / 10);
    return c;
}

}  // namespace

Stream::Stream(double sampleRate, int lowest, int highest)
    : rate_(sampleRate), lo_(lowest), hi_(highest), seenLo_(INT_MAX), seenHi_(INT_MIN),
      arming_(midLevel(lowest, highest))
{
    timed_ = double(hi_) - lo_ >= 4 && sampleRate > 0;
    level_ = midLevel(lowest, highest).level;
}

bool Stream::Exact() const
{
    return count_ == 0 || (seenLo_ == lo_ && seenHi_ == hi_);
}

void Stream::Add(const int16_t *x, size_t n, size_t stride)
{
    if (n == 0)
        return;
    switch (stride) {
    case 1: add<1>(x, n, 1); break;
    case 2: add<2>(x, n, 2); break;
    default: add<0>(x, n, stride); break;
    }
}

int16_t Stream::at(size_t g, const int16_t *x, size_t stride) const
{
    if (g >= blockStart_)
        return x[(g - blockStart_) * stride];
    return tail_[g - (blockStart_ - size_t(tailCount_))];
}

void Stream::gather(Crossing &c, const int16_t *x, size_t stride) const
{
    const size_t w = c.i >= 2 ? c.i - 2 : 0;
    for (; c.have < 4 && w + size_t(c.have) < count_; ++c.have)
        c.window[c.have] = at(w + size_t(c.have), x, stride);
}

template <size_t Stride>
void Stream::add(const int16_t *x, size_t n, size_t stride)
{
    blockStart_ = count_;
    count_ += n;
    // Crossings near the end of the last block see the samples after them.
    if (crossings_ > 0) {
        gather(first_, x, stride);
        gather(last_, x, stride);
    }
    // The crossings: counted, and the first and the last of the block kept.
    size_t firstHere = SIZE_MAX, lastHere = SIZE_MAX;
    if (timed_) {
        for (size_t j = 0; j < n; ++j) {
            j += arming_.Next(x + j * stride, n - j, stride);
            if (j >= n)
                break;
            if (crossings_++ == 0)
                firstHere = blockStart_ + j;
            lastHere = blockStart_ + j;
        }
    }
    // The sums, in pieces cut where the kept crossings need them: the sums
    // of the samples before i − 1.
    auto keep = [&](Crossing &c, size_t i) {
        c = Crossing{};
        c.i = i;
        c.previous = at(i - 1, x, stride);
        gather(c, x, stride);
    };
    if (firstHere != SIZE_MAX)
        keep(first_, firstHere);
    if (lastHere != SIZE_MAX)
        keep(last_, lastHere);
    Crossing *cuts[2] = {firstHere != SIZE_MAX ? &first_ : nullptr, lastHere != SIZE_MAX ? &last_ : nullptr};
    size_t done = blockStart_;
    SampleSums::Sums s;
    s.sum = sum_;
    s.squares = squares_;
    s.lowest = seenLo_;
    s.highest = seenHi_;
    auto sums = [&](size_t to) {
        SampleSums::Add(s, x + (done - blockStart_) * stride, to - done, stride);
        done = to;
    };
    for (Crossing *c : cuts) {
        if (!c)
            continue;
        const size_t cut = c->i - 1;
        if (cut < blockStart_) {
            // The crossing is the block's first sample: less the last one before.
            const int v = c->previous;
            c->sumBefore = s.sum - v;
            c->squaresBefore = s.squares - int64_t(v) * v;
            continue;
        }
        sums(cut);
        c->sumBefore = s.sum;
        c->squaresBefore = s.squares;
    }
    sums(count_);
    sum_ = s.sum;
    squares_ = s.squares;
    seenLo_ = s.lowest;
    seenHi_ = s.highest;

    // The last samples, for the crossings still to be placed.
    int16_t keepTail[4];
    const int t = int(std::min<size_t>(4, count_));
    for (int k = 0; k < t; ++k)
        keepTail[k] = at(count_ - size_t(t) + size_t(k), x, stride);
    std::copy(keepTail, keepTail + t, tail_);
    tailCount_ = t;
    blockStart_ = count_;
}

double Stream::place(const Crossing &c, int64_t *sum, __int128 *squares) const
{
    // The same four samples Trigger::CrossingBetween would take from the
    // whole stretch: centred on the crossing, moved in at the end.
    size_t w = c.i >= 2 ? c.i - 2 : 0;
    const int16_t *window = c.window;
    size_t n = 4;
    if (c.have < 4) {
        n = std::min<size_t>(4, count_);
        w = count_ - n;
        window = tail_ + (tailCount_ - int(n));
    }
    const double t = Trigger::CrossingFraction(std::span<const int16_t>(window, n), c.i - w, level_);
    const double p = double(c.i - 1) + t;
    // It rounds to sample i − 1 or i.
    const bool onward = std::lround(p) == long(c.i);
    *sum = c.sumBefore + (onward ? c.previous : 0);
    *squares = c.squaresBefore + (onward ? int64_t(c.previous) * c.previous : 0);
    return p;
}

Readings Stream::Finish()
{
    Readings r;
    r.count = count_;
    if (count_ == 0)
        return r;
    r.minimum = seenLo_;
    r.maximum = seenHi_;
    r.peakToPeak = double(seenHi_) - seenLo_;
    int64_t sum = sum_;
    __int128 squares = squares_;
    size_t n = count_;
    if (timed_ && crossings_ >= 2) {
        int64_t firstSum = 0, lastSum = 0;
        __int128 firstSquares = 0, lastSquares = 0;
        const double first = place(first_, &firstSum, &firstSquares);
        const double last = place(last_, &lastSum, &lastSquares);
        if (last > first) {
            r.periods = int64_t(crossings_ - 1);
            r.period = (last - first) / double(r.periods) / rate_;
            r.frequency = 1.0 / r.period;
            // Mean and RMS over the whole periods, as Of() takes them (the
            // last crossing always lies before the last sample).
            sum = lastSum - firstSum;
            squares = lastSquares - firstSquares;
            n = size_t(std::lround(last)) - size_t(std::lround(first));
        }
    }
    const double dn = double(n);
    r.mean = double(sum) / dn;
    r.rms = std::sqrt(double(squares) / dn);
    r.rmsAc = std::sqrt(std::max(0.0, double(squares) / dn - r.mean * r.mean));
    return r;
}

}  // namespace Measure
