// SPDX-License-Identifier: GPL-3.0-or-later
// The layout procedure: on every resize or state change of the main window
// the drawing area and its bars take all the room, the top row is spread
// evenly, and the level window follows the main window's state.
#include "app/layout.h"

#include "app/pribor.h"
#include "display/ris.h"
#include "levelmeter/scala.h"
#include "platform/twips.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"

#include <QAction>
#include <algorithm>

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

void Pribor::Form_Resize()
{
    // 1. The level window goes away with a minimized main window and comes
    //    back in front, at its stored place, otherwise.
    if (Uroven->isChecked() && ScalaWindow) {
        if (WindowStateVb() == 1) {
            ScalaWindow->StorePosition();
            ScalaWindow->hide();
        } else {
            ScalaWindow->PlaceTopmost();
        }
    }

    // 2. The first size notification is absorbed. A window that has never
    //    been shown gets its notification only when it is shown, so when
    //    the start-up calls this with the stored bounds assigned and their
    //    notification still pending, that pending one is what the arming
    //    absorbs, and the start-up call lays the window out.
    if (!st.LayoutArmed) {
        st.LayoutArmed = true;
        if (!testAttribute(Qt::WA_PendingResizeEvent))
            return;
    }

    // 3.-10.
    Layout::Sizes sizes;
    sizes.label3Width = Twips::FromPixels(Label3->width());
    sizes.clientHeight = Twips::FromPixels(ClientHeightPx());
    const auto p = Layout::Compute(WidthTw(), HeightTw(), sizes);
    if (!p)
        return;

    auto put = [](QWidget *w, int64_t left, int64_t top, int64_t width, int64_t height) {
        // A window narrower than its bars leaves the drawing area empty
        // rather than with a negative size.
        PlaceTw(w, double(left), double(top), double(std::max<int64_t>(0, width)),
                double(std::max<int64_t>(0, height)));
    };
    put(RisBox, 240, p->risTop, p->risWidth, p->risHeight);
    put(VScroll2, 0, p->risTop, 255, p->risHeight);
    put(VScroll1, p->vscroll1Left, p->risTop, 255, p->risHeight);
    put(nachalo, 300, p->nachaloTop, 615, 255);
    put(konec, p->konecLeft, p->nachaloTop, 495, 255);
    put(HScroll1, 240, p->hscroll1Top, p->hscroll1Width, 255);
    put(Label2, p->label2Left, 360, 255, 255);
    const double label3Left = p->label3Shown ? double(p->label3Left) : Twips::FromPixels(Label3->x());
    PlaceTw(Label3, label3Left, double(p->nachaloTop), sizes.label3Width, 255);
    Label3->setVisible(p->label3Shown);

    QWidget *buttons[] = {OpenBitton, SaveFileBiton, PrintBiton, Stopbiton, SaveBiton, zapis, XminY};
    for (size_t i = 0; i < 7; ++i)
        put(buttons[i], p->topRowLefts[i], 60, 495, 495);
    put(U2, p->topRowLefts[7], 240, 1215, 315);
    put(U1, p->topRowLefts[8], 240, 1215, 315);
    put(RasTime, p->topRowLefts[9], 240, 1215, 315);
    put(NLeft, p->topRowLefts[7], 0, 1215, 255);
    put(NRigt, p->topRowLefts[8], 0, 1215, 255);
    put(Razv, p->topRowLefts[9], 0, 1455, 255);
    FitTimeLabels();

    // 11. Redraw the traces for the new size, the way a click on the sweep
    //     selector does (its handler is RasTime_Click).
    if (!st.Unloading && PrintBiton->isEnabled())
        emit RasTime->Click();
}
