// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/eventindex.h"

#include "analysis/samplesums.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace Events {
Index::Index(const Trigger::Condition &c, double holdoffFrames)
    : condition_(c), arming_(c), holdoff_(holdoffFrames)
{
}

int16_t Index::sample(int64_t g) const
{
    if (g >= blockStart_)
        return block_[size_t(g - blockStart_) * stride_];
    return tail_[g - (blockStart_ - tailCount_)];
}

bool Index::place(int64_t i, bool final, double *position) const
{
    // The four samples Trigger::CrossingBetween takes from a whole array:
    // centred on the crossing, moved in at either end.
    int64_t w = std::max<int64_t>(i - 2, 0);
    if (w + 4 > total_ && !final)
        return false;
    int16_t window[4];
    const int64_t n = std::min<int64_t>(4, total_);
    w = std::min(w, total_ - n);
    for (int64_t k = 0; k < n; ++k)
        window[k] = sample(w + k);
    *position = double(i - 1)
                + Trigger::CrossingFraction(std::span<const int16_t>(window, size_t(n)), size_t(i - w), condition_.level);
    return true;
}

void Index::counted(double position)
{
    if (!holdoff_.Take(position))
        return;
    bounds_.push_back({position, std::llround(position)});
}

void Index::Add(const int16_t *samples, size_t frames, int channels, int channel)
{
    if (frames == 0)
        return;
    blockStart_ = total_;
    block_ = samples + channel;
    stride_ = size_t(std::max(1, channels));
    total_ += int64_t(frames);
    // Crossings found at the end of the last block, now that the samples
    // after them are here.
    double p = 0;
    while (!pending_.empty() && place(pending_.front(), false, &p)) {
        counted(p);
        pending_.pop_front();
    }
    for (size_t j = 0; j < frames; ++j) {
        j += arming_.Next(block_ + j * stride_, frames - j, stride_);
        if (j >= frames)
            break;
        const int64_t i = blockStart_ + int64_t(j);
        if (pending_.empty() && place(i, false, &p))
            counted(p);
        else
            pending_.push_back(i);
    }
    // A crossing rounds to its own sample or the one before: the last
    // sample waits for the next block, and one still to be placed holds
    // back the sample before it.
    attribute(pending_.empty() ? total_ - 1 : pending_.front() - 1);

    // The last four samples, for what comes next.
    int16_t keep[4];
    const int n = int(std::min<int64_t>(4, total_));
    for (int k = 0; k < n; ++k)
        keep[k] = sample(total_ - n + k);
    std::copy(keep, keep + n, tail_);
    tailCount_ = n;
    blockStart_ = total_;
    block_ = nullptr;
}

void Index::Finish()
{
    double p = 0;
    for (int64_t i : pending_) {
        place(i, true, &p);
        counted(p);
    }
    pending_.clear();
    attribute(total_);
    if (open_)
        close(std::numeric_limits<double>::quiet_NaN());
    open_ = false;
}

void Index::attribute(int64_t limit)
{
    for (const Bound &b : bounds_) {
        if (open_) {
            accumulate(attributed_, b.sample);
            close(b.position);
        }
        // The samples before the first event belong to no stretch.
        attributed_ = b.sample;
        open_ = true;
        current_ = Event{};
        current_.position = b.position;
        current_.minimum = INT_MAX;
        current_.maximum = INT_MIN;
        sum_ = 0;
        squares_ = 0;
    }
    bounds_.clear();
    if (limit <= attributed_)
        return;
    if (open_)
        accumulate(attributed_, limit);
    attributed_ = limit;
}

void Index::accumulate(int64_t from, int64_t to)
{
    // The few samples before the block come from the tail.
    for (; from < to && from < blockStart_; ++from) {
        const int v = sample(from);
        sum_ += v;
        squares_ += int64_t(v) * v;
        current_.minimum = std::min(current_.minimum, v);
        current_.maximum = std::max(current_.maximum, v);
        ++current_.count;
    }
    if (from >= to)
        return;
    SampleSums::Sums s;
    s.sum = sum_;
    s.squares = squares_;
    s.lowest = current_.minimum;
    s.highest = current_.maximum;
    SampleSums::Add(s, block_ + size_t(from - blockStart_) * stride_, size_t(to - from), stride_);
    sum_ = s.sum;
    squares_ = s.squares;
    current_.minimum = s.lowest;
    current_.maximum = s.highest;
    current_.count += to - from;
}

void Index::close(double next)
{
    Event &e = current_;
    e.interval = next - e.position;
    if (e.count > 0) {
        const double n = double(e.count);
        e.mean = double(sum_) / n;
        e.rms = std::sqrt(double(squares_) / n);
        e.rmsAc = std::sqrt(std::max(0.0, double(squares_) / n - e.mean * e.mean));
    } else {
        e.minimum = e.maximum = 0;
    }
    done_.push_back(e);
}

std::vector<Event> Index::Take()
{
    std::vector<Event> out;
    Take(&out);
    return out;
}

void Index::Take(std::vector<Event> *events)
{
    events->clear();
    events->swap(done_);
}

}  // namespace Events
