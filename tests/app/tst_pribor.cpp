// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pribor.h"
#include "display/paneltables.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "levelmeter/scala.h"
#include "platform/twips.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"
#include "testenv.h"
#include "testregistry.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {
QString setting(const char *key, const char *app = "Sigm")
{
    return SettingsStore::GetSetting(app, "Setting", key, "<absent>");
}
void store(const char *key, const QString &value)
{
    SettingsStore::SaveSetting("Sigm", "Setting", key, value);
}
std::unique_ptr<Pribor> started()
{
    auto w = std::make_unique<Pribor>();
    w->Form_Load();
    return w;
}
}  // namespace

class PriborTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }

    void emptyStoreGivesTheDefaults()
    {
        auto w = started();
        QCOMPARE(w->Timer1->interval(), 1000);
        QVERIFY(!w->Timer1->isActive());
        QVERIFY(w->Ster->isChecked());
        QVERIFY(w->st.TwoBeam);
        QVERIFY(Globals::CenterBeams);
        QVERIFY(!Globals::Sample48k);
        QCOMPARE(w->LeftTw(), 0.0);
        QCOMPARE(w->TopTw(), 0.0);
        QCOMPARE(w->WidthTw(), 9510.0);
        QCOMPARE(w->HeightTw(), 7125.0);
        QCOMPARE(w->WindowStateVb(), 0);
        QCOMPARE(w->VScroll1->Value(), 0);
        QCOMPARE(w->VScroll2->Value(), 0);
        QCOMPARE(w->U1->ListIndex(), 0);
        QCOMPARE(w->U2->ListIndex(), 0);
        QCOMPARE(w->RasTime->ListIndex(), 9);
        QVERIFY(w->Timer3->isActive());
        QCOMPARE(w->Timer3->interval(), 300);
        QCOMPARE(w->TimerIndikator->interval(), 1000);
        QVERIFY(!w->TimerIndikator->isActive());
        // Reading never wrote anything.
        QVERIFY(!QFile::exists(SettingsStore::FilePath()));
    }

    void frontPanelStartsInItsInitialState()
    {
        Pribor w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Сигмалит"));
        QVERIFY(w.OpenBitton->isEnabled() && w.SaveBiton->isEnabled() && w.zapis->isEnabled());
        QVERIFY(!w.SaveFileBiton->isEnabled() && !w.PrintBiton->isEnabled());
        QVERIFY(!w.Stopbiton->isEnabled() && !w.XminY->isEnabled());
        QCOMPARE(w.XminY->text(), QStringLiteral("X-Y"));
        QCOMPARE(w.XminY->toolTip(), QStringLiteral("Вкл. режим вычитания каналов"));
        QCOMPARE(w.SaveBiton->toolTip(), QStringLiteral("Вкл. запоминания осциллограммы"));
        QCOMPARE(w.zapis->toolTip(), QStringLiteral("Просмотр осциллограммы"));
        QVERIFY(!w.SaveWav->isEnabled() && !w.PrintMenu->isEnabled() && !w.StopMenu->isEnabled());
        QVERIFY(!w.Uroven->isEnabled() && !w.Uroven->isChecked());
        QCOMPARE(w.Label3->text(), QStringLiteral("<-----Время в секундах соответствующее началу и концу графика----- >"));
        QCOMPARE(w.File->title(), QStringLiteral("Файл"));
        // The four items of the view menu, then the spectrum window's,
        // disabled and unchecked like the level window's.
        QCOMPARE(w.Run->actions().size(), 5);
        QCOMPARE(w.Run->actions().at(3), w.Uroven);
        QCOMPARE(w.Run->actions().at(4), w.Spektr);
        QVERIFY(!w.Spektr->isEnabled() && !w.Spektr->isChecked());
        QCOMPARE(w.RunMenu->text(), QStringLiteral("Включить Осциллоскоп"));
        QCOMPARE(w.SigmMenu->text(), QStringLiteral("Запоминание осциллограммы"));
        QCOMPARE(w.Ster->text(), QStringLiteral("Двухлучевой режим"));
    }

    void selectorsCarryTheirTables()
    {
        Pribor w;
        QCOMPARE(w.RasTime->ListCount(), 11);
        QCOMPARE(w.RasTime->itemText(6), QStringLiteral("1 мС"));
        QCOMPARE(w.RasTime->ItemData(6), 100);
        QCOMPARE(w.RasTime->ItemData(10), 2000);
        QCOMPARE(w.U2->itemText(4), QStringLiteral(" 5 мВ"));
        QCOMPARE(w.U1->itemText(4), QStringLiteral("5 мВ"));
        QCOMPARE(w.U2->itemText(7), QStringLiteral("500 мкВ"));
        QCOMPARE(w.U1->ItemData(11), 5000);
        // Each sweep's screen (ten divisions) lasts 1000 ms / item data.
        const int perDivisionUs[] = {100000, 50000, 20000, 10000, 5000, 2000, 1000, 500, 200, 100, 50};
        for (int i = 0; i < 11; ++i)
            QCOMPARE(1000000 / w.RasTime->ItemData(i), 10 * perDivisionUs[i]);
    }

    void verticalBarsRunFromTopDown()
    {
        Pribor w;
        QCOMPARE(w.VScroll2->Min(), 32767);
        QCOMPARE(w.VScroll2->Max(), -32768);
        w.VScroll2->SetValue(0);
        // One page down (towards the bottom) is one division lower.
        w.VScroll2->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(w.VScroll2->Value(), -8192);
        w.VScroll2->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(w.VScroll2->Value(), -8192 + 819);
        w.VScroll2->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(w.VScroll2->Value(), 32767);
        QCOMPARE(w.HScroll1->Min(), 1);
        QCOMPARE(w.HScroll1->Max(), 11000);
        QCOMPARE(w.HScroll1->Value(), 1);
    }

    void storedSettingsAreRestored()
    {
        store("Interval", "0");
        store("Stereo", "true");
        store("F0", "False");
        store("Disktet48", "True");
        store("XPosition", "1500");
        store("YPosition", "750");
        store("Widht", "12000");
        store("Height", "9000");
        SettingsStore::SaveSetting("sigm", "setting", "vs1", "-8192");
        SettingsStore::SaveSetting("SIGM", "Setting", "VS2", "819");
        store("U2", "4");
        store("U1", "11");
        store("RasTime", "3");
        store("help", "1");
        auto w = started();
        QCOMPARE(w->Timer1->interval(), 100);
        QVERIFY(!w->Ster->isChecked());
        QVERIFY(!w->st.TwoBeam);
        QVERIFY(!Globals::CenterBeams);
        QVERIFY(Globals::Sample48k);
        QCOMPARE(w->LeftTw(), 1500.0);
        QCOMPARE(w->TopTw(), 750.0);
        QCOMPARE(w->WidthTw(), 12000.0);
        QCOMPARE(w->HeightTw(), 9000.0);
        QCOMPARE(w->VScroll1->Value(), -8192);
        QCOMPARE(w->VScroll2->Value(), 819);
        QCOMPARE(w->U2->ListIndex(), 4);
        QCOMPARE(w->U1->ListIndex(), 11);
        QCOMPARE(w->RasTime->ListIndex(), 3);
        QVERIFY(!w->Timer3->isActive());
        Globals::CenterBeams = true;
        Globals::Sample48k = false;
    }

    void garbageInEveryKeyStillStarts()
    {
        for (const char *key : {"Interval", "Stereo", "F0", "Disktet48", "XPosition", "YPosition", "Widht",
                                "Height", "WindowsState", "VS2", "VS1", "U2", "U1", "RasTime"})
            store(key, QStringLiteral("\u0436\u0443\u043a 12,3,4 ;;"));
        store("RasTime", "99");
        store("VS1", "70000");
        auto w = started();
        QCOMPARE(w->Timer1->interval(), 1000);
        QVERIFY(!w->st.TwoBeam);  // not the exact text "True"
        QVERIFY(Globals::CenterBeams);
        QVERIFY(!Globals::Sample48k);
        QCOMPARE(w->WidthTw(), 9510.0);
        QCOMPARE(w->HeightTw(), 7125.0);
        QCOMPARE(w->RasTime->ListIndex(), 9);
        QCOMPARE(w->VScroll1->Value(), 0);
        QCOMPARE(w->U2->ListIndex(), 0);
    }

    void hostileSettingsGiveAUsableWindow()
    {
        // Numbers no conversion can hold: each key falls back to its default
        // before anything converts it (a sanitized build checks the casts).
        store("help", "1");
        store("XPosition", "3.4e38");
        store("YPosition", "-1e300");
        store("Widht", "1e30");
        store("Height", "99999999999");
        store("Interval", "-1e300");
        store("RasTime", "1e300");
        SettingsStore::SaveSetting("SIGM", "Setting", "VS2", "-3e9");
        SettingsStore::SaveSetting("Sigm", "Scala", "XPosition", "1e30");
        SettingsStore::SaveSetting("Sigm", "Scala", "YPosition", "-7e12");
        {
            auto w = started();
            QCOMPARE(w->LeftTw(), 0.0);
            QCOMPARE(w->TopTw(), 0.0);
            QCOMPARE(w->WidthTw(), 9510.0);
            QCOMPARE(w->HeightTw(), 7125.0);
            QCOMPARE(w->Timer1->interval(), 1000);
            QCOMPARE(w->RasTime->ListIndex(), 9);
            QCOMPARE(w->VScroll2->Value(), 0);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            // The level window's stored place is unusable too: it opens at
            // its default, on the screen.
            w->Uroven->setEnabled(true);
            w->Uroven->trigger();
            QVERIFY(w->ScalaWindow);
            const QRect screen = w->screen()->availableGeometry();
            QVERIFY(screen.contains(w->ScalaWindow->pos()));
            w->close();
        }
        QCOMPARE(setting("XPosition"), QStringLiteral("0"));
        QCOMPARE(setting("YPosition"), QStringLiteral("0"));
        QCOMPARE(setting("Widht"), QStringLiteral("9510"));
        QCOMPARE(setting("Height"), QStringLiteral("7125"));

        // Plausible numbers from a bigger or another screen: larger than the
        // screen, title bar off it. The window is made to fit and brought
        // onto the screen; what is written back is what was shown.
        store("XPosition", "-200000");
        store("YPosition", "150000");
        store("Widht", "90000");
        store("Height", "8000");
        {
            auto w = started();
            const QRect screen = w->screen()->availableGeometry();
            const QRect frame = Twips::RectToPixels(w->LeftTw(), w->TopTw(), w->WidthTw(), w->HeightTw());
            QCOMPARE(frame.width(), screen.width());
            QCOMPARE(w->HeightTw(), 8000.0);
            QVERIFY(screen.contains(frame));
            w->close();
        }
        QCOMPARE(setting("XPosition"), QStringLiteral("0"));
        const int screenWidth = QGuiApplication::primaryScreen()->availableGeometry().width();
        QCOMPARE(setting("Widht"), vb::FormatSingle(Twips::FromPixels(screenWidth)));
    }

    void changeHandlersRunWhileSettingsAreApplied()
    {
        SettingsStore::SaveSetting("SIGM", "Setting", "VS2", "8192");
        store("RasTime", "5");
        Pribor w;
        int bars = 0, sweeps = 0;
        connect(w.VScroll2, &VbScrollBar::Change, &w, [&] { ++bars; });
        connect(w.RasTime, &VbComboBox::Click, &w, [&] { ++sweeps; });
        w.Form_Load();
        QCOMPARE(bars, 1);
        // The bar's redraw finds no sweep chosen yet and picks "1 мС" itself;
        // then the stored sweep is selected.
        QCOMPARE(sweeps, 2);
        QCOMPARE(w.RasTime->ListIndex(), 5);
        // Assigning the same value raises nothing.
        w.RasTime->SetListIndex(5);
        QCOMPARE(sweeps, 2);
    }

    void sterToggleStoresAtOnce()
    {
        auto w = started();
        w->Ster_Click();
        QVERIFY(!w->Ster->isChecked());
        QVERIFY(!w->st.TwoBeam);
        QCOMPARE(setting("Stereo"), QStringLiteral("False"));
        w->Ster->trigger();  // through the menu, as a user would
        QVERIFY(w->Ster->isChecked());
        QVERIFY(w->st.TwoBeam);
        QCOMPARE(setting("Stereo"), QStringLiteral("True"));
    }

    void xminyTwiceWhileIdleReturnsCaptionAndTooltip()
    {
        auto w = started();
        const int sweep = w->RasTime->ListIndex();
        int redraws = 0;
        connect(w->RasTime, &VbComboBox::Click, w.get(), [&] { ++redraws; });
        w->XminY_Click();
        QVERIFY(w->st.SubtractMode);
        QCOMPARE(w->XminY->text(), QStringLiteral("X Y"));
        QCOMPARE(w->XminY->toolTip(), QStringLiteral("Откл.режим вычитания каналов"));
        QCOMPARE(w->RasTime->ListIndex(), sweep);
        QCOMPARE(redraws, 2);  // to index 10 and back
        w->XminY_Click();
        QVERIFY(!w->st.SubtractMode);
        QCOMPARE(w->XminY->text(), QStringLiteral("X-Y"));
        QCOMPARE(w->XminY->toolTip(), QStringLiteral("Вкл.режим вычитания каналов"));
        QCOMPARE(redraws, 4);
    }

    void shutdownStoresTheFrontPanel()
    {
        store("help", "1");
        {
            auto w = started();
            w->SetBoundsTw(1200, 600, 11000, 8000);
            w->VScroll2->SetValue(-819);
            w->VScroll1->SetValue(16384);
            w->U2->SetListIndex(5);
            w->U1->SetListIndex(2);
            w->RasTime->SetListIndex(7);
            w->close();
            QCOMPARE(SettingsStore::GetSetting("sigm", "Setting", "VS2"), QStringLiteral("-819"));
        }
        QCOMPARE(setting("WindowsState"), QStringLiteral("0"));
        QCOMPARE(setting("XPosition"), QStringLiteral("1200"));
        QCOMPARE(setting("YPosition"), QStringLiteral("600"));
        QCOMPARE(setting("Widht"), QStringLiteral("11000"));
        QCOMPARE(setting("Height"), QStringLiteral("8000"));
        QCOMPARE(setting("VS1"), QStringLiteral("16384"));
        QCOMPARE(setting("U2"), QStringLiteral("5"));
        QCOMPARE(setting("U1"), QStringLiteral("2"));
        QCOMPARE(setting("RasTime"), QStringLiteral("7"));
        // ... and the next start restores it.
        auto again = started();
        QCOMPARE(again->WidthTw(), 11000.0);
        QCOMPARE(again->VScroll2->Value(), -819);
        QCOMPARE(again->RasTime->ListIndex(), 7);
    }

    void maximizedShutdownStoresStateTwoAndNormalBounds()
    {
        store("help", "1");
        auto w = started();
        w->SetBoundsTw(1500, 1500, 9510, 7125);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->SetWindowStateVb(2);
        QTest::qWait(50);
        w->close();
        QCOMPARE(setting("WindowsState"), QStringLiteral("2"));
        QCOMPARE(setting("Widht"), QStringLiteral("9510"));
        QCOMPARE(setting("Height"), QStringLiteral("7125"));
        QCOMPARE(setting("XPosition"), QStringLiteral("1500"));
    }

    void minimizedShutdownKeepsTheStoredState()
    {
        store("help", "1");
        SettingsStore::SaveSetting("SIGM", "Setting", "WindowsState", "2");
        auto w = started();
        w->SetWindowStateVb(1);
        w->close();
        QCOMPARE(setting("WindowsState"), QStringLiteral("2"));
    }

    // The shut-down removes the program's own files from the working folder
    // and nothing else: not "*.tmp" in the program folder (for the package,
    // a system folder), not someone else's file beside ours.
    void shutdownDeletesOnlyItsOwnFiles()
    {
        store("help", "1");
        const QString tmp = Paths::WorkingFile();
        const QStringList own = {tmp, tmp + ".part", Paths::RecordingFile()};
        const QStringList foreign = {Paths::ProgramFolder() + "/stray.tmp", Paths::WorkingFolder() + "/stray.tmp",
                                     Paths::WorkingFolder() + "/notes.txt"};
        for (const QString &f : own + foreign) {
            QFile file(f);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        auto w = started();
        w->close();
        for (const QString &f : own)
            QVERIFY2(!QFile::exists(f), qPrintable(f));
        for (const QString &f : foreign) {
            QVERIFY2(QFile::exists(f), qPrintable(f));
            QFile::remove(f);
        }
    }

    void aFailingShutdownStepStillCloses()
    {
        store("help", "1");
        // A folder where the working file belongs makes the shut-down's
        // step on it fail; the window still closes.
        const QString stray = Paths::ProgramFolder() + "/kept.tmp";
        {
            QFile file(stray);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir().mkpath(Paths::WorkingFile()));
        ScriptedMessages boxes;
        auto w = started();
        w->show();
        w->close();
        QVERIFY(!w->isVisible());
        QVERIFY(QFile::exists(stray));
        QFile::remove(stray);
        QDir(Paths::WorkingFile()).removeRecursively();
    }
};

SIGM_TEST(PriborTest)
#include "tst_pribor.moc"
