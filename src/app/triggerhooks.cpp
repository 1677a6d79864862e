// SPDX-License-Identifier: GPL-3.0-or-later
// Trigger: the main window's side of placing the live screen on the
// trigger, paging a stopped file by it, and dragging its level marker.
// The menu and the marks on the screen are in triggermenu.cpp; every
// computation is in src/analysis.
#include "analysis/calibration.h"
#include "analysis/measure.h"
#include "analysis/options.h"
#include "analysis/trigger.h"
#include "app/eventtool.h"
#include "app/pribor.h"
#include "display/ris.h"
#include "display/screenread.h"
#include "display/tracebuffers.h"
#include "platform/errors.h"
#include "platform/fileops.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"
#include "platform/wavfile.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <cmath>
#include <utility>

namespace {

const QString kWorkingFile = QStringLiteral("c:\\tmp.wav");

// Channel index (0, 1) of the source within frames of `channels`.
int sourceIndex(const Options::TriggerOptions &t, int channels)
{
    return channels == 2 && t.source == 2 ? 1 : 0;
}

// The frames a screen of `wordCount` words shows before its trigger, so the
// event lands on its graticule line; and whether the screen draws every
// frame (and so can be shifted by a fraction of one).
struct TriggerScreen {
    double framesBefore = 0;
    bool everyFrameDrawn = false;
};
TriggerScreen triggerScreen(Trigger::Place place, int32_t wordCount, int channels, int32_t rate, int sweep)
{
    const Traces::Plan plan = Traces::PlanFor(wordCount, channels, rate, sweep);
    return {Trigger::FramesBefore(place, Traces::FramesAcross(plan)), plan.mode != Traces::Mode::Decimation};
}

}  // namespace

void Pribor::keepLiveEvents(bool restart)
{
    LiveEventsKey key;
    key.sweepIndex = RasTime->ListIndex();
    key.channels = st.Channels;
    key.rate = st.SampleRate;
    key.source = sourceIndex(Trig, st.Channels);
    key.slope = Trig.slope;
    key.levelVolts = Trig.levelVolts;
    key.holdoffSeconds = Trig.holdoffSeconds;
    key.displayRate = FrameTimer->isActive();
    if (!restart && key == liveEventsKey_)
        return;
    liveEventsKey_ = key;
    liveEvents_ = Trigger::StreamEvents(Trig.holdoffSeconds * std::max(0, st.SampleRate));
    passTail_.clear();
    passStreamEnd_ = 0;
    tailPass_ = 0;
    frameSearchedEnd_ = -1;
}

