// SPDX-License-Identifier: GPL-3.0-or-later
// RedrawTraces and PrepareScreen: the one way anything reaches the drawing
// surface. A redraw reads one screen of FlName, turns it into display
// buffers and paints graticule, times and traces from them.
#include "analysis/calibration.h"
#include "analysis/trigger.h"
#include "app/pribor.h"
#include "display/ris.h"
#include "display/screen.h"
#include "display/screenpicture.h"
#include "display/screenread.h"
#include "display/tracebuffers.h"
#include "files/openfile.h"
#include "platform/errors.h"
#include "platform/errortable.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/vbcolor.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"

#include <QAction>
#include <new>
#include <utility>


// Two doublings of the initial 1.2: passes of up to 4.8 screens.
constexpr float kMaxCaptureLengthFactor = 4.8f;
namespace {

const QString kWorkingFile = QStringLiteral("c:\\tmp.wav");

// Runs one step of the redraw under its error trap. Returns false when the
// redraw must end; true when it goes on (the step worked, or failed for
// lack of memory, after which the redraw carries on with the next step).
template <class Step, class Recover>
bool trapped(ScopeState &st, Step &&step, Recover &&recoverBadRecord)
{
    int failed = 0;
    if (RunTrapped(TrapSite::Redraw, step, QString(), &failed))
        return true;
    // Over a stopped file the same failure would come back on every move of
    // a control: say it once and draw nothing more until the next open.
    if (!st.CaptureRunning)
        st.DisplayHeld = true;
    if (failed == Err::BadRecordNumber)
        recoverBadRecord();
    return false;
}

}  // namespace

void Pribor::RedrawTraces(int64_t start)
{
    // A read that lands before the file's first byte means the working file
    // is not what the capture cycle wrote: put a valid recording in its place
    // and restart capture on it.
    auto recoverBadRecord = [this] { RecoverFromInvalidFile(Err::BadRecordNumber, TrapSite::Redraw); };

    if (st.CaptureRunning)
        st.DisplayHeld = false;
    else if (st.DisplayHeld)
        return;

    const int sweepIndex = RasTime->ListIndex();
    if (sweepIndex < 0)
        return;  // no sweep chosen yet: nothing to size a screen by
    const int w = RasTime->ItemData(sweepIndex);
    st.Channels = st.TwoBeam ? 2 : 1;
    if (st.SampleRate <= 0)
        return;
    // After a cancelled open there is no file to show.
    if (st.FlName.isEmpty())
        return;

    int32_t wordCount = 0;
    if (!trapped(st, [&] { wordCount = ScreenRead::SizeFor(st.SampleRate, w, st.Channels).wordCount; },
                 recoverBadRecord))
        return;

    int64_t readFrom = start;
    int32_t readLength = 0;
    ScreenRead::Position position;
    if (!trapped(st, [&] {
            if (st.CaptureRunning) {
                readLength = vb::Mul32(2, wordCount);
                return;
            }
            position = ScreenRead::PositionView(st, wordCount, w, sweepIndex, *HScroll1);
            if (position.outcome != ScreenRead::Outcome::Read)
                return;
            const ScreenRead::ReadPlan plan = ScreenRead::PlanRead(st, position.start, wordCount);
            readFrom = plan.position;
            readLength = plan.length;
        },
        recoverBadRecord))
        return;
    if (position.outcome == ScreenRead::Outcome::Swallowed)
        return;
    if (position.outcome == ScreenRead::Outcome::RepaintOnly) {
        trapped(st, [&] { PrepareScreen(st.PointCount, vb::CInt(w), st.ViewStart, st.Channels); }, recoverBadRecord);
        return;
    }

    // Trigger: the live screen starts where the trigger puts it (with a
    // frame more to shift the fast sweeps by a fraction of one); with no
    // trigger in the pass, normal and single modes keep the last picture.
    int32_t extraBytes = 0;
    double shiftFrames = 0;
    liveScreen_.clear();
    if (st.CaptureRunning && Trig.mode != Trigger::Mode::Off) {
        bool show = true;
        if (!trapped(st, [&] { show = PlaceLiveTrigger(readFrom, wordCount, w, extraBytes, shiftFrames); },
                     recoverBadRecord))
            return;
        if (!show) {
            trapped(st, [&] { FileOps::Kill(kWorkingFile); }, recoverBadRecord);
            return;
        }
    } else if (!st.CaptureRunning && readFrom == st.TriggerViewAt && sweepIndex == st.TriggerViewSweep
               && readFrom + readLength + 4 <= ScreenRead::EndOfSamples(st)) {
        // A view paged to a trigger stands on it to a fraction of a frame:
        // read up to two frames more and shift by what the aligned read
        // position left over.
        extraBytes = 4;
        shiftFrames = st.TriggerViewShift;
    }

    // Sized before reading, so a screen too big to draw fails before it is read.
    Traces::Plan plan, built;
    if (!trapped(st, [&] {
            plan = Traces::PlanFor(wordCount, st.Channels, st.SampleRate, w);
            built = extraBytes ? Traces::PlanFor(wordCount + extraBytes / 2, st.Channels, st.SampleRate, w) : plan;
        }, recoverBadRecord))
        return;

    QByteArray block;
    if (!trapped(st, [&] {
            // (A triggered screen that began in the pass before is had from memory.)
            block = !liveScreen_.isEmpty() ? std::exchange(liveScreen_, QByteArray())
                                           : ScreenRead::ReadBlock(Paths::MapPathForReading(st.FlName), readFrom,
                                                                   readLength + extraBytes);
        }, recoverBadRecord))
        return;

    // The screen as the features read it.
    ScreenFrame read;
    read.samples = block;
    read.channels = st.Channels;
    read.sampleRate = st.SampleRate;
    read.sweep = w;
    read.filePosition = readFrom;
    read.fileBytes = readLength;
    read.firstFrame = std::max<int64_t>(0, readFrom - st.DataStart) / (2 * st.Channels);
    read.frameCount = readLength / (2 * st.Channels);
    read.live = st.CaptureRunning;
    read.map.voltsPerUnit[0] = Calibration::VoltsPerUnit(CalFactor[0]);
    read.map.voltsPerUnit[1] = Calibration::VoltsPerUnit(CalFactor[1]);
    if (!trapped(st, [&] {
            Traces::Build(built, block, st.Channels, st);
            if (extraBytes)
                Traces::ShiftStart(st, built, plan, shiftFrames);
            Readers.SamplesRead(read);
        }, recoverBadRecord))
        return;

    if (!trapped(st,
            [&] {
                const size_t last = size_t(st.PointCount);
                // A screen ending in 0 was not filled: the capture pass was too
                // short, so the next passes are made longer. Only a block that
                // really ended early counts (silence and the unfilled tail of a
                // decimated screen end in 0 too), and the factor is bounded:
                // the refresh waits for the pass without handling events, so
                // a runaway factor would freeze the window.
                const bool cameUpShort = st.CaptureRunning && block.size() < readLength + extraBytes;
                if (cameUpShort && last < st.LeftBuffer.size() && st.LeftBuffer[last] == 0
                    && st.CaptureLengthFactor < kMaxCaptureLengthFactor)
                    st.CaptureLengthFactor *= 2;
                if (Globals::CenterBeams)
                    Traces::Centre(st, st.Channels);
            },
            recoverBadRecord))
        return;

    if (!trapped(st, [&] { PrepareScreen(st.PointCount, vb::CInt(w), readFrom, st.Channels); }, recoverBadRecord))
        return;
    Readers.Shown(read);

    if (singleFired_) {
        trapped(st, [&] { StopOnSingleTrigger(readFrom); }, recoverBadRecord);
        return;
    }
    if (st.CaptureRunning)
        trapped(st, [&] { FileOps::Kill(kWorkingFile); }, recoverBadRecord);
}

