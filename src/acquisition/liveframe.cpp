// SPDX-License-Identifier: GPL-3.0-or-later
// The live picture at display rate. The capture stream runs all the time;
// each frame takes the newest screen of samples from it and draws that,
// instead of waiting for a pass to be saved and read back from the working
// file. The recording behind it runs on without a limit and keeps only its
// latest stretch, which is what a stop saves and shows for paging.
#include "acquisition/captureengine.h"
#include "acquisition/capturetables.h"
#include "acquisition/errortable.h"
#include "acquisition/mci.h"
#include "app/pribor.h"
#include "display/screenread.h"
#include "display/tracebuffers.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"

#include <QTimer>
#include <algorithm>

void Pribor::FrameTimer_Timer()
{
    if (!Globals::DisplayRate || !st.CaptureRunning || !Timer1->isActive()) {
        FrameTimer->stop();
        return;
    }
    auto deviceFailure = [this](int r) {
        FrameTimer->stop();
        EndTickAfterDeviceFailure(r);
    };

    CaptureEngine &engine = CaptureEngine::Instance();
    if (!engine.RecordingOpenEnded()) {
        // After capture start's timed first pass: one recording that runs
        // until the stop saves it.
        for (const QString &command : {QStringLiteral("delete Zvuk"), QStringLiteral("Record Zvuk")}) {
            if (const int r = mciSendString(command); r != 0) {
                deviceFailure(r);
                return;
            }
        }
    }

    const int sweepIndex = RasTime->ListIndex();
    if (sweepIndex < 0 || st.SampleRate <= 0)
        return;
    const int w = RasTime->ItemData(sweepIndex);
    st.Channels = st.TwoBeam ? 2 : 1;
    int32_t wordCount = 0;
    Traces::Plan plan;
    if (!RunTrapped(TrapSite::Redraw, [&] {
            wordCount = ScreenRead::SizeFor(st.SampleRate, w, st.Channels).wordCount;
            plan = Traces::PlanFor(wordCount, st.Channels, st.SampleRate, w);
        }))
        return;

    // The newest screen, and a stop shows at least two screens or as much
    // as a pass of the refresh timer would hold.
    const int bytesPerFrame = 2 * st.Channels;
    const qint64 frames = 2 * qint64(wordCount) / bytesPerFrame;
    const qint64 passFrames = qint64(Capture::PassLimitMs(1.2f, w)) * st.SampleRate / 1000;
    const char *data = nullptr;
    qint64 got = 0;
    CaptureFormat format;
    if (const int r = engine.Newest(frames, std::max(2 * frames, passFrames), &data, &got, &format); r != 0) {
        deviceFailure(r);
        return;
    }
    if (format.channels != st.Channels)
        return;  // a recording of another layout is being replaced
    const QByteArray block = QByteArray::fromRawData(data, qsizetype(got));

    if (!RunTrapped(TrapSite::Redraw, [&] {
            Traces::Build(plan, block, st.Channels, st);
            if (Globals::CenterBeams) {
                Traces::RemoveMean(st.LeftBuffer, st.PointCount);
                if (st.Channels == 2)
                    Traces::RemoveMean(st.RightBuffer, st.PointCount);
            }
            PrepareScreen(st.PointCount, vb::CInt(w), 0, st.Channels);
        }))
        return;
}
