// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's side of the level window: the menu command and the
// feed from the screen preparation.
#include "app/pribor.h"
#include "levelmeter/scala.h"

#include <QAction>

namespace {

Scala *newLevelWindow(Pribor *w)
{
    LevelHost host;
    host.window = w;
    host.menuItem = w->Uroven;
    host.refresh = w->Timer1;
    host.leftTw = [w] { return w->LeftTw(); };
    host.topTw = [w] { return w->TopTw(); };
    host.released = [w](Scala *gone) {
        if (w->ScalaWindow == gone)
            w->ScalaWindow = nullptr;
    };
    return new Scala(std::move(host));
}

}  // namespace

void Pribor::Uroven_Click()
{
    // The window exists exactly while the item is checked; deciding by the
    // window keeps a caller that cleared the check mark first (shut-down)
    // from opening it again.
    if (!ScalaWindow) {
        Uroven->setChecked(true);
        ScalaWindow = newLevelWindow(this);
        ScalaWindow->PlaceTopmost();
        // The signal already on screen, also over a stopped file: no need to
        // wait for something to redraw.
        if (st.PointCount > 0)
            FeedLevelMeter();
    } else {
        Uroven->setChecked(false);
        ScalaWindow->Form_Unload();
    }
}

void Pribor::FeedLevelMeter()
{
    if (!Uroven->isChecked())
        return;
    if (!ScalaWindow) {
        ScalaWindow = newLevelWindow(this);
        if (WindowStateVb() != 1)
            ScalaWindow->PlaceTopmost();
    }
    ScalaWindow->UprInd(st.RightBuffer, st.LeftBuffer, st.PointCount, st.TwoBeam);
}
