// SPDX-License-Identifier: GPL-3.0-or-later
// Trigger, automatic measurements and calibration: the main window's side.
// The menu, the settings, and the few hooks the redraw calls; every
// computation is in src/analysis.
#include "acquisition/wavfile.h"
#include "analysis/calibration.h"
#include "analysis/measure.h"
#include "analysis/options.h"
#include "analysis/trigger.h"
#include "app/pribor.h"
#include "calibration/kalibr.h"
#include "display/ris.h"
#include "display/screenread.h"
#include "platform/fileops.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/vbcolor.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"

#include <QActionGroup>
#include <QFileInfo>
#include <QMenuBar>
#include <QMouseEvent>
#include <cmath>

namespace {

const QString kWorkingFile = QStringLiteral("c:\\tmp.wav");
constexpr uint32_t kTraceColour[2] = {0xFF0000, 0xFF};  // blue, red as the traces

// Channel index (0, 1) of the source within frames of `channels`.
int sourceIndex(const Options::TriggerOptions &t, int channels)
{
    return channels == 2 && t.source == 2 ? 1 : 0;
}

}  // namespace

namespace {

// The readings under the screen are taken from each screen's samples; the
// trigger marker and the strip of readings go over the traces.
class ScreenMarks : public ScreenReader {
public:
    explicit ScreenMarks(Pribor *w) : w_(w) {}
    void SamplesRead(const ScreenFrame &f) override
    {
        w_->MeasureScreen(QByteArray::fromRawData(f.samples.data(), f.samples.size()), f.sweep);
    }
    void PaintOver(const ScreenFrame &, Ris &) override { w_->DrawScreenExtras(); }

private:
    Pribor *w_;
};

}  // namespace

std::unique_ptr<ScreenReader> Pribor::makeScreenMarks()
{
    return std::make_unique<ScreenMarks>(this);
}

void Pribor::buildTriggerMenu()
{
    Sinhro = new QMenu(QStringLiteral("Синхронизация"), this);
    Sinhro->setObjectName(QStringLiteral("Sinhro"));
    menuBar()->insertMenu(HelpMenu->menuAction(), Sinhro);
    auto item = [this](const char *name, const QString &caption, const QKeySequence &key, QActionGroup *group) {
        QAction *a = Sinhro->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(key);
        if (group) {
            a->setCheckable(true);
            group->addAction(a);
            connect(a, &QAction::triggered, this, [this] { TriggerMenu_Click(); });
        }
        return a;
    };
    auto *modes = new QActionGroup(this);
    TrigOff = item("TrigOff", QStringLiteral("Без синхронизации"), QKeySequence(Qt::Key_F5), modes);
    TrigAuto = item("TrigAuto", QStringLiteral("Автоматическая"), QKeySequence(Qt::Key_F6), modes);
    TrigNormal = item("TrigNormal", QStringLiteral("Ждущая"), QKeySequence(Qt::Key_F7), modes);
    TrigSingle = item("TrigSingle", QStringLiteral("Однократная"), QKeySequence(Qt::Key_F8), modes);
    Sinhro->addSeparator();
    auto *sources = new QActionGroup(this);
    TrigCh1 = item("TrigCh1", QStringLiteral("От 1-го канала"), QKeySequence(Qt::ALT | Qt::Key_1), sources);
    TrigCh2 = item("TrigCh2", QStringLiteral("От 2-го канала"), QKeySequence(Qt::ALT | Qt::Key_2), sources);
    auto *slopes = new QActionGroup(this);
    TrigRise = item("TrigRise", QStringLiteral("По фронту"), QKeySequence(Qt::ALT | Qt::Key_Up), slopes);
    TrigFall = item("TrigFall", QStringLiteral("По спаду"), QKeySequence(Qt::ALT | Qt::Key_Down), slopes);
    Sinhro->addSeparator();
    auto *places = new QActionGroup(this);
    TrigLeft = item("TrigLeft", QStringLiteral("Запуск у левого края"), QKeySequence(), places);
    TrigOneDiv = item("TrigOneDiv", QStringLiteral("Запуск на 1-м делении"), QKeySequence(), places);
    TrigCentre = item("TrigCentre", QStringLiteral("Запуск в центре"), QKeySequence(), places);
    Sinhro->addSeparator();
    TrigNext = item("TrigNext", QStringLiteral("Следующий запуск"), QKeySequence(Qt::CTRL | Qt::Key_Right), nullptr);
    TrigPrev = item("TrigPrev", QStringLiteral("Предыдущий запуск"), QKeySequence(Qt::CTRL | Qt::Key_Left), nullptr);
    connect(TrigNext, &QAction::triggered, this, [this] { TrigNext_Click(); });
    connect(TrigPrev, &QAction::triggered, this, [this] { TrigPrev_Click(); });
    Sinhro->addSeparator();
    MeasureMenu = item("MeasureMenu", QStringLiteral("Измерения"), QKeySequence(Qt::CTRL | Qt::Key_M), nullptr);
    MeasureMenu->setCheckable(true);
    connect(MeasureMenu, &QAction::triggered, this, [this](bool checked) {
        MeasureMenu->setChecked(!checked);
        MeasureMenu_Click();
    });
    CalibMenu = item("CalibMenu", QStringLiteral("Калибровка…"), QKeySequence(), nullptr);
    connect(CalibMenu, &QAction::triggered, this, [this] { CalibMenu_Click(); });

    Trig = Options::LoadTrigger();
    MeasureShown = Options::LoadMeasureShown();
    CalFactor[0] = Calibration::StoredFactor(1);
    CalFactor[1] = Calibration::StoredFactor(2);
    QAction *modeItems[] = {TrigOff, TrigAuto, TrigNormal, TrigSingle};
    modeItems[int(Trig.mode)]->setChecked(true);
    (Trig.source == 2 ? TrigCh2 : TrigCh1)->setChecked(true);
    (Trig.slope == Trigger::Slope::Falling ? TrigFall : TrigRise)->setChecked(true);
    QAction *placeItems[] = {TrigLeft, TrigOneDiv, TrigCentre};
    placeItems[int(Trig.place)]->setChecked(true);
    MeasureMenu->setChecked(MeasureShown);
    ShowCalibration();
}

