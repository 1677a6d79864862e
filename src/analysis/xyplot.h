// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The X-Y picture: the first channel across, the second up, over the frames
// of one screen, on a square of 8 × 8 divisions. Each axis has its own
// magnification and position, in the units of the trace display: one
// division is 8192 sample units at magnification 1, and raising a position
// moves the figure right (first channel) or up (second).
#include <QPointF>
#include <QRectF>
#include <cstdint>
#include <vector>

namespace XY {

constexpr int kDivisions = 8;

// The largest square that fits `width` × `height` less a margin, centred.
QRectF SquareIn(int width, int height);

struct Axis {
    int sensitivity = 1;
    int position = 0;
};

// Pixel points of the figure for interleaved 16-bit frames (two channels,
// little-endian, as stored in the recording).
std::vector<QPointF> Figure(const char *frames, int64_t frameCount, const QRectF &square, Axis x, Axis y);

// Pixel positions of the graticule lines inside the square (both axes).
std::vector<double> GridOffsets(const QRectF &square);

}  // namespace XY
