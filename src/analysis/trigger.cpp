// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/trigger.h"

#include "analysis/cpufeatures.h"

#include <algorithm>
#include <cmath>
#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Trigger {

std::vector<int16_t> Decode(const QByteArray &block, int channels, int channel)
{
    const auto *b = reinterpret_cast<const uint8_t *>(block.constData());
    const size_t frameBytes = size_t(2 * std::max(1, channels));
    const size_t frames = size_t(block.size()) / frameBytes;
    const size_t offset = size_t(2 * std::clamp(channel, 0, std::max(1, channels) - 1));
    std::vector<int16_t> out(frames);
    for (size_t f = 0; f < frames; ++f) {
        const uint8_t *p = b + f * frameBytes + offset;
        out[f] = int16_t(uint16_t(p[0] | (p[1] << 8)));
    }
    return out;
}

Arming::Arming(const Condition &c)
{
    const bool rising = c.slope == Slope::Rising;
    const double sign = rising ? 1.0 : -1.0;
    // In units of sign·x: on or beyond the level from ceil(level), armed at
    // or below level − hysteresis, and never on the level itself (an
    // arming sample is one below it). Levels beyond the samples' range are
    // held just outside it, where they are never reached.
    const double level = std::isnan(c.level) ? 70000.0 : std::clamp(sign * c.level, -70000.0, 70000.0);
    const double arm = level - (c.hysteresis > 0 ? std::min(c.hysteresis, 140000.0) : 0.0);
    const int cross = int(std::ceil(level));
    const int armAt = std::min(int(std::floor(arm)), cross - 1);
    // For a falling slope sign·x ≤ arm is x ≥ −arm, and so on.
    arms_.Set(rising, rising ? armAt : -armAt);
    crosses_.Set(!rising, rising ? cross : -cross);
}

namespace {

#if defined(__SSE2__)
// Which of sixteen samples in two registers pass a test, two bits a
// sample as movemask gives them, only the bits in `own`.
inline unsigned bits(uint8_t kind, bool below, __m128i edge, __m128i a, __m128i b, unsigned own)
{
    if (kind != 0)
        return kind == 1 ? 0u : own | (own << 16);
    const __m128i ha = below ? _mm_cmplt_epi16(a, edge) : _mm_cmpgt_epi16(a, edge);
    const __m128i hb = below ? _mm_cmplt_epi16(b, edge) : _mm_cmpgt_epi16(b, edge);
    return (unsigned(_mm_movemask_epi8(ha)) & own) | ((unsigned(_mm_movemask_epi8(hb)) & own) << 16);
}
#endif

}  // namespace

void Arming::Test::Set(bool isBelow, int bound)
{
    below = isBelow;
    kind = Compare;
    if (below ? bound < -32768 : bound > 32767)
        kind = Never;
    else if (below ? bound >= 32767 : bound <= -32768)
        kind = Always;
    else
        edge = int16_t(below ? bound + 1 : bound - 1);  // x ≤ b is x < b + 1
}