void Pribor::TriggerMenu_Click()
{
    const Trigger::Mode before = Trig.mode;
    Trig.mode = TrigSingle->isChecked()   ? Trigger::Mode::Single
                : TrigNormal->isChecked() ? Trigger::Mode::Normal
                : TrigAuto->isChecked()   ? Trigger::Mode::Auto
                                          : Trigger::Mode::Off;
    Trig.source = TrigCh2->isChecked() ? 2 : 1;
    Trig.slope = TrigFall->isChecked() ? Trigger::Slope::Falling : Trigger::Slope::Rising;
    Trig.place = TrigLeft->isChecked()     ? Trigger::Place::LeftEdge
                 : TrigCentre->isChecked() ? Trigger::Place::Centre
                                           : Trigger::Place::OneDivision;
    Options::SaveTrigger(Trig);
    // The marker comes and goes with the trigger on a stopped screen.
    if (!st.CaptureRunning && before != Trig.mode && PrintBiton->isEnabled())
        PrepareScreen(st.PointCount, int16_t(RasTime->ItemData(RasTime->ListIndex())), st.ViewStart, st.Channels);
}

void Pribor::MeasureMenu_Click()
{
    MeasureShown = !MeasureShown;
    MeasureMenu->setChecked(MeasureShown);
    Options::SaveMeasureShown(MeasureShown);
    // The strip changes the screen's height: read and draw again.
    if (!st.CaptureRunning && PrintBiton->isEnabled())
        PageViewTo(st.ViewStart);
}

void Pribor::CalibMenu_Click()
{
    Kalibr dialog(this);
    for (int c = 0; c < 2; ++c)
        dialog.SetChannel(c + 1, CalFactor[c], ReadingsShown[c] ? Readings[c].peakToPeak : 0.0);
    if (ShowModal(&dialog) != QDialog::Accepted)
        return;
    for (int c = 0; c < 2; ++c) {
        CalFactor[c] = dialog.Factor(c + 1);
        Calibration::StoreFactor(c + 1, CalFactor[c]);
    }
    ShowCalibration();
    if (!st.CaptureRunning && PrintBiton->isEnabled())
        PrepareScreen(st.PointCount, int16_t(RasTime->ItemData(RasTime->ListIndex())), st.ViewStart, st.Channels);
}

void Pribor::ShowCalibration()
{
    // The captions keep their text on the nominal scale; a calibrated
    // channel gets a mark and says its factor in the tooltip.
    QLabel *captions[2] = {NLeft, NRigt};
    const QString base[2] = {QStringLiteral("Вольт/Дел.(1)"), QStringLiteral("Вольт/Дел.(2)")};
    for (int c = 0; c < 2; ++c) {
        const bool nominal = Calibration::IsNominal(CalFactor[c]);
        captions[c]->setText(nominal ? base[c] : base[c] + QStringLiteral(" ×"));
        captions[c]->setToolTip(nominal ? QString()
                                        : QStringLiteral("Калибровка: показания ×%1").arg(vb::FormatGeneral(CalFactor[c])));
    }
}