bool Pribor::PlaceLiveTrigger(int64_t &readFrom, int32_t wordCount, int sweep, int32_t &extraBytes,
                              double &shiftFrames)
{
    extraBytes = 0;
    shiftFrames = 0;
    liveScreen_.clear();
    singleJoined_.clear();
    const int channels = st.Channels;
    const int frameBytes = 2 * channels;
    const QString path = Paths::MapPath(st.FlName);
    const qint64 size = QFileInfo(path).size();
    if (size < readFrom)
        return Trig.mode == Trigger::Mode::Auto;
    // The whole pass; the screen is looked for from readFrom on, as it
    // always was, and the events are examined over all of it.
    constexpr int64_t kFirstSample = kWav16HeaderBytes + 1;
    const int64_t skipBytes = std::clamp<int64_t>(readFrom - kFirstSample, 0, size - kFirstSample + 1);
    const QByteArray whole =
        ScreenRead::ReadBlock(path, kFirstSample, int32_t(std::min<qint64>(size - kFirstSample + 1, INT32_MAX)));
    const QByteArray pass = QByteArray::fromRawData(whole.constData() + std::min<int64_t>(skipBytes, whole.size()),
                                                    whole.size() - std::min<int64_t>(skipBytes, whole.size()));
    const int src = sourceIndex(Trig, channels);
    const std::vector<int16_t> x = Trigger::Decode(pass, channels, src);
    const int32_t frames = (wordCount - 4) / channels;
    const Trigger::Condition c = liveCondition(x, src);
    // The screen reads 4 words beyond its frames, and one frame more for
    // the fraction of a frame it is shifted by.
    const int32_t spare = 4 / channels + 1;
    const TriggerScreen screen = triggerScreen(Trig.place, wordCount, channels, st.SampleRate, sweep);

    // Every event since the last pass: the end of that pass, where an
    // event too near it for its screen waited, and this pass, each pass
    // following the last one without a gap.
    keepLiveEvents(false);
    if (tailPass_ + 1 != passCount_) {
        passTail_.clear();
        passStreamEnd_ = 0;
    }
    const int64_t passBytes = whole.size() - whole.size() % frameBytes;
    const QByteArray joined = passTail_ + QByteArray::fromRawData(whole.constData(), passBytes);
    const int64_t joinedStart = passStreamEnd_ - passTail_.size() / frameBytes;
    const std::vector<int16_t> all = Trigger::Decode(joined, channels, src);
    const std::vector<double> events =
        liveEvents_.Examine(all, joinedStart, c, screen.framesBefore, frames, spare);
    const int64_t keepFrames =
        std::min<int64_t>(joined.size() / frameBytes, frames + spare + 2 + int64_t(std::ceil(screen.framesBefore)));
    passTail_ = joined.right(keepFrames * frameBytes);
    passStreamEnd_ += passBytes / frameBytes;
    tailPass_ = passCount_;

    // Without holdoff a pass whose own screen holds an event shows it as
    // it always did; an event that fell between passes is shown otherwise.
    // With holdoff, the first event it lets through.
    std::optional<double> start;
    if (Trig.holdoffSeconds <= 0)
        start = Trigger::PlaceScreen(x, c, screen.framesBefore, frames, spare);
    if (!start && !events.empty()) {
        const double inJoined = events.front() - double(joinedStart) - screen.framesBefore;
        const Trigger::ScreenStart at = Trigger::SplitStart(inJoined, screen.everyFrameDrawn);
        const qsizetype length = 2 * qsizetype(wordCount) + (at.shifted ? frameBytes : 0);
        liveScreen_ = joined.mid(qsizetype(at.frame * frameBytes), length);
        // Where the screen lies in the file, or would, before its start.
        readFrom = kFirstSample + (at.frame - (joined.size() - passBytes) / frameBytes) * frameBytes;
        if (at.shifted) {
            extraBytes = frameBytes;
            shiftFrames = at.shiftFrames;
        }
        if (Trig.mode == Trigger::Mode::Single) {
            singleJoined_ = joined;
            readFrom = kFirstSample + at.frame * frameBytes;
            singleFired_ = true;
        }
        return true;
    }
    if (!start)
        return Trig.mode == Trigger::Mode::Auto;  // auto runs free; normal and single wait

    // Shift the picture by the fraction, so a steady signal stands still
    // to a fraction of a point.
    const Trigger::ScreenStart at = Trigger::SplitStart(*start, screen.everyFrameDrawn);
    readFrom += at.frame * 2 * channels;
    if (at.shifted) {
        extraBytes = 2 * channels;
        shiftFrames = at.shiftFrames;
    }
    if (Trig.mode == Trigger::Mode::Single)
        singleFired_ = true;
    return true;
}

Trigger::Condition Pribor::liveCondition(std::span<const int16_t> x, int src) const
{
    Trigger::Condition c;
    c.slope = Trig.slope;
    c.level = Calibration::ToUnits(Trig.levelVolts, CalFactor[src]);
    // The screen shows the trace without its mean: the level is drawn, and
    // so compared, from there. The mean over whole periods, so a short pass
    // does not move the level with where it cuts the signal.
    if (Globals::CenterBeams)
        c.level += Measure::Of(x, st.SampleRate).mean;
    const VbComboBox *sens = src == 0 ? U2 : U1;
    c.hysteresis = Options::HysteresisUnits(sens->ListIndex() < 0 ? 1 : sens->ItemData(sens->ListIndex()));
    return c;
}

