// SPDX-License-Identifier: GPL-3.0-or-later
// The live picture at display rate. The capture stream runs all the time;
// each frame takes the newest screen of samples from it and draws that,
// instead of waiting for a pass to be saved and read back from the working
// file. The recording behind it runs on without a limit and keeps only its
// latest stretch, which is what a stop saves and shows for paging. With
// the trigger on, each frame shows the newest triggered screen of that
// stretch.
#include "acquisition/captureengine.h"
#include "acquisition/capturetables.h"
#include "acquisition/mci.h"
#include "analysis/calibration.h"
#include "app/pribor.h"
#include "display/screenread.h"
#include "display/tracebuffers.h"
#include "platform/errortable.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"

#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
// The most of the stream one frame searches for its trigger: after a
// longer stall the search starts this far back.
constexpr int kMostSearchSeconds = 10;
}  // namespace

void Pribor::frameTick()
{
    // Frames begin once the first pass is recorded, as they did when the
    // start waited for it.
    if (!startPending_)
        FrameTimer_Timer();
}

void Pribor::FrameTimer_Timer()
{
    FinishCaptureStart();
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
    // as a pass of the refresh timer would hold. With the trigger on, the
    // search reaches back far enough for a steady signal to have an event
    // with its whole screen there in every frame, and over all that came
    // since the last frame; the stop keeps all of it and two frames before
    // it (a view of the saved file starts a frame or two in), so a single
    // trigger's screen is saved and can be shown.
    const int bytesPerFrame = 2 * st.Channels;
    const qint64 frames = 2 * qint64(wordCount) / bytesPerFrame;
    const bool triggered = Trig.mode != Trigger::Mode::Off;
    constexpr qint64 kFirstShownFrame = 2;
    // The search covers all the stream delivered since the last one, also
    // when it came in a burst (a stall, a long fragment), up to a bound.
    const qint64 searchedEnd = triggered ? frameSearchedEnd_ : -1;
    const qint64 mostSince = qint64(kMostSearchSeconds) * st.SampleRate;
    auto sinceSearched = [&] {
        return searchedEnd >= 0 ? std::clamp<qint64>(engine.StreamFrames() - searchedEnd, 0, mostSince) : 0;
    };
    qint64 stretch = triggered ? FrameTriggerSearch(wordCount, w, sinceSearched()) : frames;
    const qint64 passFrames = qint64(Capture::PassLimitMs(1.2f, w)) * st.SampleRate / 1000;
    const char *data = nullptr;
    qint64 got = 0;
    qint64 intoRecording = 0;
    CaptureFormat format;
    qint64 keep = std::max({2 * frames, passFrames, triggered ? stretch + kFirstShownFrame : 0});
    engine.SetFramePeriodMs(FrameTimer->PeriodMs());
    // The readers' lead comes before the stretch and is set aside: the
    // screen is found in the stretch alone, as without it.
    const qint64 leadWanted = Readers.LeadFrames(st.SampleRate);
    if (const int r = engine.Newest(stretch + leadWanted, keep, &data, &got, &format, &intoRecording); r != 0) {
        deviceFailure(r);
        return;
    }
    if (triggered && searchedEnd >= 0) {
        if (const qint64 wanted = FrameTriggerSearch(wordCount, w, sinceSearched()); wanted > stretch) {
            stretch = wanted;
            keep = std::max(keep, stretch + kFirstShownFrame);
            if (const int r = engine.Newest(stretch + leadWanted, keep, &data, &got, &format, &intoRecording); r != 0) {
                deviceFailure(r);
                return;
            }
        }
    }
    if (format.channels != st.Channels)
        return;  // a recording of another layout is being replaced
    const char *const leadStart = data;
    if (const qint64 leadBytes = std::max<qint64>(0, got - stretch * bytesPerFrame); leadBytes > 0) {
        data += leadBytes;
        got -= leadBytes;
        intoRecording += leadBytes / bytesPerFrame;
    }
    const qint64 streamEnd = engine.StreamFrames();
    QByteArray block = QByteArray::fromRawData(data, qsizetype(got));

    // Trigger: the screen starts where the newest event puts it, shifted
    // by the fraction of a frame on the fast sweeps as the refresh does;
    // with no event auto runs free and normal and single keep the last
    // picture.
    Traces::Plan built = plan;
    bool shift = false;
    double shiftFrames = 0;
    int64_t singleAt = -1;  // frames into the recording of the screen a single trigger stops on
    if (triggered) {
        // Single takes only what the stop will save and a view of the
        // saved file can show: the recording from its third frame on, not
        // the stream's backlog from before the recording started.
        const qint64 skip = Trig.mode == Trigger::Mode::Single && intoRecording < kFirstShownFrame
                                ? std::min(kFirstShownFrame - intoRecording, got / bytesPerFrame)
                                : 0;
        const QByteArray search =
            QByteArray::fromRawData(data + skip * bytesPerFrame, qsizetype(got - skip * bytesPerFrame));
        std::optional<Trigger::ScreenStart> at;
        const qint64 searchStart = streamEnd - got / bytesPerFrame + skip;
        if (!RunTrapped(TrapSite::Redraw, [&] { at = PlaceFrameTrigger(search, wordCount, w, searchStart); }))
            return;
        frameSearchedEnd_ = streamEnd;
        if (at) {
            shift = at->shifted;
            const qsizetype from = qsizetype(at->frame * bytesPerFrame);
            const qsizetype length = 2 * qsizetype(wordCount) + (shift ? bytesPerFrame : 0);
            block = QByteArray::fromRawData(search.constData() + from, std::min(length, search.size() - from));
            shiftFrames = at->shiftFrames;
            if (Trig.mode == Trigger::Mode::Single)
                singleAt = intoRecording + skip + at->frame + (at->shiftFrames >= 0.5 ? 1 : 0);
        } else if (Trig.mode != Trigger::Mode::Auto) {
            return;
        } else {
            const qsizetype length = std::min(2 * qsizetype(wordCount), block.size());
            block = QByteArray::fromRawData(data + got - length, length);
        }
    }

    // The screen as the features read it (the X-Y figure, the readings
    // under the screen, the spectrum), as a redraw from the file hands it on.
    ScreenFrame read;
    read.samples = block;
    read.channels = st.Channels;
    read.sampleRate = st.SampleRate;
    read.sweep = w;
    read.firstFrame = intoRecording + (block.constData() - data) / bytesPerFrame;
    read.frameCount = frames;
    read.live = true;
    read.streamed = true;
    read.streamFrame = streamEnd - (data + got - block.constData()) / bytesPerFrame;
    read.lead = QByteArrayView(leadStart, block.constData() - leadStart);
    read.map.voltsPerUnit[0] = Calibration::VoltsPerUnit(CalFactor[0]);
    read.map.voltsPerUnit[1] = Calibration::VoltsPerUnit(CalFactor[1]);
    if (!RunTrapped(TrapSite::Redraw, [&] {
            if (shift)
                built = Traces::PlanFor(wordCount + st.Channels, st.Channels, st.SampleRate, w);
            Traces::Build(built, block, st.Channels, st);
            Readers.SamplesRead(read);
            if (shift)
                Traces::ShiftStart(st, built, plan, shiftFrames);
            if (Globals::CenterBeams)
                Traces::Centre(st, st.Channels);
            PrepareScreen(st.PointCount, vb::CInt(w), 0, st.Channels);
        }))
        return;
    if (singleAt >= 0) {
        // (The stop's redraw from the saved file feeds the spectrum.)
        RunTrapped(TrapSite::Redraw, [&] { StopOnSingleFrame(singleAt, bytesPerFrame); });
        return;
    }
    Readers.Shown(read);
}
