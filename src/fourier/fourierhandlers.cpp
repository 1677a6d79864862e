// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's side of the spectrum window: the menu command and the
// feed from the redraw.
#include "app/pribor.h"
#include "display/screenread.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"
#include "fourier/fourierwindow.h"

#include <QAction>

void Pribor::Spektr_Click()
{
    if (SpektrWindow) {
        Spektr->setChecked(false);
        SpektrWindow->Form_Unload();
        return;
    }
    Spektr->setChecked(true);
    SpektrWindow = new SpectrumWindow(this);
    SpektrWindow->PlaceAndShow();
    // A stopped screen is shown at once; while capturing, the next refresh does it.
    const int sweep = RasTime->ListIndex();
    if (!st.CaptureRunning && st.SampleRate > 0 && sweep >= 0 && !st.FlName.isEmpty()) {
        const int32_t channels = st.TwoBeam ? 2 : 1;
        const int32_t words = ScreenRead::SizeFor(st.SampleRate, RasTime->ItemData(sweep), channels).wordCount;
        SpektrWindow->Analyse(Paths::MapPath(st.FlName), st.ViewStart, 2 * words, st.DataStart, channels,
                              st.SampleRate);
    }
}

void Pribor::FeedSpectrum(int32_t start, int32_t length)
{
    if (SpektrWindow)
        SpektrWindow->Analyse(Paths::MapPath(st.FlName), start, length, st.DataStart, st.Channels, st.SampleRate);
}
