// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, shut-down and the commands the main window carries out itself.
#include "app/pribor.h"
#include "app/inputtool.h"
#include "app/xytool.h"

#include "app/timemen.h"
#include "app/windowbounds.h"
#include "files/workingcopy.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kAppUpper = QStringLiteral("SIGM");
const QString kSection = QStringLiteral("Setting");

// Stored text that does not convert falls back to the key's default, so a
// damaged settings file never keeps the program from starting.
double readNumber(const QString &app, const QString &key, const QString &def)
{
    const QString text = SettingsStore::GetSetting(app, kSection, key, def);
    if (auto v = vb::ParseNumber(text))
        return *v;
    return *vb::ParseNumber(def);
}

// A number outside [lo, hi] is no more a setting than text is: it is checked
// here, before anything converts it.
double readNumberIn(const QString &app, const QString &key, const QString &def, double lo, double hi)
{
    const double v = readNumber(app, key, def);
    return v >= lo && v <= hi ? v : *vb::ParseNumber(def);
}

int readWhole(const QString &app, const QString &key, const QString &def, int lo, int hi)
{
    const double v = readNumber(app, key, def);
    const double r = vb::RoundHalfEven(v);
    if (r < lo || r > hi)
        return int(*vb::ParseNumber(def));
    return int(r);
}

bool readBool(const QString &key, const QString &def)
{
    const QString text = SettingsStore::GetSetting(kApp, kSection, key, def);
    if (auto v = vb::ParseBool(text))
        return *v;
    return *vb::ParseBool(def);
}

std::vector<QRect> screenAreas()
{
    std::vector<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas.push_back(screen->availableGeometry());
    return areas;
}

// Twips beyond any screen (100 000 pixels): not a place anyone chose.
constexpr double kFarTwips = 1.5e6;

QString numberText(double v)
{
    // Positions are stored as the text of a single-precision number.
    return vb::FormatSingle(v);
}

}  // namespace

void Pribor::Form_Load()
{
    // 1. Refresh period.
    Timer1->setInterval(
        RefreshPeriodMs(SettingsStore::GetSetting(kApp, kSection, QStringLiteral("Interval"), QStringLiteral("1"))));

    // 2. Two-beam mode: only the exact text "True" turns it on.
    if (SettingsStore::GetSetting(kApp, kSection, QStringLiteral("Stereo"), QStringLiteral("True"))
        == QLatin1String("True")) {
        st.TwoBeam = true;
    } else {
        Ster->setChecked(false);
        st.TwoBeam = false;
    }

    // 3. Program-wide flags.
    Globals::CenterBeams = readBool(QStringLiteral("F0"), QStringLiteral("True"));
    Globals::Sample48k = readBool(QStringLiteral("Disktet48"), QStringLiteral("False"));
    Globals::DisplayRate = StoredDisplayRate();

    // Beyond the front panel: X-Y picture and the chosen input.
    XYView->Load();
    Input->Load();

    // 4. Geometry and state.
    //    A stored size too small to show anything is not a size anyone chose.
    double x = readNumberIn(kApp, QStringLiteral("XPosition"), QStringLiteral("0"), -kFarTwips, kFarTwips);
    double y = readNumberIn(kApp, QStringLiteral("YPosition"), QStringLiteral("0"), -kFarTwips, kFarTwips);
    double w = readNumberIn(kApp, QStringLiteral("Widht"), QStringLiteral("9510"), 1500, kFarTwips);
    double h = readNumberIn(kApp, QStringLiteral("Height"), QStringLiteral("7125"), 1500, kFarTwips);
    //    Bounds from another screen layout are brought onto this one; bounds
    //    that fit are applied exactly as stored, so they round-trip.
    const QRect stored = Twips::RectToPixels(x, y, w, h);
    const QRect fitted = WindowBounds::Fit(stored, screenAreas());
    if (fitted != stored) {
        if (fitted.x() != stored.x())
            x = Twips::FromPixels(fitted.x());
        if (fitted.y() != stored.y())
            y = Twips::FromPixels(fitted.y());
        if (fitted.width() != stored.width())
            w = Twips::FromPixels(fitted.width());
        if (fitted.height() != stored.height())
            h = Twips::FromPixels(fitted.height());
    }
    SetBoundsTw(x, y, w, h);
    SetWindowStateVb(readWhole(kApp, QStringLiteral("WindowsState"), QStringLiteral("0"), 0, 2));

    // 5. Position bars (raise their change handlers like a user's move).
    VScroll2->SetValue(readWhole(kAppUpper, QStringLiteral("VS2"), QStringLiteral("0"), -32768, 32767));
    VScroll1->SetValue(readWhole(kAppUpper, QStringLiteral("VS1"), QStringLiteral("0"), -32768, 32767));

    // 6. Selectors.
    U2->SetListIndex(readWhole(kApp, QStringLiteral("U2"), QStringLiteral("0"), -1, U2->ListCount() - 1));
    U1->SetListIndex(readWhole(kApp, QStringLiteral("U1"), QStringLiteral("0"), -1, U1->ListCount() - 1));
    RasTime->SetListIndex(
        readWhole(kApp, QStringLiteral("RasTime"), QStringLiteral("9"), -1, RasTime->ListCount() - 1));

    // 7. Start-up hint.
    if (SettingsStore::GetSetting(kApp, kSection, QStringLiteral("help"), QString()).isEmpty())
        Timer3->start();

    // 8. Lay the window out once.
    Form_Resize();
}