void Pribor::PrepareScreen(int32_t points, int16_t sweep, int64_t start, uint8_t &channels)
{
    if (Uroven->isChecked())
        FeedLevelMeter();

    // The strip of readouts takes rows at the bottom of the picture (sized
    // here, so a frame at display rate follows the menu at once too).
    RisBox->StripHeight = MeasureShown ? (2 + Readers.StripRows()) * RisBox->fontMetrics().height() + 6 : 0;
    ScreenPicture::SetScale(*RisBox, points);

    // The X-Y picture takes the second channel's selector and bar for its vertical axis.
    ScreenReader *const instead = Readers.DrawingInstead();
    const bool xy = instead != nullptr;
    const bool secondTrace = st.TwoBeam && (!st.SubtractMode || xy);
    VScroll1->setEnabled(secondTrace);
    U1->setEnabled(secondTrace);
    VScroll2->setEnabled(true);

    st.LastSweepIndex = vb::Check16(RasTime->ListIndex());

    // The X-Y picture draws its own square graticule.
    ScreenPicture::DrawGraticule(*RisBox, points, sweep, st.SampleRate, !xy);

    if (!st.CaptureRunning) {
        const Screen::TimeCaptions t = Screen::TimesFor(start, st.DataStart, st.SampleRate, channels, sweep);
        nachalo->setText(t.start);
        konec->setText(t.end);
    } else {
        // A live screen is always the latest pass: its own span, not the
        // times of a file shown before.
        nachalo->setText(QStringLiteral("0"));
        konec->setText(Screen::SpanText(sweep));
    }
    FitTimeLabels();

    auto sensitivity = [](VbComboBox *box) {
        if (box->ListIndex() == -1) {
            box->SetListIndex(0);
            return 1;
        }
        return box->ItemData(box->ListIndex());
    };
    const int32_t s2 = sensitivity(U2);
    const int32_t s1 = sensitivity(U1);

    const ScreenFrame frame = paintedFrame(points, sweep, start, channels, !xy);
    if (xy) {
        RisBox->DrawWidth = 2;
        instead->PaintInstead(frame, *RisBox);
    } else {
        ScreenPicture::Beams beams;
        beams.sensitivity[0] = s2;
        beams.sensitivity[1] = s1;
        beams.position[0] = VScroll2->Value();
        beams.position[1] = VScroll1->Value();
        ScreenPicture::DrawTraces(*RisBox, st, points, beams);
    }
    RisBox->DrawWidth = 1;
    Readers.PaintOver(frame, *RisBox);
}

