// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/tracebuffers.h"

#include "analysis/trigger.h"
#include "display/byte2.h"
#include "platform/errors.h"
#include "platform/vbrt.h"

#include <algorithm>

namespace Traces {
namespace {

// The sample whose low byte is at 1-based position i of the block.
inline int32_t sampleAt(const QByteArray &block, int32_t i)
{
    const auto *b = reinterpret_cast<const uint8_t *>(block.constData());
    return Byte2::BytesToSample(b[i - 1], b[i]);
}

inline void store(std::vector<int32_t> &buf, int64_t index, int32_t value)
{
    if (index < 0 || index >= int64_t(buf.size()))
        RaiseError(Err::SubscriptOutOfRange);
    buf[size_t(index)] = value;
}

void decimate(const QByteArray &block, int32_t first, int32_t last, int32_t step, int16_t group,
              std::vector<int32_t> &buf)
{
    int32_t highest = sampleAt(block, first), lowest = highest;
    int counter = 0;
    int64_t index = -2;
    for (int32_t i = first; i <= last; i += step) {
        ++counter;
        const int32_t v = sampleAt(block, i);
        if (counter == group) {
            index += 2;
            store(buf, index, highest);
            store(buf, index + 1, lowest);
            counter = 0;
            highest = lowest = v;
        }
        highest = std::max(highest, v);
        lowest = std::min(lowest, v);
    }
}

// Stores successive samples at slotCount 0, k, 2k, ...; returns how many.
int32_t spread(const QByteArray &block, int32_t first, int32_t last, int32_t step, int k,
               std::vector<int32_t> &buf)
{
    int32_t n = 0;
    for (int32_t i = first; i <= last; i += step, ++n)
        store(buf, int64_t(n) * k, sampleAt(block, i));
    return n;
}

}  // namespace

Plan PlanFor(int32_t wordCount, int channels, int32_t sampleRate, int screensPerSecond)
{
    Plan p;
    const double perFrame = double(wordCount) / channels;
    const int w = screensPerSecond;
    if (wordCount > double(channels) * sampleRate / 30) {
        p.mode = Mode::Decimation;
        p.groupFrames = vb::CInt(wordCount / (double(channels) * sampleRate / 30));
        if (p.groupFrames <= 0)
            RaiseError(Err::DivisionByZero);
        const double pairs = 2.0 * wordCount / (double(channels) * p.groupFrames);
        p.pointCount = vb::CInt(pairs - 3);
        p.upperBound = vb::CLng(pairs);
    } else if (w < 200 || (w != 200 && w != 500 && w != 1000 && w != 2000)) {
        p.mode = Mode::Direct;
        p.pointCount = vb::CInt(perFrame - 1);
        p.upperBound = vb::CLng(perFrame);
    } else {
        p.mode = Mode::Upsample;
        p.factor = w == 200 ? 2 : w == 500 ? 3 : w == 1000 ? 5 : 9;
        p.upperBound = vb::CLng(perFrame + (perFrame - 1) * (p.factor - 1) - 1);
        p.pointCount = vb::Check16(p.upperBound);
    }
    return p;
}

void Build(const Plan &plan, const QByteArray &block, int channels, ScopeState &st)
{
    st.PointCount = 0;
    st.Decimated = false;
    st.BufferShiftFrames = 0;
    st.MeanRemoved[0] = st.MeanRemoved[1] = 0;
    const int32_t lb = int32_t(block.size());
    const int32_t l = channels == 2 ? lb - 2 : lb;
    const int32_t step = 2 * channels;
    const size_t slotCount = size_t(std::max<int32_t>(0, plan.upperBound)) + 1;

    if (lb == 0) {
        // Nothing left to show (the view is at the very end of the file).
        st.LeftBuffer.assign(1, 0);
        st.RightBuffer.assign(channels == 2 ? 1 : 0, 0);
        st.Decimated = plan.mode == Mode::Decimation;
        return;
    }

    st.LeftBuffer.assign(slotCount, 0);
    st.RightBuffer.assign(channels == 2 ? slotCount : 0, 0);

    switch (plan.mode) {
    case Mode::Decimation:
        st.Decimated = true;
        if (lb > 4) {
            decimate(block, 1, l - 2, step, plan.groupFrames, st.LeftBuffer);
            if (channels == 2)
                decimate(block, 3, lb - 1, 4, plan.groupFrames, st.RightBuffer);
        }
        break;
    case Mode::Direct:
        spread(block, 1, l - 1, step, 1, st.LeftBuffer);
        if (channels == 2)
            spread(block, 3, lb - 1, 4, 1, st.RightBuffer);
        break;
    case Mode::Upsample: {
        const int k = plan.factor;
        const int32_t knownLeft = spread(block, 1, l - 1, step, k, st.LeftBuffer);
        Interpolate(st.LeftBuffer, k, plan.upperBound, knownLeft);
        if (channels == 2) {
            const int32_t knownRight = spread(block, 3, lb - 1, 4, k, st.RightBuffer);
            Interpolate(st.RightBuffer, k, plan.upperBound, knownRight);
        }
        break;
    }
    }
    st.PointCount = std::max<int16_t>(0, plan.pointCount);
}

void BuildPoints(const Plan &plan, std::span<const int32_t> frames, std::vector<int32_t> &buf)
{
    const int64_t n = int64_t(frames.size());
    if (n == 0) {
        buf.assign(1, 0);
        return;
    }
    buf.assign(size_t(std::max<int32_t>(0, plan.upperBound)) + 1, 0);
    const int64_t slotCount = int64_t(buf.size());
    switch (plan.mode) {
    case Mode::Decimation: {
        // Build's first channel: groups over all frames but the last, the
        // first group one frame short.
        if (n < 3)
            break;
        int32_t highest = frames[0], lowest = highest;
        int counter = 0;
        int64_t index = -2;
        for (int64_t j = 0; j <= n - 2; ++j) {
            const int32_t v = frames[size_t(j)];
            if (++counter == plan.groupFrames) {
                index += 2;
                if (index + 1 >= slotCount)
                    break;
                buf[size_t(index)] = highest;
                buf[size_t(index + 1)] = lowest;
                counter = 0;
                highest = lowest = v;
            }
            highest = std::max(highest, v);
            lowest = std::min(lowest, v);
        }
        break;
    }
    case Mode::Direct:
    case Mode::Upsample: {
        const int k = plan.mode == Mode::Direct ? 1 : plan.factor;
        int32_t known = 0;
        for (int64_t j = 0; j < n && j * k < slotCount; ++j, ++known)
            buf[size_t(j * k)] = frames[size_t(j)];
        if (k > 1)
            Interpolate(buf, k, plan.upperBound, known);
        break;
    }
    }
}

void Interpolate(std::vector<int32_t> &buf, int k, int32_t h, int32_t known)
{
    const bool quintic = k >= 5;
    const int nodes = quintic ? 6 : 4;
    const int32_t gaps = h / k;
    if (known < nodes || gaps < nodes - 1 || int64_t(h) >= int64_t(buf.size()))
        return;
    const int32_t *y = buf.data();
    const int32_t x0 = (nodes / 2 - 1) * k;
    auto abscissaAt = [&](int32_t x) {
        return quintic ? Byte2::Abscissa6(float(k), x0, x) : Byte2::Abscissa4(float(k), int16_t(x0), int16_t(x));
    };
    // A point's abscissa depends only on its place in its window of nodes:
    // worked out once per place, not once per point, for every factor a
    // screen uses (at most 9 across 5 gaps).
    double table[5 * 9];
    const int32_t places = (nodes - 1) * k;
    const bool tabled = places <= int32_t(std::size(table));
    for (int32_t x = 0; tabled && x < places; ++x)
        table[x] = abscissaAt(x);
    for (int32_t m = 0; m < gaps; ++m) {
        // Window of known slotCount base, base + k, ... centred on the gap where
        // it fits; node s = 0 lies at base + (nodes/2 - 1) × k.
        const int32_t first = std::clamp<int32_t>(m - (nodes / 2 - 1), 0, gaps - (nodes - 1));
        const int32_t base = first * k;
        for (int r = 1; r < k; ++r) {
            const int32_t slot = m * k + r;
            const double s = tabled ? table[slot - base] : abscissaAt(slot - base);
            buf[size_t(slot)] =
                quintic ? Byte2::Quintic(s, y[base], y[base + k], y[base + 2 * k], y[base + 3 * k], y[base + 4 * k],
                                         y[base + 5 * k])
                        : Byte2::Cubic(s, y[base], y[base + k], y[base + 2 * k], y[base + 3 * k]);
        }
    }
}

int16_t RemoveMean(std::vector<int32_t> &buf, int16_t pointCount)
{
    const int32_t n = std::min<int32_t>(pointCount, int32_t(buf.size()) - 1);
    if (n < 0)
        return 0;
    // The sum is kept in single precision, rounded after every sample. While
    // the magnitudes add up to no more than 2^24 every partial sum is an
    // integer a float holds exactly, so no step rounds and the exact
    // integer sum is the same number: a loop without that chain of
    // conversions, which a screen of quiet or moderate signal takes.
    const int32_t *v = buf.data();
    int64_t exact = 0, magnitude = 0;
    for (int32_t i = 0; i <= n; ++i) {
        exact += v[i];
        magnitude += v[i] < 0 ? -int64_t(v[i]) : int64_t(v[i]);
    }
    float sum = 0;
    if (magnitude <= (int64_t(1) << 24)) {
        sum = float(exact);
    } else {
        for (int32_t i = 0; i <= n; ++i)
            sum = float(double(sum) + v[i]);
    }
    const int16_t mean = vb::CInt(double(sum) / (pointCount + 1));
    for (int32_t i = 0; i <= n; ++i)
        buf[size_t(i)] = vb::Sub32(buf[size_t(i)], mean);
    return mean;
}

void Centre(ScopeState &st, int channels)
{
    st.MeanRemoved[0] = RemoveMean(st.LeftBuffer, st.PointCount);
    st.MeanRemoved[1] = channels == 2 ? RemoveMean(st.RightBuffer, st.PointCount) : 0;
}

double FramesAcross(const Plan &plan)
{
    const double points = std::max<int16_t>(0, plan.pointCount);
    switch (plan.mode) {
    case Mode::Decimation: return points * plan.groupFrames / 2.0;
    case Mode::Upsample: return points / std::max(1, plan.factor);
    case Mode::Direct: break;
    }
    return points;
}

void ShiftStart(ScopeState &st, const Plan &built, const Plan &shown, double shiftFrames)
{
    if (st.PointCount != built.pointCount)
        return;
    const double points = shiftFrames * (built.mode == Mode::Upsample ? built.factor : 1);
    Trigger::ShiftLeft(st.LeftBuffer, points);
    Trigger::ShiftLeft(st.RightBuffer, points);
    st.PointCount = shown.pointCount;
    st.BufferShiftFrames = shiftFrames;
}

}  // namespace Traces