std::optional<Trigger::ScreenStart> Pribor::PlaceFrameTrigger(const QByteArray &stretch, int32_t wordCount, int sweep,
                                                              int64_t stretchStart)
{
    const int channels = st.Channels;
    const int src = sourceIndex(Trig, channels);
    const std::vector<int16_t> x = Trigger::Decode(stretch, channels, src);
    const int32_t frames = (wordCount - 4) / channels;
    const int32_t spare = 4 / channels + 1;  // as PlaceLiveTrigger's
    const TriggerScreen screen = triggerScreen(Trig.place, wordCount, channels, st.SampleRate, sweep);
    const Trigger::Condition c = liveCondition(x, src);
    keepLiveEvents(false);
    if (Trig.holdoffSeconds > 0)
        liveEvents_.Examine(x, stretchStart, c, screen.framesBefore, frames, spare);
    std::optional<double> start;
    if (Trig.holdoffSeconds <= 0) {
        start = Trigger::PlaceLatestScreen(x, c, screen.framesBefore, frames, spare);
    } else if (const double last = liveEvents_.Hold().Last() - double(stretchStart) - screen.framesBefore;
               last >= 0 && last + frames + spare + 1 <= double(x.size())) {
        // The newest event the holdoff let through, while its screen is here.
        start = last;
    }
    if (!start)
        return std::nullopt;
    return Trigger::SplitStart(*start, screen.everyFrameDrawn);
}

qint64 Pribor::FrameTriggerSearch(int32_t wordCount, int sweep, int64_t streamSince)
{
    const int channels = st.Channels;
    // (A frame after a long pause finds no more than the stream keeps.)
    const int64_t since =
        frameSearched_.isValid() ? std::min<int64_t>(frameSearched_.elapsed(), 2000) * st.SampleRate / 1000 : 0;
    frameSearched_.start();
    const TriggerScreen screen = triggerScreen(Trig.place, wordCount, channels, st.SampleRate, sweep);
    return Trigger::LiveSearchFrames((wordCount - 4) / channels, screen.framesBefore, 4 / channels + 1, st.SampleRate,
                                     std::max(since, streamSince));
}

void Pribor::StopOnSingleTrigger(int64_t readFrom)
{
    singleFired_ = false;
    // The triggered pass is in the working file now; the stop would save
    // the pass that followed it over it. Keep it aside, stop, and show it.
    const QString kept = Paths::MapPath(QStringLiteral("c:\\single.keep"));
    if (!singleJoined_.isEmpty()) {
        // The screen began in the pass before: keep both passes' samples.
        const QByteArray joined = std::exchange(singleJoined_, QByteArray());
        if (const int r = WriteWav16(kept, st.SampleRate, st.Channels, joined.constData(), joined.size()); r != 0)
            RaiseError(Err::DiskFull);
    } else {
        FileOps::FileCopy(Paths::MapPath(kWorkingFile), kept);
    }
    Stopbiton_Click();
    if (st.CaptureRunning)
        return;  // the stop failed and said so
    FileOps::FileCopy(kept, Paths::MapPath(kWorkingFile));
    FileOps::Kill(kept);
    OpenWorkingFile();
    PageViewTo(readFrom);
}

void Pribor::StopOnSingleFrame(int64_t recordedFrame, int frameBytes)
{
    // The stop saves the recording's latest stretch, which holds the
    // triggered screen and all that came after it: nothing to keep aside,
    // only the view to put back on the trigger. The saved file's samples
    // start right after its header; DataStart lies a frame or two further
    // in, so the frame is counted from the header.
    Stopbiton_Click();
    if (st.CaptureRunning)
        return;  // the stop failed and said so
    PageViewTo(kWav16HeaderBytes + 1 + recordedFrame * frameBytes);
}