#if defined(__x86_64__)
namespace {

inline __attribute__((target("avx2"))) uint64_t bits256(const Arming::Test &t, __m256i edge, __m256i a, __m256i b,
                                                       uint64_t own)
{
    if (t.kind != Arming::Test::Compare)
        return t.kind == Arming::Test::Never ? 0u : own;
    const __m256i ha = t.below ? _mm256_cmpgt_epi16(edge, a) : _mm256_cmpgt_epi16(a, edge);
    const __m256i hb = t.below ? _mm256_cmpgt_epi16(edge, b) : _mm256_cmpgt_epi16(b, edge);
    return (uint64_t(uint32_t(_mm256_movemask_epi8(ha))) | uint64_t(uint32_t(_mm256_movemask_epi8(hb))) << 32) & own;
}

// Next() thirty-two samples at a time in two registers, where the processor
// has AVX2 (the rest of the program is built for any x86-64): true with the
// crossing's index, or false with how far it got.
template <size_t Stride>
__attribute__((target("avx2"))) bool wideSearch(const Arming::Test &arms, const Arming::Test &crosses, bool &armed,
                                                const int16_t *x, size_t n, size_t *at)
{
    constexpr uint64_t own = Stride == 1 ? ~uint64_t(0) : 0x3333333333333333u;
    constexpr size_t step = 32 / Stride;
    constexpr unsigned bitsPerFrame = 2 * Stride;
    const __m256i armEdge = _mm256_set1_epi16(arms.edge), crossEdge = _mm256_set1_epi16(crosses.edge);
    size_t i = 0;
    // The last sample read lies Stride − 1 past the last frame's own.
    for (; i + step + (Stride - 1) <= n; i += step) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + i * Stride));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + i * Stride + 16));
        unsigned from = 0;
        if (!armed) {
            const uint64_t m = bits256(arms, armEdge, a, b, own);
            if (!m)
                continue;
            from = unsigned(__builtin_ctzll(m)) / bitsPerFrame * bitsPerFrame + bitsPerFrame;
            armed = true;
            if (from >= 64)
                continue;
        }
        const uint64_t m = bits256(crosses, crossEdge, a, b, own) & (~uint64_t(0) << from);
        if (!m)
            continue;
        armed = false;
        *at = i + unsigned(__builtin_ctzll(m)) / bitsPerFrame;
        return true;
    }
    *at = i;
    return false;
}

}  // namespace
#endif

size_t Arming::Next(const int16_t *x, size_t n, size_t stride)
{
    size_t i = 0;
#if defined(__x86_64__)
    if (stride <= 2 && Cpu::HasAvx2()) {
        if (stride == 1 ? wideSearch<1>(arms_, crosses_, armed_, x, n, &i)
                        : wideSearch<2>(arms_, crosses_, armed_, x, n, &i))
            return i;
    }
#endif
    switch (stride) {
    case 1: return i + next<1>(x + i, n - i, 1);
    case 2: return i + next<2>(x + 2 * i, n - i, 2);
    default: return next<0>(x, n, stride);
    }
}

template <size_t Stride>
size_t Arming::next(const int16_t *x, size_t n, size_t stride)
{
    size_t i = 0;
#if defined(__SSE2__)
    if constexpr (Stride == 1 || Stride == 2) {
        // Sixteen samples at a time (of one channel of two, eight): the
        // samples that arm and those that cross as bits, the rule walked
        // along them. Of two channels, movemask's bits of the first's.
        constexpr unsigned own = Stride == 1 ? 0xFFFFu : 0x3333u;
        constexpr size_t step = 16 / Stride;
        constexpr unsigned bitsPerFrame = 2 * Stride;
        const __m128i armEdge = _mm_set1_epi16(arms_.edge), crossEdge = _mm_set1_epi16(crosses_.edge);
        // The last sample read lies Stride − 1 past the last frame's own.
        for (; i + step + (Stride - 1) <= n; i += step) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(x + i * Stride));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(x + i * Stride + 8));
            unsigned from = 0;  // the bits before it are behind the rule
            if (!armed_) {
                const unsigned m = bits(arms_.kind, arms_.below, armEdge, a, b, own);
                if (!m)
                    continue;
                // An arming sample lies below the level: the search goes on after it.
                from = unsigned(__builtin_ctz(m)) / bitsPerFrame * bitsPerFrame + bitsPerFrame;
                armed_ = true;
                if (from >= 32)
                    continue;
            }
            const unsigned m = bits(crosses_.kind, crosses_.below, crossEdge, a, b, own) & (~0u << from);
            if (!m)
                continue;
            armed_ = false;
            return i + unsigned(__builtin_ctz(m)) / bitsPerFrame;
        }
    }
#endif
    for (; i < n; ++i) {
        const int16_t v = x[i * (Stride ? Stride : stride)];
        if (!armed_) {
            armed_ = arms_.Holds(v);
            continue;  // an arming sample is no crossing
        }
        if (crosses_.Holds(v)) {
            armed_ = false;
            return i;
        }
    }
    return n;
}

