// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The overview of a whole recording: per channel the lowest and highest
// sample of every bucket of frames, built from interleaved 16-bit blocks
// of any length as they are read (or recorded), in memory that does not
// grow with the recording past a bound: the bucket is a power of two of
// frames, chosen so that a recording of any length has at most kMaxBuckets.
// Coarser levels (buckets of 2, 4, 8 … base buckets) are merged from the
// base, so the extremes of any stretch cost a few lookups, whatever its
// length: a strip of a few hundred columns over ten hours draws at once.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Envelope {

constexpr int kMinBucketFrames = 64;
constexpr int64_t kMaxBuckets = int64_t(1) << 19;
constexpr int kMaxChannels = 8;

// The bucket for a recording of `frames`: the smallest power of two (at
// least kMinBucketFrames) that keeps it within kMaxBuckets.
int BucketFramesFor(int64_t frames);

struct Extremes {
    int16_t lo = INT16_MAX;
    int16_t hi = INT16_MIN;
    bool Empty() const { return lo > hi; }
    void Merge(const Extremes &e)
    {
        lo = lo < e.lo ? lo : e.lo;
        hi = hi > e.hi ? hi : e.hi;
    }
    bool operator==(const Extremes &) const = default;
};

class Levels {
public:
    Levels() = default;
    Levels(int channels, int bucketFrames);

    int Channels() const { return channels_; }
    int BucketFrames() const { return bucketFrames_; }
    int64_t Frames() const { return frames_; }
    // Base buckets; the last one may hold fewer frames.
    int64_t Buckets() const { return levels_.empty() ? 0 : int64_t(levels_[0].size()) / channels_; }
    // The base, bucket by bucket, channel by channel.
    const std::vector<Extremes> &Base() const { return levels_[0]; }

    // Channel `channel` over frames [from, to), at the base buckets'
    // resolution: every bucket the stretch touches counts whole. Empty
    // outside the frames held.
    Extremes Over(int channel, int64_t from, int64_t to) const;
    // The stretch [from, to) cut into `count` equal columns, one Extremes each.
    void Columns(int channel, int64_t from, int64_t to, int count, Extremes *out) const;

    // Takes a base read back from elsewhere (a cache file): `base` holds
    // Channels() entries per bucket; the coarser levels are merged anew.
    void SetBase(std::vector<Extremes> base, int64_t frames);

private:
    friend class Builder;
    void mergeLevels();
    int channels_ = 0;
    int bucketFrames_ = 0;
    int64_t frames_ = 0;
    std::vector<std::vector<Extremes>> levels_;
};

// Adds frames in blocks cut anywhere; what a block leaves of a bucket is
// carried to the next one.
class Builder {
public:
    // Past 2 × maxBuckets (a recording longer than it was sized for) the
    // buckets double in length.
    Builder(int channels, int bucketFrames, int64_t maxBuckets = kMaxBuckets);
    // `frames` interleaved frames of Channels() samples.
    void Add(const int16_t *samples, size_t frames);
    int64_t Frames() const { return out_.frames_; }
    int Channels() const { return out_.channels_; }
    // The levels of everything added (a last bucket not yet full included).
    Levels Finish() const;

private:
    void halveIfFull();
    Levels out_;
    int64_t maxBuckets_;
    Extremes partial_[kMaxChannels];
    int inBucket_ = 0;  // frames of the bucket being filled
};

}  // namespace Envelope
