// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sum, sum of squares and extremes of one channel's samples, in whole
// numbers (exact, whatever the order they are added in), fast enough that
// an hour of stereo costs less than reading it: the long-stretch
// measurements and the event index add every sample through here.
#include <climits>
#include <cstddef>
#include <cstdint>

namespace SampleSums {

struct Sums {
    int64_t sum = 0;
    __int128 squares = 0;
    int lowest = INT_MAX;
    int highest = INT_MIN;
    int64_t count = 0;
};

// Adds the n samples x[0], x[stride], … (one channel of interleaved frames).
void Add(Sums &s, const int16_t *x, size_t n, size_t stride);

}  // namespace SampleSums