void Pribor::Form_Unload()
{
    // Everything stored on the way out (the level meter's and the spectrum
    // window's places too) goes to the settings file in one write.
    SettingsStore::Batch settingsBatch;
    // Every failure here ends the sequence silently; the window still closes.
    try {
        st.Unloading = true;
        // A memory recording still running is kept, not deleted with the
        // working file: the operator has not even seen it yet.
        const bool keepRecording = memoryRecording_;

        if (Stopbiton->isEnabled()) {
            Stopbiton_Click();
        } else {
            st.StopRecordingOnClose = true;
            SaveBiton_Click();
            CloseSaveZvuk();
            Stopbiton_Click();
        }

        if (Uroven->isChecked()) {
            Uroven->setChecked(false);
            Uroven_Click();
        }
        if (SpektrWindow)
            Spektr_Click();

        const int state = WindowStateVb();
        if (state != 1)
            SettingsStore::SaveSetting(kAppUpper, kSection, QStringLiteral("WindowsState"), QString::number(state));

        // Store the normal-state bounds even when the window is maximized.
        double left, top, width, height;
        NormalBoundsTw(left, top, width, height);
        SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("XPosition"), numberText(left));
        SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("YPosition"), numberText(top));
        SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Widht"), numberText(width));
        SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Height"), numberText(height));

        SettingsStore::SaveSetting(kAppUpper, kSection, QStringLiteral("VS2"), QString::number(VScroll2->Value()));
        SettingsStore::SaveSetting(kAppUpper, kSection, QStringLiteral("VS1"), QString::number(VScroll1->Value()));
        SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("U2"), QString::number(U2->ListIndex()));
        SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("U1"), QString::number(U1->ListIndex()));
        SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("RasTime"), QString::number(RasTime->ListIndex()));

        if (keepRecording && !st.CaptureRunning && st.FlName == QStringLiteral("c:\\tmp.wav")
            && QFile::exists(Paths::WorkingFile()))
            QFile::copy(Paths::WorkingFile(), RescueFileName());
        // Only the files this program makes, by name, in the user's working
        // folder: the program folder is shared (an installed one belongs to
        // the system) and other files there are not ours to delete.
        const QString working = Paths::WorkingFile();
        for (const QString &own : {working, WorkingCopy::PartialName(working), Paths::RecordingFile()})
            if (QFileInfo(own).isFile())
                QFile::remove(own);
    } catch (...) {
    }
}

void Pribor::Ster_Click()
{
    auto toggle = [this] {
        if (Ster->isChecked()) {
            Ster->setChecked(false);
            SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Stereo"), QStringLiteral("False"));
            st.TwoBeam = false;
        } else {
            Ster->setChecked(true);
            SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Stereo"), QStringLiteral("True"));
            st.TwoBeam = true;
        }
    };
    if (st.CaptureRunning) {
        Stopbiton_Click();
        toggle();
        zapis_Click();
    } else {
        toggle();
    }
}

void Pribor::TimeMenu_Click()
{
    const bool wasRunning = Stopbiton->isEnabled();
    if (wasRunning)
        Stopbiton_Click();
    {
        TimeMen dialog(Timer1, this);
        ShowModal(&dialog);
    }
    if (wasRunning)
        zapis_Click();
}

void Pribor::XminY_Click()
{
    auto subtractionOff = [this] {
        st.SubtractMode = false;
        XminY->setText(QStringLiteral("X-Y"));
        XminY->setToolTip(tr("Вкл.режим вычитания каналов"));
    };
    auto subtractionOn = [this] {
        st.SubtractMode = true;
        XminY->setText(QStringLiteral("X Y"));
        XminY->setToolTip(tr("Откл.режим вычитания каналов"));
    };
    if (zapis->isEnabled()) {
        if (st.SubtractMode)
            subtractionOff();
        else
            subtractionOn();
        // Reselecting the sweep makes its handler redraw in the new mode; at
        // the last sweep the selection does not change and raises no event,
        // so the redraw is asked for directly.
        const int sweep = RasTime->ListIndex();
        RasTime->SetListIndex(10);
        if (RasTime->ListIndex() == sweep)
            RasTime_Click();
        else
            RasTime->SetListIndex(sweep);
    } else {
        Stopbiton_Click();
        if (st.SubtractMode) {
            subtractionOff();
        } else {
            // Subtraction needs both channels.
            if (!Ster->isChecked())
                Ster_Click();
            subtractionOn();
        }
        zapis_Click();
    }
}

void Pribor::Quit_Click()
{
    close();
}