void Pribor::PageViewTo(int64_t position)
{
    if (st.SampleRate <= 0 || st.FlName.isEmpty())
        return;
    // The view goes exactly there: the bar follows the position (its own
    // change is swallowed) and the screen is read anew.
    st.ViewStart = position;
    st.LastScrollValue = vb::Check16(HScroll1->Value());
    st.ForceReposition = false;
    st.LastSweepIndex = -1;
    RedrawTraces(HScroll1->Value());
}

void Pribor::TrigNext_Click()
{
    pageTrigger(true);
}

void Pribor::TrigPrev_Click()
{
    pageTrigger(false);
}

void Pribor::pageTrigger(bool forward)
{
    if (st.CaptureRunning || st.DisplayHeld || st.SampleRate <= 0 || st.FlName.isEmpty() || !PrintBiton->isEnabled())
        return;
    const int sweepIndex = RasTime->ListIndex();
    if (sweepIndex < 0)
        return;
    const int channels = st.TwoBeam ? 2 : 1;
    const int frameBytes = 2 * channels;
    const int sweep = RasTime->ItemData(sweepIndex);
    const ScreenRead::ScreenSize size = ScreenRead::SizeFor(st.SampleRate, sweep, channels);
    const int32_t frames = size.framesPerScreen;
    const TriggerScreen screen = triggerScreen(Trig.place, size.wordCount, channels, st.SampleRate, sweep);
    const double before = screen.framesBefore;
    // Frames counted from the first sample read; a view paged here before
    // stands on its trigger to a fraction of a frame.
    double shown = double(st.ViewStart - st.DataStart) / frameBytes;
    if (st.ViewStart == st.TriggerViewAt && sweepIndex == st.TriggerViewSweep)
        shown += st.TriggerViewShift;
    const double here = shown + before;
    const int src = sourceIndex(Trig, channels);
    VbComboBox *sens = src == 0 ? U2 : U1;
    Trigger::Condition c;
    c.slope = Trig.slope;
    c.hysteresis = Options::HysteresisUnits(sens->ListIndex() < 0 ? 1 : sens->ItemData(sens->ListIndex()));
    const double levelUnits = Calibration::ToUnits(Trig.levelVolts, CalFactor[src]);
    const QString path = Paths::MapPath(st.FlName);
    const int64_t total = (st.FileLength - st.DataStart + 1) / frameBytes;

    // The next event lies at least the holdoff away from the shown one.
    const double away = std::max(2.0, Trig.holdoffSeconds * st.SampleRate);
    // The event index, built with this very condition over this file,
    // answers without reading it (the level is the scan's only while it is
    // not moved by each stretch's mean, and with no holdoff: the index
    // holds every event).
    if (Events && !Globals::CenterBeams && Trig.holdoffSeconds <= 0) {
        c.level = levelUnits;
        if (const auto known = Events->Find(forward, here, c, src)) {
            if (*known)
                ShowTriggerEvent(**known);
            return;
        }
    }

    // Near the view first, then in growing chunks up to about a million
    // frames, so the next event is found at once and a long file is never
    // held whole.
    constexpr int64_t kMostFrames = 1 << 20;
    int64_t chunk = std::max<int64_t>(8192, 4 * int64_t(frames));
    std::optional<double> found;
    RunTrapped(TrapSite::Redraw, [&] {
        const int64_t here0 = std::max<int64_t>(0, int64_t(std::floor(here)));
        int64_t from = forward ? here0 : std::max<int64_t>(0, here0 - chunk);
        for (;;) {
            const int64_t count = std::min(chunk + 8, total - from);
            if (count <= 1)
                return;
            const QByteArray block = ScreenRead::ReadBlock(path, st.DataStart + from * frameBytes,
                                                           int32_t(count * frameBytes));
            const std::vector<int16_t> x = Trigger::Decode(block, channels, src);
            c.level = levelUnits;
            if (Globals::CenterBeams)
                c.level += Measure::Of(x, st.SampleRate).mean;
            const auto p = forward ? Trigger::FindNext(x, c, here + away - double(from))
                                   : Trigger::FindPrevious(x, c, here - away - double(from));
            if (p) {
                found = *p + double(from);
                return;
            }
            if (forward) {
                if (from + count >= total)
                    return;
                // Overlapping by a chunk's tail: an edge armed just before
                // the boundary is still seen whole.
                from += std::max<int64_t>(1, chunk - 4096);
            } else {
                if (from == 0)
                    return;
                from = std::max<int64_t>(0, from - std::max<int64_t>(1, chunk - 4096));
            }
            chunk = std::min(kMostFrames, chunk * 4);
        }
    });
    if (!found)
        return;  // no further trigger: the view stays
    ShowTriggerEvent(*found);
}

