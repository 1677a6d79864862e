// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/xyplot.h"

#include <algorithm>

namespace XY {

QRectF SquareIn(int width, int height)
{
    const double margin = 4;
    const double side = std::max(1.0, std::min(width, height) - 2 * margin);
    return QRectF((width - side) / 2, (height - side) / 2, side, side);
}

std::vector<QPointF> Figure(const char *frames, int64_t frameCount, const QRectF &square, Axis x, Axis y)
{
    std::vector<QPointF> out;
    if (frameCount <= 0)
        return out;
    out.reserve(size_t(frameCount));
    const double half = square.width() / 2;
    const QPointF c = square.center();
    const double unit = half / (kDivisions / 2 * 8192.0);
    for (int64_t i = 0; i < frameCount; ++i) {
        const auto *b = reinterpret_cast<const unsigned char *>(frames + 4 * i);
        const int16_t s[2] = {int16_t(b[0] | (b[1] << 8)), int16_t(b[2] | (b[3] << 8))};
        const double ux = double(s[0]) * x.sensitivity + x.position;
        const double uy = double(s[1]) * y.sensitivity + y.position;
        out.emplace_back(c.x() + ux * unit, c.y() - uy * unit);
    }
    return out;
}

std::vector<double> GridOffsets(const QRectF &square)
{
    std::vector<double> v;
    for (int k = 0; k <= kDivisions; ++k)
        v.push_back(square.width() * k / kDivisions);
    return v;
}

}  // namespace XY
