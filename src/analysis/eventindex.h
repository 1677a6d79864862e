// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The trigger's events over a stream too long to hold: every crossing the
// trigger counts (Trigger::Arming, placed to a fraction of a sample by
// Trigger::CrossingFraction, so the positions are the very ones a search
// over the whole array gives), each with the channel's measurements over
// the stretch from it to the next event. The samples come in blocks of
// interleaved frames, so the index of a recording of any length takes one
// pass and flat memory: only the last few samples and the events not yet
// taken are held.
#include "analysis/trigger.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <vector>

namespace Events {

struct Event {
    // Frames from the first one fed, with a fraction (as Trigger's positions).
    double position = 0;
    // Frames to the next event; NaN for the last one.
    double interval = std::numeric_limits<double>::quiet_NaN();
    // Over the event's stretch, raw units: the samples from the one the
    // event rounds to up to the one before the next event's (the last
    // event's runs to the end of what was fed).
    int64_t count = 0;
    int minimum = 0, maximum = 0;
    double mean = 0;
    double rms = 0;    // with the mean
    double rmsAc = 0;  // without it
};

class Index {
public:
    // `holdoffFrames`: a crossing that lies less than this after the last
    // event is not an event (the trigger's hold-off), and the next one must
    // arm again.
    explicit Index(const Trigger::Condition &c, double holdoffFrames = 0);

    // The next `frames` frames of `channels` interleaved samples, of which
    // `channel` is indexed.
    void Add(const int16_t *samples, size_t frames, int channels, int channel);
    // Nothing more comes: the last event's stretch ends with the last sample.
    void Finish();
    // The events whose stretch is complete, in order, that were not taken
    // before.
    std::vector<Event> Take();
    // The same into *events (emptied first); the two vectors trade their
    // room, so taking after every block allocates nothing.
    void Take(std::vector<Event> *events);
    int64_t Frames() const { return total_; }

private:
    int16_t sample(int64_t g) const;
    // The position of the crossing at sample i, once the four samples
    // around it are there (or, `final`, with what there is).
    bool place(int64_t i, bool final, double *position) const;
    void counted(double position);
    // Gives the samples up to `limit` (not included) to the stretches.
    void attribute(int64_t limit);
    void accumulate(int64_t from, int64_t to);
    void close(double next);

    Trigger::Condition condition_;
    Trigger::Arming arming_;
    Trigger::Holdoff holdoff_;

    int64_t total_ = 0;
    // The block being added: its first sample's index, where it is, its stride.
    int64_t blockStart_ = 0;
    const int16_t *block_ = nullptr;
    size_t stride_ = 1;
    // The last samples before the block (up to four).
    int16_t tail_[4] = {0, 0, 0, 0};
    int tailCount_ = 0;

    std::deque<int64_t> pending_;  // crossings waiting for the samples after them
    struct Bound {
        double position;
        int64_t sample;  // the position rounded: the stretch's first sample
    };
    std::vector<Bound> bounds_;
    int64_t attributed_ = 0;

    bool open_ = false;
    Event current_;
    int64_t sum_ = 0;
    __int128 squares_ = 0;
    std::vector<Event> done_;
};

}  // namespace Events
