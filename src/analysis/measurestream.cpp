// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/measurestream.h"

#include "analysis/trigger.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace Measure {
namespace {

// Whole numbers: exact, and the loops vectorise.
void sums(std::span<const int16_t> x, int64_t *sum, __int128 *squares)
{
    int64_t s = 0, q = 0;
    // 2^15 squared times 2^32 samples stays within 64 bits; blocks are far shorter.
    for (int16_t v : x) {
        s += v;
        q += int64_t(v) * v;
    }
    *sum += s;
    *squares += q;
}

// The same with the extremes, in the one pass over the samples.
void sums(std::span<const int16_t> x, int64_t *sum, __int128 *squares, int *lowest, int *highest)
{
    int64_t s = 0, q = 0;
    int lo = *lowest, hi = *highest;
    for (int16_t v : x) {
        s += v;
        q += int64_t(v) * v;
        lo = std::min<int>(lo, v);
        hi = std::max<int>(hi, v);
    }
    *sum += s;
    *squares += q;
    *lowest = lo;
    *highest = hi;
}

}  // namespace

Stream::Stream(double sampleRate, int lowest, int highest)
    : rate_(sampleRate), lo_(lowest), hi_(highest), seenLo_(INT_MAX), seenHi_(INT_MIN)
{
    const double peakToPeak = double(hi_) - lo_;
    // The same condition Of() sets from the extremes.
    timed_ = peakToPeak >= 4 && sampleRate > 0;
    if (timed_) {
        level_ = (double(hi_) + lo_) / 2;
        const double hysteresis = std::max(1.0, peakToPeak / 10);
        // For whole samples, "v < level" and "v <= level − h" as whole bounds.
        below_ = int(std::ceil(level_));
        armAt_ = int(std::floor(level_ - hysteresis));
    }
}

bool Stream::Exact() const
{
    return count_ == 0 || (seenLo_ == lo_ && seenHi_ == hi_);
}

void Stream::Add(std::span<const int16_t> block)
{
    if (block.empty())
        return;
    if (!timed_) {
        sums(block, &sum_, &squares_, &seenLo_, &seenHi_);
        count_ += block.size();
        summed_ = count_;
        return;
    }
    const size_t blockStart = count_;
    held_.insert(held_.end(), block.begin(), block.end());
    count_ += block.size();
    firstPending_ = lastPending_ = false;
    scan(count_, false);
    // Crossings found in this block take their sums before the block's own
    // are added: prefixAt counts from the samples before it.
    if (firstPending_)
        prefixAt(firstK_, &firstSum_, &firstSquares_);
    if (lastPending_ && lastK_ >= blockStart) {
        // The block summed in two parts, split where the last crossing
        // rounds to: its sums come with the block's at no extra cost.
        const size_t split = lastK_ - blockStart;
        sums(block.first(split), &sum_, &squares_, &seenLo_, &seenHi_);
        lastSum_ = sum_;
        lastSquares_ = squares_;
        sums(block.subspan(split), &sum_, &squares_, &seenLo_, &seenHi_);
    } else {
        if (lastPending_)
            prefixAt(lastK_, &lastSum_, &lastSquares_);
        sums(block, &sum_, &squares_, &seenLo_, &seenHi_);
    }
    summed_ = count_;
    // Keep what the next crossings may look back at: three samples before
    // the first one not scanned (the last crossing of all is placed on the
    // last four).
    const size_t keepFrom = next_ >= 3 ? next_ - 3 : 0;
    if (keepFrom > base_) {
        held_.erase(held_.begin(), held_.begin() + ptrdiff_t(keepFrom - base_));
        base_ = keepFrom;
    }
}

void Stream::scan(size_t total, bool final)
{
    // A crossing at i is placed on the four samples around it, i − 2 … i + 1
    // (0 … 3 near the start), so it is looked at only once they are all
    // here, or at the end.
    size_t end = total;
    if (!final)
        end = total >= 4 ? total - 1 : 0;
    const int16_t *x = held_.data();
    size_t i = next_;
    bool armed = armed_;
    const int below = below_, armAt = armAt_;
    while (i < end) {
        if (!armed) {
            // Look for the sample that arms, then for the one that crosses.
            while (i < end && x[i - base_] > armAt)
                ++i;
            if (i == end)
                break;
            armed = true;
            ++i;
        }
        while (i < end && x[i - base_] < below)
            ++i;
        if (i == end)
            break;
        armed = false;
        crossing(i, final ? total : 0);
        x = held_.data();
        ++i;
    }
    armed_ = armed;
    next_ = std::max(next_, end);
}

void Stream::crossing(size_t i, size_t total)
{
    // The same four samples Trigger::CrossingBetween would take from the
    // whole stretch: centred on the crossing, moved in at either end.
    size_t w = i >= 2 ? i - 2 : 0;
    double t;
    if (total != 0 && total < 4) {
        t = Trigger::CrossingFraction(std::span<const int16_t>(held_.data(), total - base_), i - base_, level_);
    } else {
        if (total != 0)
            w = std::min(w, total - 4);
        t = Trigger::CrossingFraction(std::span<const int16_t>(held_.data() + (w - base_), 4), i - w, level_);
    }
    const double p = double(i - 1) + t;
    const size_t k = size_t(std::lround(p));
    ++crossings_;
    if (first_ < 0) {
        first_ = p;
        firstK_ = k;
        firstPending_ = true;
    }
    last_ = p;
    lastK_ = k;
    lastPending_ = true;
}

void Stream::prefixAt(size_t k, int64_t *sum, __int128 *squares) const
{
    // sum_ holds the samples before the block being taken; while
    // finishing, every sample.
    const size_t summedTo = summed_;
    *sum = sum_;
    *squares = squares_;
    if (k >= summedTo) {
        sums(std::span<const int16_t>(held_.data() + (summedTo - base_), k - summedTo), sum, squares);
    } else {
        int64_t s = 0;
        __int128 q = 0;
        sums(std::span<const int16_t>(held_.data() + (k - base_), summedTo - k), &s, &q);
        *sum -= s;
        *squares -= q;
    }
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
    if (timed_) {
        firstPending_ = lastPending_ = false;
        scan(count_, true);
        if (firstPending_)
            prefixAt(firstK_, &firstSum_, &firstSquares_);
        if (lastPending_)
            prefixAt(lastK_, &lastSum_, &lastSquares_);
        if (crossings_ >= 2 && last_ > first_) {
            r.periods = int(crossings_ - 1);
            r.period = (last_ - first_) / double(r.periods) / rate_;
            r.frequency = 1.0 / r.period;
            // Mean and RMS over the whole periods, as Of() takes them (the
            // last crossing always lies before the last sample).
            sum = lastSum_ - firstSum_;
            squares = lastSquares_ - firstSquares_;
            n = lastK_ - firstK_;
        }
    }
    const double dn = double(n);
    r.mean = double(sum) / dn;
    r.rms = std::sqrt(double(squares) / dn);
    r.rmsAc = std::sqrt(std::max(0.0, double(squares) / dn - r.mean * r.mean));
    return r;
}

}  // namespace Measure
