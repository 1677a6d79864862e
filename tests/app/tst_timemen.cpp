// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pribor.h"
#include "app/timemen.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "testenv.h"
#include "testregistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {
QString setting(const char *key)
{
    return SettingsStore::GetSetting("Sigm", "Setting", key, "<absent>");
}

// Opens the dialog through the menu and lets `drive` act on it as a user would.
void openParameters(Pribor &w, std::function<void(TimeMen *)> drive)
{
    bool shown = false;
    UiSeam::SetModalHandler([&](QDialog *d) {
        auto *dialog = qobject_cast<TimeMen *>(d);
        shown = dialog != nullptr;
        if (dialog)
            drive(dialog);
        return d->result();
    });
    w.TimeMenu->trigger();
    UiSeam::SetModalHandler({});
    QVERIFY(shown);
}
}  // namespace

class TimeMenTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TestEnv::Reset();
        Globals::CenterBeams = true;
        Globals::Sample48k = false;
        Globals::DisplayRate = false;
    }

    void loadsTheStoredValues()
    {
        SettingsStore::SaveSetting("Sigm", "Setting", "Interval", "7");
        Pribor w;
        w.Form_Load();
        Globals::Sample48k = true;
        openParameters(w, [&](TimeMen *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Параметры"));
            QCOMPARE(d->Slider1->value(), 7);
            QCOMPARE(d->ChosenInterval, 7.0f);
            QVERIFY(d->FiltrF0->isChecked());
            QVERIFY(d->Dis48->isChecked());
            QCOMPARE(d->Label1->text(), QStringLiteral("Частота обновления осциллограммы (секунды)"));
            QCOMPARE(d->FiltrF0->text(), QStringLiteral("Центровка лучей"));
            QCOMPARE(d->Dis48->text(), QStringLiteral("Дискретизация 48 кГц"));
        });
        // Opening alone neither changes the period nor stores anything.
        QCOMPARE(w.Timer1->interval(), 7000);
        QCOMPARE(setting("F0"), QStringLiteral("<absent>"));
    }

    void sliderAtZeroAndOkStoresZeroAndRunsEvery100ms()
    {
        Pribor w;
        w.Form_Load();
        openParameters(w, [](TimeMen *d) {
            d->Slider1->setValue(0);
            d->OKBiton->click();
        });
        QCOMPARE(w.Timer1->interval(), 100);
        QCOMPARE(setting("Interval"), QStringLiteral("0"));
        QCOMPARE(setting("F0"), QStringLiteral("True"));
        QCOMPARE(setting("Disktet48"), QStringLiteral("False"));
        Pribor next;
        next.Form_Load();
        QCOMPARE(next.Timer1->interval(), 100);
    }

    void sliderAtTenAndFlagsActAtOnceAndAreStoredOnOk()
    {
        Pribor w;
        w.Form_Load();
        openParameters(w, [](TimeMen *d) {
            d->Slider1->setValue(10);
            d->Dis48->click();
            d->FiltrF0->click();
            QVERIFY(Globals::Sample48k);
            QVERIFY(!Globals::CenterBeams);
            d->OKBiton->click();
        });
        QCOMPARE(w.Timer1->interval(), 10000);
        QCOMPARE(setting("Interval"), QStringLiteral("10"));
        QCOMPARE(setting("Disktet48"), QStringLiteral("True"));
        QCOMPARE(setting("F0"), QStringLiteral("False"));
    }

    void closeBoxKeepsTheNewPeriodButStoresNothing()
    {
        SettingsStore::SaveSetting("Sigm", "Setting", "Interval", "2");
        Pribor w;
        w.Form_Load();
        openParameters(w, [](TimeMen *d) {
            d->Slider1->setValue(5);
            d->Dis48->click();
            d->close();
        });
        QCOMPARE(w.Timer1->interval(), 5000);
        QVERIFY(Globals::Sample48k);
        QCOMPARE(setting("Interval"), QStringLiteral("2"));
        QCOMPARE(setting("Disktet48"), QStringLiteral("<absent>"));
        Pribor next;
        next.Form_Load();
        QCOMPARE(next.Timer1->interval(), 2000);
    }

    void displayRateIsOffUnlessChosenAndStoredInItsOwnSection()
    {
        auto displayRate = [] { return SettingsStore::GetSetting("Sigm", "Display", "DisplayRate", "<absent>"); };
        Pribor w;
        w.Form_Load();
        QVERIFY(!Globals::DisplayRate);
        // OK without touching it leaves the settings file without the key.
        openParameters(w, [](TimeMen *d) {
            QVERIFY(!d->DisplayRateBox->isChecked());
            d->OKBiton->click();
        });
        QCOMPARE(displayRate(), QStringLiteral("<absent>"));
        // The close box keeps the choice for this run only.
        openParameters(w, [](TimeMen *d) {
            d->DisplayRateBox->click();
            d->close();
        });
        QVERIFY(Globals::DisplayRate);
        QCOMPARE(displayRate(), QStringLiteral("<absent>"));
        openParameters(w, [](TimeMen *d) {
            QVERIFY(d->DisplayRateBox->isChecked());
            d->OKBiton->click();
        });
        QCOMPARE(displayRate(), QStringLiteral("True"));
        QCOMPARE(w.Timer1->interval(), 1000);  // the refresh period is not touched
        Globals::DisplayRate = false;
        Pribor next;
        next.Form_Load();
        QVERIFY(Globals::DisplayRate);
        // A stored choice turned off again is stored as off; rubbish reads as off.
        openParameters(next, [](TimeMen *d) {
            d->DisplayRateBox->click();
            d->OKBiton->click();
        });
        QCOMPARE(displayRate(), QStringLiteral("False"));
        SettingsStore::SaveSetting("Sigm", "Display", "DisplayRate", "sometimes");
        Pribor third;
        third.Form_Load();
        QVERIFY(!Globals::DisplayRate);
    }

    void recordingLengthIsTheMinuteUnlessChosenAndStoredInItsOwnSection()
    {
        auto length = [] { return SettingsStore::GetSetting("Sigm", "Recording", "Length", "<absent>"); };
        Pribor w;
        w.Form_Load();
        QCOMPARE(StoredRecordingSeconds(), 60);
        openParameters(w, [](TimeMen *d) {
            QCOMPARE(d->RecordingLength->currentText(), QStringLiteral("1 минута"));
            QCOMPARE(d->RecordingLength->count(), 5);
            QCOMPARE(d->height(), Twips::ToPixels(1875));  // only ever wider, when the font needs it
            // Inside the dialog's classic size, clear of the classic controls.
            QVERIFY(d->rect().contains(d->RecordingLength->geometry()));
            QVERIFY(d->rect().contains(d->LengthLabel->geometry()));
            for (QWidget *classic : {static_cast<QWidget *>(d->Dis48), static_cast<QWidget *>(d->DisplayRateBox),
                                     static_cast<QWidget *>(d->OKBiton), static_cast<QWidget *>(d->Slider1)}) {
                QVERIFY(!classic->geometry().intersects(d->RecordingLength->geometry()));
                QVERIFY2(!classic->geometry().intersects(d->LengthLabel->geometry()), qPrintable(classic->objectName() + QString(" %1,%2 %3x%4").arg(classic->x()).arg(classic->y()).arg(classic->width()).arg(classic->height()) + QString(" label %1,%2 %3x%4").arg(d->LengthLabel->x()).arg(d->LengthLabel->y()).arg(d->LengthLabel->width()).arg(d->LengthLabel->height())));
            }
            d->OKBiton->click();
        });
        QCOMPARE(length(), QStringLiteral("<absent>"));
        openParameters(w, [](TimeMen *d) {
            d->RecordingLength->setCurrentIndex(2);
            d->OKBiton->click();
        });
        QCOMPARE(length(), QStringLiteral("3600"));
        QCOMPARE(StoredRecordingSeconds(), 3600);
        openParameters(w, [](TimeMen *d) {
            QCOMPARE(d->RecordingLength->currentText(), QStringLiteral("1 час"));
            d->RecordingLength->setCurrentIndex(4);
            d->OKBiton->click();
        });
        QCOMPARE(StoredRecordingSeconds(), 0);  // until stopped
        // Lengths not offered read as the classic minute.
        for (const char *text : {"61", "-5", "abc", ""}) {
            SettingsStore::SaveSetting("Sigm", "Recording", "Length", text);
            QCOMPARE(StoredRecordingSeconds(), 60);
        }
    }

    void storedIntervalTexts()
    {
        QCOMPARE(RefreshPeriodMs("0"), 100);
        QCOMPARE(RefreshPeriodMs("3"), 3000);
        QCOMPARE(RefreshPeriodMs("2.5"), 2000);  // whole seconds, half to even
        QCOMPARE(RefreshPeriodMs("11"), 1000);
        QCOMPARE(RefreshPeriodMs("-1"), 1000);
        QCOMPARE(RefreshPeriodMs("abc"), 1000);
    }
};

SIGM_TEST(TimeMenTest)
#include "tst_timemen.moc"
