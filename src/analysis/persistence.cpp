// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/persistence.h"

#include <algorithm>

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
    Clear();
}

void Buffer::Clear()
{
    if (bottom_ >= top_) {
        for (int l = 0; l < layers_; ++l)
            std::fill(row(l, top_), row(l, bottom_) + width_, 0.0f);
    }
    scale_ = 1;
    screens_ = 0;
    top_ = 0;
    bottom_ = -1;
}

void Buffer::Age(double seconds, double tau)
{
    if (!(seconds > 0) || !(tau < std::numeric_limits<double>::infinity()))
        return;
    scale_ *= tau > 0 ? std::exp(-seconds / tau) : 0.0;
    // The stored weights grow as the factor shrinks: folded back in
    // before single precision runs out. What has faded to nothing is gone.
    if (scale_ < 1e-20 || Screens() < kVisible * 1e-3) {
        if (Screens() < kVisible * 1e-3) {
            Clear();
            return;
        }
        for (int l = 0; l < layers_; ++l)
            for (int y = top_; y <= bottom_; ++y) {
                float *r = row(l, y);
                for (int x = 0; x < width_; ++x)
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
    auto cover = [&](int column, double a, double b) {
        if (column < 0 || column >= width_)
            return;
        const double lo = std::min(a, b), hi = std::max(a, b);
        const int from = std::max(0, int(std::floor(lo))), to = std::min(height_ - 1, int(std::floor(hi)));
        if (from > to)
            return;
        spanTop_[size_t(column)] = std::min(spanTop_[size_t(column)], from);
        spanBottom_[size_t(column)] = std::max(spanBottom_[size_t(column)], to);
    };
    for (size_t i = 0; i < n; ++i) {
        const double x0 = x[i], y0 = y[i];
        const int c0 = int(std::floor(x0));
        if (i + 1 == n) {
            cover(c0, y0, y0);
            break;
        }
        const double x1 = x[i + 1], y1 = y[i + 1];
        const int c1 = int(std::floor(x1));
        if (c1 <= c0 || x1 <= x0) {
            cover(c0, y0, y1);
            continue;
        }
        // Across the columns between: the segment's height at each border.
        double prevY = y0;
        for (int c = c0; c <= c1; ++c) {
            const double borderX = std::min(x1, double(c + 1));
            const double borderY = y0 + (y1 - y0) * (borderX - x0) / (x1 - x0);
            cover(c, prevY, borderY);
            prevY = borderY;
        }
    }
    const float add = float(1 / scale_);
    const size_t layerBase = size_t(layer) * size_t(height_) * size_t(width_);
    for (int c = 0; c < width_; ++c) {
        const int from = spanTop_[size_t(c)], to = spanBottom_[size_t(c)];
        if (from > to)
            continue;
        top_ = bottom_ < top_ ? from : std::min(top_, from);
        bottom_ = std::max(bottom_, to);
        float *p = &w_[layerBase + size_t(from) * size_t(width_) + size_t(c)];
        for (int r = from; r <= to; ++r, p += width_)
            *p += add;
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

void Buffer::Render(uint32_t *pixels, int stride, const uint32_t *colours, const uint32_t *under, int underCount) const
{
    if (bottom_ < top_ || screens_ <= 0)
        return;
    const double all = Screens();
    // Opacity from how often (a share of all screens, over three decades)
    // and, for what is fading, from how much of one screen is left.
    auto opacity = [&](double weight) {
        const double share = std::clamp(1 + std::log10(std::max(weight / all, 1e-3)) / 3, 0.0, 1.0);
        return std::min(1.0, weight / 0.5) * (0.25 + 0.75 * share);
    };
    const float visible = float(kVisible / scale_);
    constexpr int kMostLayers = 4;
    const int layers = std::min(layers_, kMostLayers);
    int cr[kMostLayers], cg[kMostLayers], cb[kMostLayers];
    for (int l = 0; l < layers; ++l) {
        cr[l] = int((colours[l] >> 16) & 0xFF);
        cg[l] = int((colours[l] >> 8) & 0xFF);
        cb[l] = int(colours[l] & 0xFF);
    }
    const float *w[kMostLayers];
    for (int y = top_; y <= bottom_; ++y) {
        uint32_t *out = pixels + size_t(y) * size_t(stride);
        for (int l = 0; l < layers; ++l)
            w[l] = row(l, y);
        for (int x = 0; x < width_; ++x) {
            bool any = false;
            for (int l = 0; l < layers; ++l)
                any |= w[l][x] >= visible;
            if (!any)
                continue;
            uint32_t p = out[x] & 0xFFFFFF;
            bool free = false;
            for (int u = 0; u < underCount && !free; ++u)
                free = p == (under[u] & 0xFFFFFF);
            if (!free)
                continue;
            for (int l = 0; l < layers; ++l) {
                if (w[l][x] < visible)
                    continue;
                const double a = opacity(w[l][x] * scale_);
                const int pr = int((p >> 16) & 0xFF), pg = int((p >> 8) & 0xFF), pb = int(p & 0xFF);
                const int r = int(pr + (cr[l] - pr) * a + 0.5), g = int(pg + (cg[l] - pg) * a + 0.5),
                          b = int(pb + (cb[l] - pb) * a + 0.5);
                p = uint32_t(r << 16) | uint32_t(g << 8) | uint32_t(b);
            }
            out[x] = 0xFF000000u | p;
        }
    }
}

}  // namespace Persistence
