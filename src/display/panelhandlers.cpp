// SPDX-License-Identifier: GPL-3.0-or-later
// The front panel: every change of sweep, sensitivity or position becomes a
// redraw (or, while capturing, a restart of capture with the new sweep).
#include "app/pribor.h"
#include "platform/errors.h"
#include "platform/vbcontrols.h"

void Pribor::RasTime_Click()
{
    try {
        if (RasTime->ListIndex() == -1) {
            // Selecting raises this handler again, nested, before we go on.
            st.SweepForced = true;
            RasTime->SetListIndex(6);
        }
        if (!st.CaptureRunning) {
            // The forced selection only has to be absorbed while capturing;
            // left set, it would swallow the user's next sweep change then.
            st.SweepForced = false;
            RedrawTraces(HScroll1->Value());
        } else if (st.SweepForced) {
            st.SweepForced = false;
        } else {
            Stopbiton_Click();
            zapis_Click();
        }
    } catch (const VbError &) {
    }
}

// While capturing, the next refresh draws with the new value anyway.
void Pribor::U1_Click()
{
    if (!st.CaptureRunning)
        RasTime_Click();
}

void Pribor::U2_Click()
{
    if (!st.CaptureRunning)
        RasTime_Click();
}

void Pribor::VScroll1_Change()
{
    if (!st.CaptureRunning)
        RasTime_Click();
}

void Pribor::VScroll2_Change()
{
    if (!st.CaptureRunning)
        RasTime_Click();
}

void Pribor::HScroll1_Change()
{
    RasTime_Click();
}
