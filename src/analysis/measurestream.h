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
#include "analysis/measure.h"

#include <cstdint>
#include <span>
#include <vector>

namespace Measure {

class Stream {
public:
    // `lowest` and `highest`: the extremes of the whole stretch, or a guess.
    Stream(double sampleRate, int lowest, int highest);

    void Add(std::span<const int16_t> block);
    // Whether the extremes given were those of the samples added: only then
    // is Finish() what Of() gives.
    bool Exact() const;
    int Lowest() const { return seenLo_; }
    int Highest() const { return seenHi_; }
    Readings Finish();

private:
    void scan(size_t total, bool final);
    void crossing(size_t i, size_t total);
    // Sum and sum of squares of the samples before global index k; k lies
    // in or just before the samples still held.
    void prefixAt(size_t k, int64_t *sum, __int128 *squares) const;

    double rate_;
    int lo_, hi_;
    int seenLo_, seenHi_;
    bool timed_ = false;
    double level_ = 0;
    int below_ = 0;   // a sample under this is below the level
    int armAt_ = 0;   // a sample at or under this arms the trigger
    bool armed_ = false;

    std::vector<int16_t> held_;  // the last few samples, then the block being taken
    size_t base_ = 0;            // global index of held_[0]
    size_t next_ = 0;            // global index of the first sample not scanned yet
    size_t count_ = 0;           // samples added
    size_t summed_ = 0;          // samples counted in sum_ and squares_
    int64_t sum_ = 0;            // of every sample added
    __int128 squares_ = 0;

    size_t crossings_ = 0;
    double first_ = -1, last_ = -1;
    int64_t firstSum_ = 0, lastSum_ = 0;
    __int128 firstSquares_ = 0, lastSquares_ = 0;
    size_t firstK_ = 0, lastK_ = 0;
    // Crossings found in the scan of the current block, summed after it.
    bool firstPending_ = false, lastPending_ = false;
};

}  // namespace Measure