ScreenFrame Pribor::paintedFrame(int32_t points, int sweep, int64_t start, int channels, bool tracesDrawn) const
{
    ScreenFrame f;
    f.channels = channels;
    f.sampleRate = st.SampleRate;
    f.sweep = sweep;
    f.points = points;
    f.live = st.CaptureRunning;
    f.tracesDrawn = tracesDrawn;
    f.filePosition = st.CaptureRunning ? 0 : start;
    Cursors::ScreenMap &m = f.map;
    m.points = RisBox->ScaleWidth;
    m.widthPx = RisBox->Image().width();
    // The traces' rows: the readout strip, when shown, takes the bottom ones.
    m.heightPx = std::max(1, RisBox->Image().height() - std::max(0, RisBox->StripHeight));
    m.sensitivity[0] = std::max(1, U2->ItemData(std::max(0, U2->ListIndex())));
    m.sensitivity[1] = std::max(1, U1->ItemData(std::max(0, U1->ListIndex())));
    m.position[0] = VScroll2->Value();
    m.position[1] = VScroll1->Value();
    // The window's copy of the stored factors: this runs on every screen.
    m.voltsPerUnit[0] = Calibration::VoltsPerUnit(CalFactor[0]);
    m.voltsPerUnit[1] = Calibration::VoltsPerUnit(CalFactor[1]);
    // The subtracted trace lost the difference of the two means.
    m.removed[0] = st.MeanRemoved[0] - (st.SubtractMode ? st.MeanRemoved[1] : 0);
    m.removed[1] = st.MeanRemoved[1];
    if (st.SampleRate <= 0 || sweep <= 0 || channels <= 0)
        return f;
    const double rate = st.SampleRate;
    // The file's own time, as the CSV has it: from its first sample, to
    // the first point drawn (which a trigger may put between two frames).
    const int64_t origin = st.SampleOrigin > 0 ? st.SampleOrigin : st.DataStart;
    if (!st.CaptureRunning)
        m.startSeconds = Cursors::FileSeconds(start, origin, channels, rate) + st.BufferShiftFrames / rate;
    const ScreenRead::ScreenSize size = ScreenRead::SizeFor(st.SampleRate, sweep, channels);
    const Traces::Plan plan = Traces::PlanFor(size.wordCount, channels, st.SampleRate, sweep);
    switch (plan.mode) {
    case Traces::Mode::Decimation: m.secondsPerPoint = plan.groupFrames / 2.0 / rate; break;
    case Traces::Mode::Upsample: m.secondsPerPoint = 1.0 / (plan.factor * rate); break;
    case Traces::Mode::Direct: m.secondsPerPoint = 1.0 / rate; break;
    }
    f.firstFrame = std::llround(m.startSeconds * rate);
    f.frameCount = size.framesPerScreen;
    f.mapValid = true;
    return f;
}

void Pribor::FitTimeLabels()
{
    // A time to a tenth of a millisecond ("0,0052", "125,3071") can be
    // wider than the place the layout gives its caption, which would cut
    // the number off. The caption then grows away from its anchored edge
    // (nachalo's left, konec's right) as far as the caption between them
    // allows; a short time gives the place back.
    const bool between = Label3->isVisible();
    auto fit = [](QLabel *label, int layoutWidth, bool growLeft, int limit) {
        const QRect now = label->geometry();
        // (The caption's own laid-out line, which its next paint draws.)
        auto *own = qobject_cast<VbLabel *>(label);
        const int need = (own ? own->TextWidth() : label->fontMetrics().horizontalAdvance(label->text())) + 2;
        int width = std::max(layoutWidth, need);
        if (growLeft)
            width = std::min(width, std::max(layoutWidth, now.right() + 1 - limit));
        else
            width = std::min(width, std::max(layoutWidth, limit - now.left()));
        if (width == now.width())
            return;
        label->setGeometry(growLeft ? now.right() + 1 - width : now.left(), now.top(), width, now.height());
    };
    fit(nachalo, Twips::ToPixels(615), false, between ? Label3->x() : konec->x());
    fit(konec, Twips::ToPixels(495), true,
        between ? Label3->x() + Label3->width() : nachalo->x() + nachalo->width());
}
