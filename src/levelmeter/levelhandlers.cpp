// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's side of the level window: the menu command and the
// feed from the screen preparation.
#include "app/pribor.h"
#include "levelmeter/scala.h"

#include <QAction>

void Pribor::Uroven_Click()
{
    // The window exists exactly while the item is checked; deciding by the
    // window keeps a caller that cleared the check mark first (shut-down)
    // from opening it again.
    if (!ScalaWindow) {
        Uroven->setChecked(true);
        ScalaWindow = new Scala(this);
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
        ScalaWindow = new Scala(this);
        if (WindowStateVb() != 1)
            ScalaWindow->PlaceTopmost();
    }
    ScalaWindow->UprInd(st.RightBuffer, st.LeftBuffer, st.PointCount, st.TwoBeam);
}
