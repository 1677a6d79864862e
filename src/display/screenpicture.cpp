// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/screenpicture.h"

#include "display/ris.h"
#include "display/screen.h"
#include "platform/vbcolor.h"
#include "platform/vbrt.h"

#include <QLineF>
#include <algorithm>

namespace ScreenPicture {

void SetScale(Ris &ris, int32_t points)
{
    ris.ScaleLeft = 0;
    ris.ScaleTop = -32768;
    ris.ScaleHeight = 65536;
    ris.ScaleWidth = points > 0 ? points : 1;
}

void DrawGraticule(Ris &ris, int32_t points, int sweep, int32_t sampleRate, bool graticule)
{
    // The graticule changes only with the number of points, so it is drawn
    // once and then copied as the surface's background layer.
    const double right = ris.ScaleWidth;
    std::vector<QLineF> lines;
    if (graticule) {
        for (int k = -3; k <= 3; ++k)
            lines.emplace_back(0, Screen::kDivision * k - 1, right, Screen::kDivision * k - 1);
        for (double x : Screen::VerticalLines(points, sweep, sampleRate))
            lines.emplace_back(x, -32768, x, 32767);
    }
    ris.DrawWidth = 1;
    ris.ClsWithLines(lines, VbColor(0));
}

void DrawTraces(Ris &ris, const ScopeState &st, int32_t points, const Beams &beams)
{
    ris.DrawWidth = 2;
    std::vector<int32_t> line;
    auto draw = [&](auto valueAt, int32_t sens, int32_t pos, uint32_t colour) {
        line.resize(size_t(std::max(points, 0)) + 1);
        for (int32_t i = 0; i <= points; ++i)
            line[size_t(i)] = Screen::Ordinate(valueAt(i), sens, pos);
        if (points > 0)
            ris.Trace(line, VbColor(colour));
    };
    const auto &left = st.LeftBuffer;
    const auto &right = st.RightBuffer;
    const bool haveLeft = points >= 0 && size_t(points) < left.size();
    const bool haveRight = points >= 0 && size_t(points) < right.size();
    if (st.SubtractMode) {
        if (haveLeft)
            draw([&](int32_t i) { return vb::Sub32(left[size_t(i)], haveRight ? right[size_t(i)] : 0); },
                 beams.sensitivity[0], beams.position[0], 0xFF0000);
    } else {
        if (haveLeft)
            draw([&](int32_t i) { return left[size_t(i)]; }, beams.sensitivity[0], beams.position[0], 0xFF0000);
        if (st.TwoBeam && haveRight)
            draw([&](int32_t i) { return right[size_t(i)]; }, beams.sensitivity[1], beams.position[1], 0xFF);
    }
    ris.DrawWidth = 1;
}

Scene TracesScene(Ris &ris, const ScopeState &st, int32_t points, int sweep, const Beams &beams)
{
    Scene s;
    s.size = ris.Image().size();
    s.background = ris.BackColor();
    const double right = ris.ScaleWidth;
    auto line = [&](double x1, double y1, double x2, double y2) {
        s.strokes.push_back({QPolygonF({ris.ToPixel(x1, y1), ris.ToPixel(x2, y2)}), Qt::black, 1, false});
    };
    for (int k = -3; k <= 3; ++k)
        line(0, Screen::kDivision * k - 1, right, Screen::kDivision * k - 1);
    for (double x : Screen::VerticalLines(points, sweep, st.SampleRate))
        line(x, -32768, x, 32767);
    auto trace = [&](auto valueAt, int sens, int pos, uint32_t colour) {
        QPolygonF poly;
        for (int32_t i = 0; i <= points; ++i)
            poly << ris.ToPixel(i, -(double(valueAt(i)) * sens + pos));
        if (points > 0)
            s.strokes.push_back({poly, VbColor(colour), 2, false});
    };
    const auto &l = st.LeftBuffer;
    const auto &r = st.RightBuffer;
    const bool haveLeft = points >= 0 && size_t(points) < l.size();
    const bool haveRight = points >= 0 && size_t(points) < r.size();
    if (st.SubtractMode) {
        if (haveLeft)
            trace([&](int32_t i) { return l[size_t(i)] - (haveRight ? r[size_t(i)] : 0); }, beams.sensitivity[0],
                  beams.position[0], 0xFF0000);
    } else {
        if (haveLeft)
            trace([&](int32_t i) { return l[size_t(i)]; }, beams.sensitivity[0], beams.position[0], 0xFF0000);
        if (st.TwoBeam && haveRight)
            trace([&](int32_t i) { return r[size_t(i)]; }, beams.sensitivity[1], beams.position[1], 0xFF);
    }
    return s;
}

}  // namespace ScreenPicture