bool Pribor::PlaceLiveTrigger(int64_t &readFrom, int32_t wordCount, int sweep, int32_t &extraBytes,
                              double &shiftFrames)
{
    extraBytes = 0;
    shiftFrames = 0;
    const int channels = st.Channels;
    const QString path = Paths::MapPath(st.FlName);
    const qint64 size = QFileInfo(path).size();
    if (size < readFrom)
        return Trig.mode == Trigger::Mode::Auto;
    const QByteArray pass = ScreenRead::ReadBlock(path, readFrom, int32_t(std::min<qint64>(size - readFrom + 1, INT32_MAX)));
    const int src = sourceIndex(Trig, channels);
    const std::vector<int16_t> x = Trigger::Decode(pass, channels, src);
    const int32_t frames = (wordCount - 4) / channels;
    const Trigger::Condition c = liveCondition(x, src);
    // The screen reads 4 words beyond its frames, and one frame more for
    // the fraction of a frame the fast sweeps shift by.
    const int32_t spare = 4 / channels + 1;
    const auto start = Trigger::PlaceScreen(x, c, Trigger::FramesBefore(Trig.place, frames), frames, spare);
    if (!start)
        return Trig.mode == Trigger::Mode::Auto;  // auto runs free; normal and single wait

    // Upsampled: shift the picture by the fraction, so a steady signal
    // stands still to a fraction of a point.
    const Trigger::ScreenStart at = Trigger::SplitStart(*start, sweep >= 200);
    readFrom += at.frame * 2 * channels;
    if (sweep >= 200) {
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

std::optional<Trigger::ScreenStart> Pribor::PlaceFrameTrigger(const QByteArray &stretch, int32_t wordCount, int sweep)
{
    const int channels = st.Channels;
    const int src = sourceIndex(Trig, channels);
    const std::vector<int16_t> x = Trigger::Decode(stretch, channels, src);
    const int32_t frames = (wordCount - 4) / channels;
    const int32_t spare = 4 / channels + 1;  // as PlaceLiveTrigger's
    const auto start = Trigger::PlaceLatestScreen(x, liveCondition(x, src), Trigger::FramesBefore(Trig.place, frames),
                                                  frames, spare);
    if (!start)
        return std::nullopt;
    return Trigger::SplitStart(*start, sweep >= 200);
}

void Pribor::MeasureScreen(const QByteArray &block, int sweep)
{
    ReadingsShown[0] = ReadingsShown[1] = false;
    if (!MeasureShown || st.SampleRate <= 0)
        return;
    const int channels = st.Channels;
    const size_t frames = size_t(ScreenRead::SizeFor(st.SampleRate, sweep, channels).framesPerScreen);
    for (int c = 0; c < channels; ++c) {
        const std::vector<int16_t> x = Trigger::Decode(block, channels, c);
        Readings[c] = Measure::Of(std::span<const int16_t>(x.data(), std::min(frames, x.size())), st.SampleRate);
        ReadingsShown[c] = true;
    }
}

void Pribor::DrawScreenExtras()
{
    if (Trig.mode != Trigger::Mode::Off) {
        const int src = sourceIndex(Trig, st.Channels);
        const bool drawn = src == 0 || (st.TwoBeam && !st.SubtractMode);
        if (drawn) {
            VbComboBox *sens = src == 0 ? U2 : U1;
            const VbScrollBar *bar = src == 0 ? VScroll2 : VScroll1;
            const double s = sens->ListIndex() < 0 ? 1 : sens->ItemData(sens->ListIndex());
            const double units = Calibration::ToUnits(Trig.levelVolts, CalFactor[src]);
            RisBox->Marker(-(units * s + bar->Value()), VbColor(kTraceColour[src]));
        }
    }
    if (RisBox->StripHeight > 0) {
        QStringList lines;
        std::vector<QColor> colours;
        for (int c = 0; c < 2; ++c) {
            if (!ReadingsShown[c])
                continue;
            lines << Measure::Line(c + 1, Readings[c], Calibration::VoltsPerUnit(CalFactor[c]));
            colours.push_back(VbColor(kTraceColour[c]));
        }
        RisBox->Strip(lines, colours);
    }
}

void Pribor::StopOnSingleTrigger(int64_t readFrom)
{
    singleFired_ = false;
    // The triggered pass is in the working file now; the stop would save
    // the pass that followed it over it. Keep it aside, stop, and show it.
    const QString kept = Paths::WorkingFolder() + QStringLiteral("/single.keep");
    FileOps::FileCopy(Paths::MapPath(kWorkingFile), kept);
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
    const int32_t frames = ScreenRead::SizeFor(st.SampleRate, RasTime->ItemData(sweepIndex), channels).framesPerScreen;
    const double before = Trigger::FramesBefore(Trig.place, frames);
    // Frames counted from the first sample of the file. A view rounded to
    // whole frames may stand a frame or two off its trigger.
    const double here = double(st.ViewStart - st.DataStart) / frameBytes + before;
    const int src = sourceIndex(Trig, channels);
    VbComboBox *sens = src == 0 ? U2 : U1;
    Trigger::Condition c;
    c.slope = Trig.slope;
    c.hysteresis = Options::HysteresisUnits(sens->ListIndex() < 0 ? 1 : sens->ItemData(sens->ListIndex()));
    const double levelUnits = Calibration::ToUnits(Trig.levelVolts, CalFactor[src]);
    const QString path = Paths::MapPath(st.FlName);
    const int64_t total = (st.FileLength - st.DataStart + 1) / frameBytes;

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
            const auto p = forward ? Trigger::FindNext(x, c, here + 2 - double(from))
                                   : Trigger::FindPrevious(x, c, here - 2 - double(from));
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
    const int64_t startFrame = std::max<int64_t>(0, std::llround(*found - before));
    PageViewTo(st.DataStart + startFrame * frameBytes);
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