double CrossingBetween(std::span<const int16_t> x, size_t i, double level)
{
    return double(i - 1) + CrossingFraction(x, i, level);
}

double CrossingFraction(std::span<const int16_t> x, size_t i, double level)
{
    const double y0 = x[i - 1], y1 = x[i];
    double t = y1 == y0 ? 0.0 : (level - y0) / (y1 - y0);
    t = std::clamp(t, 0.0, 1.0);
    if (x.size() < 4)
        return t;
    // The cubic through four neighbouring samples x[w..w+3], centred on the
    // crossing where the array allows; its nodes at s = -1, 0, 1, 2, so the
    // crossing lies in s = o .. o + 1. A few Newton steps from the
    // straight-line estimate.
    const size_t w = std::min(i >= 2 ? i - 2 : 0, x.size() - 4);
    const double o = double(i) - 2 - double(w);
    const double ym = x[w], ya = x[w + 1], yb = x[w + 2], yc = x[w + 3];
    const double a = ya;
    const double b = -ym / 3 - ya / 2 + yb - yc / 6;
    const double c = ym / 2 - ya + yb / 2;
    const double d = -ym / 6 + ya / 2 - yb / 2 + yc / 6;
    double s = o + t;
    for (int k = 0; k < 4; ++k) {
        const double p = a + s * (b + s * (c + s * d)) - level;
        const double dp = b + s * (2 * c + s * 3 * d);
        if (dp == 0)
            break;
        s -= p / dp;
    }
    // A cubic bent away from the two samples (a spike beside the crossing)
    // is not trusted: keep the straight line then.
    if (std::isfinite(s) && s >= o && s <= o + 1)
        t = s - o;
    return t;
}

std::optional<double> FindNext(std::span<const int16_t> x, const Condition &c, double after)
{
    const double firstSample = std::floor(after) + 1;
    if (firstSample >= double(x.size()))
        return std::nullopt;
    std::optional<double> found;
    detail::Scan(x, c, size_t(std::max(0.0, firstSample)), [&](double p) {
        if (p <= after)
            return false;
        found = p;
        return true;
    });
    return found;
}

std::optional<double> FindPrevious(std::span<const int16_t> x, const Condition &c, double before)
{
    if (x.size() < 2 || before <= 0)
        return std::nullopt;
    const double sign = c.slope == Slope::Rising ? 1.0 : -1.0;
    const double level = sign * c.level;
    const double arm = level - (c.hysteresis > 0 ? c.hysteresis : 0.0);
    // Backwards: a crossing counted when the signal armed before it with no
    // other crossing between, so the first arming sample met decides, and
    // the crossing it arms is the earliest one met since.
    std::optional<double> pending;
    const size_t top = size_t(std::min(double(x.size() - 1), std::ceil(before)));
    for (size_t i = top + 1; i-- > 0;) {
        const double v = sign * x[i];
        if (v < level) {
            if (v <= arm && double(i) < before && pending)
                return pending;
        } else if (i > 0 && sign * x[i - 1] < level) {
            const double p = CrossingBetween(x, i, c.level);
            if (p < before)
                pending = p;
        }
    }
    return std::nullopt;
}

double FramesBefore(Place place, double screenFrames)
{
    switch (place) {
    case Place::LeftEdge: return 0;
    case Place::OneDivision: return screenFrames / 10.0;
    case Place::Centre: return screenFrames / 2.0;
    }
    return 0;
}

std::optional<double> PlaceScreen(std::span<const int16_t> x, const Condition &c, double framesBefore,
                                  int32_t screenFrames, int32_t spareFrames)
{
    // The screen must start inside x and end (with its spare frames) inside it.
    const double latestStart = double(x.size()) - double(screenFrames) - double(spareFrames) - 1;
    if (latestStart < 0)
        return std::nullopt;
    std::optional<double> start;
    detail::Scan(x, c, 0, [&](double p) {
        const double s = p - framesBefore;
        if (s > latestStart)
            return true;
        if (s >= 0) {
            start = s;
            return true;
        }
        return false;
    });
    return start;
}

