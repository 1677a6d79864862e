// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/envelope.h"

#include "analysis/cpufeatures.h"

#include <algorithm>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace Envelope {
namespace {

void addScalar(const int16_t *x, size_t frames, int channels, Extremes *e)
{
    if (channels == 2) {
        // The common case, kept apart so the compiler keeps both channels in registers.
        int lo0 = e[0].lo, hi0 = e[0].hi, lo1 = e[1].lo, hi1 = e[1].hi;
        for (size_t i = 0; i < frames; ++i) {
            const int a = x[2 * i], b = x[2 * i + 1];
            lo0 = std::min(lo0, a);
            hi0 = std::max(hi0, a);
            lo1 = std::min(lo1, b);
            hi1 = std::max(hi1, b);
        }
        e[0] = {int16_t(lo0), int16_t(hi0)};
        e[1] = {int16_t(lo1), int16_t(hi1)};
        return;
    }
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const int16_t v = x[i * size_t(channels) + size_t(c)];
            e[c].lo = std::min(e[c].lo, v);
            e[c].hi = std::max(e[c].hi, v);
        }
}

// `count` whole buckets of `bucket` frames into out[0 .. count × channels).
void wholeScalar(const int16_t *x, size_t count, int bucket, int channels, Extremes *out)
{
    for (size_t b = 0; b < count; ++b) {
        Extremes *e = out + b * size_t(channels);
        std::fill(e, e + channels, Extremes{});
        addScalar(x + b * size_t(bucket) * size_t(channels), size_t(bucket), channels, e);
    }
}

#if defined(__x86_64__) || defined(__i386__)
// Sixteen samples a register where the processor has AVX2 (the program is
// built for any x86-64): a bucket is a whole number of registers, and of
// two interleaved channels the even lanes are the first's. The halves are
// folded onto each other in steps that keep that parity.
__attribute__((target("avx2"))) void wholeVector(const int16_t *x, size_t count, int bucket, int channels,
                                                 Extremes *out)
{
    const size_t registers = size_t(bucket) * size_t(channels) / 16;
    for (size_t b = 0; b < count; ++b) {
        const auto *p = reinterpret_cast<const __m256i *>(x + b * registers * 16);
        __m256i lo = _mm256_loadu_si256(p), hi = lo;
        // Four registers a round: the loads run ahead of the compares.
        size_t r = 1;
        for (; r + 4 <= registers; r += 4) {
            const __m256i a = _mm256_loadu_si256(p + r), c = _mm256_loadu_si256(p + r + 1);
            const __m256i d = _mm256_loadu_si256(p + r + 2), f = _mm256_loadu_si256(p + r + 3);
            lo = _mm256_min_epi16(lo, _mm256_min_epi16(_mm256_min_epi16(a, c), _mm256_min_epi16(d, f)));
            hi = _mm256_max_epi16(hi, _mm256_max_epi16(_mm256_max_epi16(a, c), _mm256_max_epi16(d, f)));
        }
        for (; r < registers; ++r) {
            const __m256i a = _mm256_loadu_si256(p + r);
            lo = _mm256_min_epi16(lo, a);
            hi = _mm256_max_epi16(hi, a);
        }
        __m128i l = _mm_min_epi16(_mm256_castsi256_si128(lo), _mm256_extracti128_si256(lo, 1));
        __m128i h = _mm_max_epi16(_mm256_castsi256_si128(hi), _mm256_extracti128_si256(hi, 1));
        l = _mm_min_epi16(l, _mm_srli_si128(l, 8));
        h = _mm_max_epi16(h, _mm_srli_si128(h, 8));
        l = _mm_min_epi16(l, _mm_srli_si128(l, 4));
        h = _mm_max_epi16(h, _mm_srli_si128(h, 4));
        Extremes *e = out + b * size_t(channels);
        if (channels == 1) {
            l = _mm_min_epi16(l, _mm_srli_si128(l, 2));
            h = _mm_max_epi16(h, _mm_srli_si128(h, 2));
            e[0] = {int16_t(_mm_extract_epi16(l, 0)), int16_t(_mm_extract_epi16(h, 0))};
        } else {
            e[0] = {int16_t(_mm_extract_epi16(l, 0)), int16_t(_mm_extract_epi16(h, 0))};
            e[1] = {int16_t(_mm_extract_epi16(l, 1)), int16_t(_mm_extract_epi16(h, 1))};
        }
    }
}

#endif

void whole(const int16_t *x, size_t count, int bucket, int channels, Extremes *out)
{
#if defined(__x86_64__) || defined(__i386__)
    if ((channels == 1 || channels == 2) && bucket % 16 == 0 && Cpu::HasAvx2()) {
        wholeVector(x, count, bucket, channels, out);
        return;
    }
#endif
    wholeScalar(x, count, bucket, channels, out);
}

