// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's side of the spectrum window: the menu command and the
// feed from each screen shown.
#include "acquisition/captureengine.h"
#include "app/pribor.h"
#include "display/screenread.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"
#include "fourier/fourierwindow.h"

#include <QAction>
#include <QElapsedTimer>
#include <limits>

namespace {

// Feeds the spectrum window, while it is open, with every screen read
// from the file, and at display rate with the newest samples in memory as
// often as the fastest refresh would (kSpectrumPeriodMs).
class SpectrumFeed : public ScreenReader {
public:
    explicit SpectrumFeed(Pribor *w) : w_(w) {}
    void Shown(const ScreenFrame &f) override
    {
        if (!w_->SpektrWindow)
            return;
        if (!f.streamed) {
            w_->FeedSpectrum(f.filePosition, f.fileBytes);
            return;
        }
        if (fed_.isValid() && !fed_.hasExpired(Pribor::kSpectrumPeriodMs))
            return;
        fed_.start();
        // The newest transform's length; the recording's start stays where
        // this frame put it (nothing is asked to be kept beyond it).
        const char *newest = nullptr;
        qint64 bytes = 0;
        CaptureFormat now;
        if (CaptureEngine::Instance().Newest(w_->SpektrWindow->Analyzer.Size(), std::numeric_limits<qint64>::max(),
                                             &newest, &bytes, &now)
                == 0
            && now.channels == f.channels)
            w_->SpektrWindow->AnalyseNewest(newest, bytes, f.channels, f.sampleRate);
    }

private:
    Pribor *w_;
    QElapsedTimer fed_;  // at display rate: since the spectrum's last stretch
};

}  // namespace

std::unique_ptr<ScreenReader> Pribor::makeSpectrumFeed()
{
    return std::make_unique<SpectrumFeed>(this);
}

void Pribor::Spektr_Click()
{
    if (SpektrWindow) {
        Spektr->setChecked(false);
        SpektrWindow->Form_Unload();
        return;
    }
    Spektr->setChecked(true);
    SpectrumHost host;
    host.window = this;
    host.menuItem = Spektr;
    host.leftTw = [this] { return LeftTw(); };
    host.topTw = [this] { return TopTw(); };
    host.released = [this](SpectrumWindow *gone) {
        if (SpektrWindow == gone)
            SpektrWindow = nullptr;
    };
    SpektrWindow = new SpectrumWindow(std::move(host));
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

void Pribor::FeedSpectrum(int64_t start, int32_t length)
{
    if (SpektrWindow)
        SpektrWindow->Analyse(Paths::MapPath(st.FlName), start, length, st.DataStart, st.Channels, st.SampleRate);
}