std::optional<double> PlaceLatestScreen(std::span<const int16_t> x, const Condition &c, double framesBefore,
                                        int32_t screenFrames, int32_t spareFrames)
{
    const double latestStart = double(x.size()) - double(screenFrames) - double(spareFrames) - 1;
    if (latestStart < 0)
        return std::nullopt;
    // FindPrevious takes only crossings strictly before its bound; the
    // bound nudged up lets a trigger exactly at the latest start count.
    const double bound = latestStart + framesBefore;
    const auto p = FindPrevious(x, c, std::nextafter(bound, bound + 1));
    if (!p || *p - framesBefore < 0)
        return std::nullopt;
    return *p - framesBefore;
}

std::vector<double> StreamEvents::Examine(std::span<const int16_t> x, int64_t xStart, const Condition &c,
                                         double framesBefore, int32_t screenFrames, int32_t spareFrames)
{
    std::vector<double> taken;
    const double latestStart = double(x.size()) - double(screenFrames) - double(spareFrames) - 1;
    if (latestStart < 0)
        return taken;
    // As far as a screen fits now; what lies beyond is the next stretch's.
    const double limit = double(xStart) + latestStart + framesBefore;
    const double earliest = double(xStart) + framesBefore;
    const double from = examined_;
    detail::Scan(x, c, 0, [&](double p) {
        const double s = double(xStart) + p;
        if (s > limit)
            return true;
        // Too early for its screen: only at the very start of a stream,
        // whose stretches overlap by a screen otherwise.
        if (s > from && s >= earliest && holdoff_.Take(s))
            taken.push_back(s);
        return false;
    });
    examined_ = std::max(examined_, limit);
    return taken;
}

int64_t LiveSearchFrames(int32_t screenFrames, double framesBefore, int32_t spareFrames, int32_t sampleRate,
                         int64_t framesSince)
{
    const int64_t slowest = 2 * int64_t(std::max(0, sampleRate)) / kSlowestHz;
    const int64_t where = std::max({2 * int64_t(screenFrames), slowest, framesSince});
    return where + int64_t(std::ceil(framesBefore)) + screenFrames + spareFrames + 1;
}

ScreenStart SplitStart(double start, bool everyFrameDrawn)
{
    const double whole = std::floor(start);
    const double fraction = start - whole;
    ScreenStart s;
    s.frame = int64_t(whole);
    s.shifted = everyFrameDrawn;
    if (everyFrameDrawn)
        s.shiftFrames = fraction;
    else if (fraction >= 0.5)
        s.frame += 1;
    return s;
}

AlignedStart AlignStart(double start, int frameBytes, int alignBytes, bool everyFrameDrawn)
{
    AlignedStart a;
    if (!(start > 0) || frameBytes <= 0 || alignBytes <= 0)
        return a;
    const double bytes = start * frameBytes;
    const double steps = everyFrameDrawn ? std::floor(bytes / alignBytes) : std::round(bytes / alignBytes);
    a.offsetBytes = int64_t(steps) * alignBytes;
    if (everyFrameDrawn)
        a.shiftFrames = std::max(0.0, start - double(a.offsetBytes) / frameBytes);
    return a;
}

void ShiftLeft(std::vector<int32_t> &buf, double by)
{
    if (buf.empty() || !(by > 0))
        return;
    const size_t n = buf.size();
    const size_t m = size_t(std::floor(by));
    const double f = by - double(m);
    for (size_t i = 0; i < n; ++i) {
        const size_t j = i + m;
        if (j + 1 < n)
            buf[i] = int32_t(std::lround(buf[j] + f * (double(buf[j + 1]) - buf[j])));
        else
            buf[i] = buf[std::min(j, n - 1)];
    }
}

}  // namespace Trigger
