// SPDX-License-Identifier: GPL-3.0-or-later
// The layout procedure: on every resize or state change of the main window
// the drawing area and its bars take all the room, the top row is spread
// evenly, and the level window follows the main window's state.
#include "app/layout.h"
#include "app/overviewtool.h"
#include "app/pribor.h"
#include "display/ris.h"
#include "levelmeter/scala.h"
#include "platform/twips.h"
#include "platform/vbcontrols.h"

#include <QAction>
#include <algorithm>

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
    // The overview strip, while shown, takes the bottom of the screen's room.
    const int64_t strip = Overview && Overview->Shown() && p->risHeight > 2 * OverviewTool::kHeightTw
                              ? OverviewTool::kHeightTw
                              : 0;
    put(RisBox, 240, p->risTop, p->risWidth, p->risHeight - strip);
    put(VScroll2, 0, p->risTop, 255, p->risHeight - strip);
    put(VScroll1, p->vscroll1Left, p->risTop, 255, p->risHeight - strip);
    if (Overview && Overview->Shown())
        Overview->Place(strip > 0 ? Twips::RectToPixels(240, double(p->risTop + p->risHeight - strip),
                                                        double(p->risWidth), double(strip))
                                  : QRect());
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
