// SPDX-License-Identifier: GPL-3.0-or-later
// Trigger, automatic measurements and calibration: the menu "Синхронизация"
// and its settings, and the readings and marks each screen gets (the
// window registers them as a reader of the screen). Placing the trigger
// and paging by it are in triggerhooks.cpp; every computation is in
// src/analysis.
#include "analysis/calibration.h"
#include "analysis/measure.h"
#include "analysis/options.h"
#include "analysis/trigger.h"
#include "app/pribor.h"
#include "calibration/kalibr.h"
#include "display/ris.h"
#include "display/screenread.h"
#include "platform/messagebox.h"
#include "platform/settings.h"
#include "platform/vbcolor.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QLocale>
#include <QMenuBar>

namespace {

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
    Sinhro = new QMenu(tr("Синхронизация"), this);
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
    TrigOff = item("TrigOff", tr("Без синхронизации"), QKeySequence(Qt::Key_F5), modes);
    TrigAuto = item("TrigAuto", tr("Автоматическая"), QKeySequence(Qt::Key_F6), modes);
    TrigNormal = item("TrigNormal", tr("Ждущая"), QKeySequence(Qt::Key_F7), modes);
    TrigSingle = item("TrigSingle", tr("Однократная"), QKeySequence(Qt::Key_F8), modes);
    Sinhro->addSeparator();
    auto *sources = new QActionGroup(this);
    TrigCh1 = item("TrigCh1", tr("От 1-го канала"), QKeySequence(Qt::ALT | Qt::Key_1), sources);
    TrigCh2 = item("TrigCh2", tr("От 2-го канала"), QKeySequence(Qt::ALT | Qt::Key_2), sources);
    auto *slopes = new QActionGroup(this);
    TrigRise = item("TrigRise", tr("По фронту"), QKeySequence(Qt::ALT | Qt::Key_Up), slopes);
    TrigFall = item("TrigFall", tr("По спаду"), QKeySequence(Qt::ALT | Qt::Key_Down), slopes);
    Sinhro->addSeparator();
    auto *places = new QActionGroup(this);
    TrigLeft = item("TrigLeft", tr("Запуск у левого края"), QKeySequence(), places);
    TrigOneDiv = item("TrigOneDiv", tr("Запуск на 1-м делении"), QKeySequence(), places);
    TrigCentre = item("TrigCentre", tr("Запуск в центре"), QKeySequence(), places);
    // Holdoff: after an event, none is taken for the time chosen.
    TrigHoldoff = Sinhro->addMenu(tr("Удержание запуска"));
    TrigHoldoff->setObjectName(QStringLiteral("TrigHoldoff"));
    auto *holdoffs = new QActionGroup(this);
    for (const double seconds : Options::kHoldoffChoices) {
        const QString caption =
            seconds <= 0   ? tr("Без удержания")
            : seconds < 1  ? QLocale().toString(seconds * 1000) + QLatin1Char(' ') + QCoreApplication::translate("Units", "мс")
                           : QLocale().toString(seconds) + QLatin1Char(' ') + QCoreApplication::translate("Units", "с");
        QAction *a = TrigHoldoff->addAction(caption);
        a->setCheckable(true);
        a->setData(seconds);
        holdoffs->addAction(a);
        connect(a, &QAction::triggered, this, [this, seconds] {
            Trig.holdoffSeconds = seconds;
            Options::SaveTrigger(Trig);
        });
    }
    Sinhro->addSeparator();
    TrigNext = item("TrigNext", tr("Следующий запуск"), QKeySequence(Qt::CTRL | Qt::Key_Right), nullptr);
    TrigPrev = item("TrigPrev", tr("Предыдущий запуск"), QKeySequence(Qt::CTRL | Qt::Key_Left), nullptr);
    connect(TrigNext, &QAction::triggered, this, [this] { TrigNext_Click(); });
    connect(TrigPrev, &QAction::triggered, this, [this] { TrigPrev_Click(); });
    Sinhro->addSeparator();
    MeasureMenu = item("MeasureMenu", tr("Измерения"), QKeySequence(Qt::CTRL | Qt::Key_M), nullptr);
    MeasureMenu->setCheckable(true);
    connect(MeasureMenu, &QAction::triggered, this, [this](bool checked) {
        MeasureMenu->setChecked(!checked);
        MeasureMenu_Click();
    });
    CalibMenu = item("CalibMenu", tr("Калибровка…"), QKeySequence(), nullptr);
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
    // A holdoff set in the settings file that the menu does not offer is
    // kept, with no item checked.
    for (QAction *a : TrigHoldoff->actions())
        a->setChecked(a->data().toDouble() == Trig.holdoffSeconds);
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
    {
        SettingsStore::Batch batch;
        for (int c = 0; c < 2; ++c) {
            CalFactor[c] = dialog.Factor(c + 1);
            Calibration::StoreFactor(c + 1, CalFactor[c]);
        }
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
    const QString base[2] = {tr("Вольт/Дел.(1)"), tr("Вольт/Дел.(2)")};
    for (int c = 0; c < 2; ++c) {
        const bool nominal = Calibration::IsNominal(CalFactor[c]);
        captions[c]->setText(nominal ? base[c] : base[c] + QStringLiteral(" ×"));
        captions[c]->setToolTip(nominal ? QString()
                                        : tr("Калибровка: показания ×%1").arg(vb::FormatGeneral(CalFactor[c])));
    }
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
        Readers.StripLines(lines, colours);
        RisBox->Strip(lines, colours);
    }
}