// Pairs of `from` (per entry `channels` Extremes) merged into one; an odd
// last entry stands alone.
std::vector<Extremes> merged(const std::vector<Extremes> &from, int channels)
{
    const size_t n = from.size() / size_t(channels);
    std::vector<Extremes> to(((n + 1) / 2) * size_t(channels));
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
            to[(i / 2) * size_t(channels) + size_t(c)].Merge(from[i * size_t(channels) + size_t(c)]);
    return to;
}

}  // namespace

int BucketFramesFor(int64_t frames)
{
    int64_t bucket = kMinBucketFrames;
    while (bucket < (int64_t(1) << 30) && (frames + bucket - 1) / bucket > kMaxBuckets)
        bucket *= 2;
    return int(bucket);
}

Levels::Levels(int channels, int bucketFrames)
    : channels_(std::clamp(channels, 1, kMaxChannels)), bucketFrames_(std::max(1, bucketFrames)), levels_(1)
{
}

void Levels::mergeLevels()
{
    levels_.resize(1);
    while (levels_.back().size() > size_t(channels_))
        levels_.push_back(merged(levels_.back(), channels_));
}

void Levels::SetBase(std::vector<Extremes> base, int64_t frames)
{
    levels_.assign(1, std::move(base));
    frames_ = frames;
    mergeLevels();
}

Extremes Levels::Over(int channel, int64_t from, int64_t to) const
{
    Extremes e;
    if (levels_.empty() || channel < 0 || channel >= channels_)
        return e;
    from = std::max<int64_t>(from, 0);
    to = std::min(to, frames_);
    if (from >= to)
        return e;
    // Buckets [i, j) of the base; up the levels, an odd bucket at either
    // end has no partner inside the stretch and is taken as it is.
    int64_t i = from / bucketFrames_;
    int64_t j = std::min((to + bucketFrames_ - 1) / bucketFrames_, Buckets());
    for (size_t level = 0; i < j && level < levels_.size(); ++level) {
        const std::vector<Extremes> &l = levels_[level];
        if (i & 1)
            e.Merge(l[size_t(i++) * size_t(channels_) + size_t(channel)]);
        if (j & 1)
            e.Merge(l[size_t(--j) * size_t(channels_) + size_t(channel)]);
        i /= 2;
        j /= 2;
    }
    return e;
}

void Levels::Columns(int channel, int64_t from, int64_t to, int count, Extremes *out) const
{
    if (count <= 0)
        return;
    const double step = double(to - from) / count;
    int64_t a = from;
    for (int k = 0; k < count; ++k) {
        const int64_t b = k + 1 == count ? to : from + int64_t(step * (k + 1));
        out[k] = Over(channel, a, std::max(b, a + 1));
        a = b;
    }
}

Builder::Builder(int channels, int bucketFrames, int64_t maxBuckets)
    : out_(channels, bucketFrames), maxBuckets_(std::max<int64_t>(2, maxBuckets))
{
}

void Builder::halveIfFull()
{
    // A recording that runs on past what its buckets were chosen for: every
    // two buckets become one twice as long, so memory stays bounded.
    if (out_.Buckets() < 2 * maxBuckets_)
        return;
    out_.levels_[0] = merged(out_.levels_[0], out_.channels_);
    out_.bucketFrames_ *= 2;
}

void Builder::Add(const int16_t *samples, size_t frames)
{
    const int channels = out_.channels_;
    std::vector<Extremes> &base = out_.levels_[0];
    while (frames > 0) {
        const int bucket = out_.bucketFrames_;
        size_t done;
        if (inBucket_ > 0 || frames < size_t(bucket)) {
            done = std::min(frames, size_t(bucket - inBucket_));
            addScalar(samples, done, channels, partial_);
            inBucket_ += int(done);
            if (inBucket_ == bucket) {
                base.insert(base.end(), partial_, partial_ + channels);
                std::fill(partial_, partial_ + channels, Extremes{});
                inBucket_ = 0;
            }
        } else {
            const size_t count =
                std::min<size_t>(frames / size_t(bucket), size_t(2 * maxBuckets_ - out_.Buckets()));
            const size_t at = base.size();
            base.resize(at + count * size_t(channels));
            whole(samples, count, bucket, channels, base.data() + at);
            done = count * size_t(bucket);
        }
        samples += done * size_t(channels);
        frames -= done;
        out_.frames_ += int64_t(done);
        halveIfFull();
    }
}

Levels Builder::Finish() const
{
    Levels l = out_;
    if (inBucket_ > 0)
        l.levels_[0].insert(l.levels_[0].end(), partial_, partial_ + l.channels_);
    l.mergeLevels();
    return l;
}

}  // namespace Envelope
