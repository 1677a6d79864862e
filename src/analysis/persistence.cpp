// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/persistence.h"

#include <algorithm>
#include <cstring>

namespace Persistence {

void Buffer::Resize(int width, int height, int layers)
{
    width = std::max(0, width);
    height = std::max(0, height);
    layers = std::max(0, layers);
    if (width == width_ && height == height_ && layers == layers_)
        return;
    width_ = width;
    height_ = height;
    layers_ = layers;
    w_.assign(size_t(width) * size_t(height) * size_t(layers), 0.0f);
    left_.assign(size_t(height), width);
    right_.assign(size_t(height), -1);
    top_ = 0;
    bottom_ = -1;
    scale_ = 1;
    screens_ = 0;
}

void Buffer::Clear()
{
    for (int y = top_; y <= bottom_; ++y) {
        const int from = left_[size_t(y)], to = right_[size_t(y)];
        for (int l = 0; l < layers_ && from <= to; ++l)
            std::fill(row(l, y) + from, row(l, y) + to + 1, 0.0f);
        left_[size_t(y)] = width_;
        right_[size_t(y)] = -1;
    }
    top_ = 0;
    bottom_ = -1;
    scale_ = 1;
    screens_ = 0;
}

void Buffer::Age(double seconds, double tau)
{
    if (!(seconds > 0) || !(tau < std::numeric_limits<double>::infinity()))
        return;
    scale_ *= tau > 0 ? std::exp(-seconds / tau) : 0.0;
    // What has faded to nothing is gone.
    if (Screens() < kVisible * 1e-3) {
        Clear();
        return;
    }
    // The stored weights grow as the factor shrinks: folded back in
    // before single precision runs out.
    if (scale_ < 1e-20) {
        for (int l = 0; l < layers_; ++l)
            for (int y = top_; y <= bottom_; ++y) {
                float *r = row(l, y);
                for (int x = left_[size_t(y)]; x <= right_[size_t(y)]; ++x)
                    r[x] = float(r[x] * scale_);
            }
        screens_ *= scale_;
        scale_ = 1;
    }
}

void Buffer::Add(int layer, const double *x, const double *y, size_t n)
{
    if (layer < 0 || layer >= layers_ || n == 0 || width_ <= 0 || height_ <= 0)
        return;
    // The rows the polyline covers in each column: the points in it, and
    // the segments through it.
    spanTop_.assign(size_t(width_), height_);
    spanBottom_.assign(size_t(width_), -1);
    auto cover = [&](int col, double a, double b) {
        if (col < 0 || col >= width_)
            return;
        const double lo = std::min(a, b), hi = std::max(a, b);
        if (!(hi >= 0) || !(lo < height_))
            return;
        const int from = std::max(0, int(std::floor(lo))), to = std::min(height_ - 1, int(std::floor(hi)));
        spanTop_[size_t(col)] = std::min(spanTop_[size_t(col)], from);
        spanBottom_[size_t(col)] = std::max(spanBottom_[size_t(col)], to);
    };
    for (size_t i = 0; i < n; ++i) {
        const double x0 = x[i], y0 = y[i];
        if (!(x0 > -1e9 && x0 < 1e9))
            continue;
        const int c0 = int(std::floor(x0));
        if (i + 1 == n) {
            cover(c0, y0, y0);
            break;
        }
        const double x1 = x[i + 1], y1 = y[i + 1];
        if (!(x1 > -1e9 && x1 < 1e9))
            continue;
        const int c1 = std::min(int(std::floor(x1)), width_);
        if (c1 <= c0 || x1 <= x0) {
            cover(c0, y0, y1);
            continue;
        }
        // Across the columns between: the segment's height at each border.
        double prevY = y0;
        for (int c = std::max(c0, -1); c <= c1; ++c) {
            const double borderX = std::min(x1, double(c + 1));
            const double borderY = y0 + (y1 - y0) * (std::max(borderX, x0) - x0) / (x1 - x0);
            cover(c, prevY, borderY);
            prevY = borderY;
        }
    }
    const float add = float(1 / scale_);
    for (int c = 0; c < width_; ++c) {
        const int from = spanTop_[size_t(c)], to = spanBottom_[size_t(c)];
        if (from > to)
            continue;
        if (bottom_ < top_) {
            top_ = from;
            bottom_ = to;
        }
        top_ = std::min(top_, from);
        bottom_ = std::max(bottom_, to);
        for (int r = from; r <= to; ++r) {
            row(layer, r)[c] += add;
            left_[size_t(r)] = std::min(left_[size_t(r)], c);
            right_[size_t(r)] = std::max(right_[size_t(r)], c);
        }
    }
}

void Buffer::EndScreen()
{
    screens_ += 1 / scale_;
}

double Buffer::Weight(int layer, int x, int y) const
{
    if (layer < 0 || layer >= layers_ || x < 0 || x >= width_ || y < 0 || y >= height_)
        return 0;
    return row(layer, y)[x] * scale_;
}

namespace {

inline int32_t bitsOf(float v)
{
    int32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

inline float floatOf(int32_t b)
{
    float v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

// A weight's step: its float bits above those of the visible, by 1/16
// of a power of two (for weights, which are never negative, the bits
// grow with the value). What is drawn depends on the weight only, so it
// is worked out once per step and frame, not once per pixel.
constexpr int kStepShift = 23 - 4;
constexpr int kSteps = 16 * 40;

uint32_t blend(uint32_t base, uint32_t colour, int alpha256)
{
    auto mix = [&](int shift) {
        const int b = int((base >> shift) & 0xFF), c = int((colour >> shift) & 0xFF);
        return uint32_t(b + (((c - b) * alpha256 + 128) >> 8)) << shift;
    };
    return 0xFF000000u | mix(16) | mix(8) | mix(0);
}

}  // namespace

void Buffer::Render(uint32_t *pixels, int stride, const uint32_t *colours, const uint32_t *under, int underCount)
{
    if (screens_ <= 0 || layers_ <= 0 || bottom_ < top_ || underCount <= 0)
        return;
    constexpr int kMostLayers = 4, kMostUnder = 4;
    const int layers = std::min(layers_, kMostLayers);
    underCount = std::min(underCount, kMostUnder);
    // Opacity from how often (a share of all screens, over three decades)
    // and, for what is fading, from how much of one screen is left.
    const float visible = float(kVisible / scale_);
    const int32_t visibleBits = bitsOf(visible);
    const double all = Screens();
    opacity_.resize(kSteps);
    for (int k = 0; k < kSteps; ++k) {
        const double weight = double(floatOf(visibleBits + (k << kStepShift) + (1 << (kStepShift - 1)))) * scale_;
        const double often = std::clamp(1 + std::log10(std::max(weight / all, 1e-3)) / 3, 0.0, 1.0);
        opacity_[size_t(k)] = uint16_t(std::lround(256 * std::min(1.0, weight * 2) * (0.25 + 0.75 * often)));
    }
    blended_.resize(size_t(layers) * size_t(underCount) * kSteps);
    for (int l = 0; l < layers; ++l)
        for (int u = 0; u < underCount; ++u)
            for (int k = 0; k < kSteps; ++k)
                blended_[(size_t(l) * size_t(underCount) + size_t(u)) * kSteps + size_t(k)] =
                    blend(under[u], colours[l], opacity_[size_t(k)]);

    for (int y = top_; y <= bottom_; ++y) {
        const int from = left_[size_t(y)], to = right_[size_t(y)];
        if (from > to)
            continue;
        const float *w[kMostLayers];
        for (int l = 0; l < layers; ++l)
            w[l] = row(l, y);
        uint32_t *out = pixels + size_t(y) * size_t(stride);
        int seenLeft = width_, seenRight = -1;
        for (int x = from; x <= to; ++x) {
            int step[kMostLayers], lit = 0, last = 0;
            for (int l = 0; l < layers; ++l) {
                const int32_t above = bitsOf(w[l][x]) - visibleBits;
                step[l] = above < 0 ? -1 : std::min(above >> kStepShift, kSteps - 1);
                if (above >= 0) {
                    ++lit;
                    last = l;
                }
            }
            if (lit == 0)
                continue;
            seenLeft = std::min(seenLeft, x);
            seenRight = x;
            const uint32_t p = out[x] | 0xFF000000u;
            int base = -1;
            for (int u = 0; u < underCount && base < 0; ++u)
                if (p == (under[u] | 0xFF000000u))
                    base = u;
            if (base < 0)
                continue;  // a trace drawn last is on top
            if (lit == 1) {
                out[x] = blended_[(size_t(last) * size_t(underCount) + size_t(base)) * kSteps + size_t(step[last])];
                continue;
            }
            uint32_t c = p;
            for (int l = 0; l < layers; ++l)
                if (step[l] >= 0)
                    c = blend(c, colours[l], opacity_[size_t(step[l])]);
            out[x] = c;
        }
        // What has faded at the row's ends is let go.
        if (seenLeft > seenRight) {
            for (int l = 0; l < layers_; ++l)
                std::fill(row(l, y) + from, row(l, y) + to + 1, 0.0f);
            left_[size_t(y)] = width_;
            right_[size_t(y)] = -1;
        } else if (seenLeft > from || seenRight < to) {
            for (int l = 0; l < layers_; ++l) {
                std::fill(row(l, y) + from, row(l, y) + seenLeft, 0.0f);
                std::fill(row(l, y) + seenRight + 1, row(l, y) + to + 1, 0.0f);
            }
            left_[size_t(y)] = seenLeft;
            right_[size_t(y)] = seenRight;
        }
    }
}

}  // namespace Persistence
