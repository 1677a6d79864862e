// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/trigger.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
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

Arming::Arming(const Condition &c) : sign_(c.slope == Slope::Rising ? 1 : -1)
{
    // In units of sign·x: on or beyond the level from ceil(level), armed at
    // or below level − hysteresis, and never on the level itself (an
    // arming sample is one below it). Levels beyond the samples' range are
    // held just outside it, where they are never reached.
    const double level = std::isnan(c.level) ? 70000.0 : std::clamp(sign_ * c.level, -70000.0, 70000.0);
    const double arm = level - (c.hysteresis > 0 ? std::min(c.hysteresis, 140000.0) : 0.0);
    cross_ = int(std::ceil(level));
    arm_ = std::min(int(std::floor(arm)), cross_ - 1);
}

namespace {

// The first of the n samples x[0], x[stride], … that lies at or below
// `bound` (Below) or at or above it; n when none does. Most samples are
// not the one, so for one channel, or one of two, the samples are compared
// sixteen at a time while none is.
template <bool Below, size_t Stride>
size_t firstBeyond(const int16_t *x, size_t n, size_t stride, int bound)
{
    if (Below ? bound < -32768 : bound > 32767)
        return n;
    if (Below ? bound >= 32767 : bound <= -32768)
        return 0;
    const int16_t b = int16_t(bound);
    size_t i = 0;
#if defined(__SSE2__)
    if constexpr (Stride == 1 || Stride == 2) {
        // x ≤ b is x < b + 1, x ≥ b is x > b − 1: both bounds fit 16 bits here.
        const __m128i edge = _mm_set1_epi16(int16_t(Below ? b + 1 : b - 1));
        // movemask gives two bits a sample; of two channels, the first's.
        constexpr unsigned own = Stride == 1 ? 0xFFFFu : 0x3333u;
        constexpr size_t step = 16 / Stride;  // samples of this channel in two registers
        auto hits = [&](const int16_t *at) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + 8));
            const __m128i ha = Below ? _mm_cmplt_epi16(a, edge) : _mm_cmpgt_epi16(a, edge);
            const __m128i hc = Below ? _mm_cmplt_epi16(c, edge) : _mm_cmpgt_epi16(c, edge);
            return (unsigned(_mm_movemask_epi8(ha)) & own) | ((unsigned(_mm_movemask_epi8(hc)) & own) << 16);
        };
        // The last sample read lies Stride − 1 past the last frame's own.
        for (; i + step + (Stride - 1) <= n; i += step) {
            if (const unsigned m = hits(x + i * Stride))
                return i + size_t(__builtin_ctz(m)) / (2 * Stride);
        }
    }
#endif
    for (; i < n; ++i) {
        const int16_t v = x[i * (Stride ? Stride : stride)];
        if (Below ? v <= b : v >= b)
            return i;
    }
    return n;
}

}  // namespace

size_t Arming::Next(const int16_t *x, size_t n, size_t stride)
{
    switch (stride) {
    case 1: return next<1>(x, n, 1);
    case 2: return next<2>(x, n, 2);
    default: return next<0>(x, n, stride);
    }
}

template <size_t Stride>
size_t Arming::next(const int16_t *x, size_t n, size_t stride)
{
    // For a falling slope sign·x ≤ arm is x ≥ −arm, and so on.
    const bool rising = sign_ > 0;
    auto armsAt = [&](size_t from) {
        return from + (rising ? firstBeyond<true, Stride>(x + from * stride, n - from, stride, arm_)
                              : firstBeyond<false, Stride>(x + from * stride, n - from, stride, -arm_));
    };
    auto crossesAt = [&](size_t from) {
        return from + (rising ? firstBeyond<false, Stride>(x + from * stride, n - from, stride, cross_)
                              : firstBeyond<true, Stride>(x + from * stride, n - from, stride, -cross_));
    };
    size_t i = 0;
    while (i < n) {
        if (!armed_) {
            i = armsAt(i);
            if (i >= n)
                break;
            armed_ = true;
            ++i;  // an arming sample lies below the level: no crossing
        }
        i = crossesAt(i);
        if (i >= n)
            break;
        armed_ = false;
        return i;
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
