// SPDX-License-Identifier: GPL-3.0-or-later
// Where the main window's controls go: the drawing area and its bars take
// all the room and the top row is spread evenly (the arithmetic only; the
// window applies it in Form_Resize).
#include "app/layout.h"

#include "platform/vbrt.h"

namespace Layout {

namespace {
int64_t whole(double v)
{
    return int64_t(vb::RoundHalfEven(v));
}
}  // namespace

std::optional<Placement> Compute(double Wd, double Hd, const Sizes &s)
{
    const int64_t W = whole(Wd);
    const int64_t H = whole(Hd);
    if (H < 2000)
        return std::nullopt;

    Placement p{};
    p.risTop = s.rasTimeHeight + s.razvHeight + 30;
    p.risWidth = W - s.vscroll2Width - s.vscroll1Width - 100;
    p.vscroll1Left = W - s.vscroll1Width - 110;
    p.risHeight = H - s.razvHeight - s.rasTimeHeight - s.nachaloHeight - s.hscroll1Height - 670;

    p.nachaloTop = p.risTop + p.risHeight + 10;
    p.hscroll1Top = p.nachaloTop + s.nachaloHeight - 55;
    // The arithmetic above puts HScroll1 65 twips (4 pixels) below the
    // client area at every size; the drawing area gives up that much, so
    // the bar and the time labels above it are whole.
    const int64_t client = s.clientHeight < 0 ? H - 750 : whole(s.clientHeight);
    const int64_t overhang = p.hscroll1Top + s.hscroll1Height - client;
    if (overhang > 0 && overhang < p.risHeight) {
        p.risHeight -= overhang;
        p.nachaloTop -= overhang;
        p.hscroll1Top -= overhang;
    }
    p.hscroll1Width = p.risWidth;

    p.konecLeft = p.risWidth - 100;
    p.label2Left = p.vscroll1Left;

    // The hint sits centred between the time labels when there is room.
    const int64_t gap = whole((double(p.konecLeft - s.nachaloLeft - s.nachaloWidth) - s.label3Width) / 2.0);
    const int64_t x = whole(double(s.nachaloLeft + s.nachaloWidth + gap));
    p.label3Shown = s.nachaloLeft + s.nachaloWidth <= x;
    p.label3Left = x;

    const auto &w = s.topRowWidths;
    p.gap = whole(double(W - 2 * s.vscroll1Width - 7 * w[0] - 2 * w[8] - w[9] - 200) / 9.0 - 2.0);
    if (p.gap < 0)
        p.gap = 0;
    p.topRowLefts[0] = 280;
    for (size_t i = 1; i < w.size(); ++i)
        p.topRowLefts[i] = p.topRowLefts[i - 1] + w[i - 1] + p.gap;
    return p;
}

}  // namespace Layout
