// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The readout strip's measurements over a stretch too long to hold: the
// samples of one channel come in blocks, and the result is what Measure::Of
// gives over the whole stretch at once, to the last bit.
//
// The frequency is timed at the level midway between the stretch's
// extremes, so they must be known before the first block: from a pass of
// their own, or guessed (from the start of a file, say) and checked with
// Exact() at the end. A steady signal then needs one pass; anything whose
// extremes come later needs a second with the extremes the first found.
//
// Only the first and the last crossing are placed to a fraction of a
// sample (the others are only counted), and each block is gone through
// twice, once for its crossings and once for its sums, straight from the
// caller's frames: an hour of samples costs about as much as reading it.
#include "analysis/measure.h"
#include "analysis/trigger.h"

#include <cstdint>
#include <span>

namespace Measure {

class Stream {
public:
    // `lowest` and `highest`: the extremes of the whole stretch, or a guess.
    Stream(double sampleRate, int lowest, int highest);

    void Add(std::span<const int16_t> block) { Add(block.data(), block.size(), 1); }
    // The n samples x[0], x[stride], …: one channel of interleaved frames.
    void Add(const int16_t *x, size_t n, size_t stride);
    // Whether the extremes given were those of the samples added: only then
    // is Finish() what Of() gives.
    bool Exact() const;
    int Lowest() const { return seenLo_; }
    int Highest() const { return seenHi_; }
    Readings Finish();

private:
    // A crossing at sample i, to be placed once the samples around it are
    // all here (or at the end): the four samples from max(i − 2, 0) on, and
    // the sums of the samples before i − 1, the sample it rounds to or
    // after which it does.
    struct Crossing {
        size_t i = 0;
        int16_t window[4] = {0, 0, 0, 0};
        int have = 0;  // window samples gathered
        int64_t sumBefore = 0;
        __int128 squaresBefore = 0;
        int16_t previous = 0;  // sample i − 1
    };
    template <size_t Stride>
    void add(const int16_t *x, size_t n, size_t stride);
    int16_t at(size_t g, const int16_t *x, size_t stride) const;
    void gather(Crossing &c, const int16_t *x, size_t stride) const;
    // Its position, and the sums up to the sample it rounds to.
    double place(const Crossing &c, int64_t *sum, __int128 *squares) const;

    double rate_;
    int lo_, hi_;
    int seenLo_, seenHi_;
    bool timed_ = false;
    double level_ = 0;
    Trigger::Arming arming_;

    size_t count_ = 0;  // samples added
    int64_t sum_ = 0;   // of every sample added
    __int128 squares_ = 0;
    // While a block is added: its first sample's index.
    size_t blockStart_ = 0;
    // The last samples before it (up to four).
    int16_t tail_[4] = {0, 0, 0, 0};
    int tailCount_ = 0;

    size_t crossings_ = 0;
    Crossing first_, last_;
};

}  // namespace Measure