void Pribor::ShowTriggerEvent(double frame)
{
    if (st.CaptureRunning || st.DisplayHeld || st.SampleRate <= 0 || st.FlName.isEmpty() || !PrintBiton->isEnabled())
        return;
    const int sweepIndex = RasTime->ListIndex();
    if (sweepIndex < 0)
        return;
    const int channels = st.TwoBeam ? 2 : 1;
    const int sweep = RasTime->ItemData(sweepIndex);
    const ScreenRead::ScreenSize size = ScreenRead::SizeFor(st.SampleRate, sweep, channels);
    const TriggerScreen screen = triggerScreen(Trig.place, size.wordCount, channels, st.SampleRate, sweep);
    // Reads start on 4-byte steps from DataStart: the view goes to the step
    // at or below the screen's start and the redraw shifts the rest.
    const Trigger::AlignedStart at =
        Trigger::AlignStart(frame - screen.framesBefore, 2 * channels, 4, screen.everyFrameDrawn);
    st.TriggerViewAt = st.DataStart + at.offsetBytes;
    st.TriggerViewSweep = int16_t(sweepIndex);
    st.TriggerViewShift = at.shiftFrames;
    PageViewTo(st.TriggerViewAt);
}

bool Pribor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != RisBox || Trig.mode == Trigger::Mode::Off)
        return QMainWindow::eventFilter(watched, event);
    const int src = sourceIndex(Trig, st.TwoBeam ? 2 : 1);
    VbComboBox *sens = src == 0 ? U2 : U1;
    const VbScrollBar *bar = src == 0 ? VScroll2 : VScroll1;
    const double s = sens->ListIndex() < 0 ? 1 : sens->ItemData(sens->ListIndex());
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QMainWindow::eventFilter(watched, event);
    auto *me = static_cast<QMouseEvent *>(event);
    switch (type) {
    case QEvent::MouseButtonPress: {
        if (me->button() != Qt::LeftButton)
            break;
        const double units = Calibration::ToUnits(Trig.levelVolts, CalFactor[src]);
        const double markerY = RisBox->ToPixel(0, -(units * s + bar->Value())).y();
        if (me->position().x() >= RisBox->width() - 16 && std::abs(me->position().y() - markerY) <= 8) {
            draggingLevel_ = true;
            return true;
        }
        break;
    }
    case QEvent::MouseMove:
        if (draggingLevel_) {
            const double y = RisBox->FromPixelY(me->position().y());
            const double units = std::clamp((-y - bar->Value()) / s, -32768.0, 32767.0);
            Trig.levelVolts = Calibration::ToVolts(units, CalFactor[src]);
            if (!st.CaptureRunning && PrintBiton->isEnabled())
                PrepareScreen(st.PointCount, int16_t(RasTime->ItemData(RasTime->ListIndex())), st.ViewStart,
                              st.Channels);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (draggingLevel_) {
            draggingLevel_ = false;
            Options::SaveTrigger(Trig);
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
