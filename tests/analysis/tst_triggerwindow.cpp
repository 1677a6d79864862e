// SPDX-License-Identifier: GPL-3.0-or-later
// The trigger, readouts and calibration in the real window, live through
// the test sound server (1000 Hz on channel 1, 250 Hz on channel 2).
#include "acquisition/mci.h"
#include "analysis/calibration.h"
#include "app/pribor.h"
#include "app/cursortool.h"
#include "calibration/kalibr.h"
#include "display/ris.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testregistry.h"

#include <QAction>
#include <QLineEdit>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <memory>

namespace {

std::unique_ptr<Pribor> startedWindow()
{
    SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
    auto w = std::make_unique<Pribor>();
    w->Form_Load();
    w->show();
    return w;
}

void tick(Pribor &w)
{
    QTest::qWait(100);
    w.Timer1_Timer();
}

// Slot of the trigger point, one division into the screen's frames.
int triggerSlot(const Pribor &w, int sweepItemData)
{
    const double frames = std::round(double(w.st.SampleRate) / sweepItemData);
    return int(std::lround(frames / 10 * w.st.PointCount / (frames + 1)));
}

// Sub-slot position of the first rising crossing of 0 in buf[from..to].
double risingCrossing(const std::vector<int32_t> &b, int from, int to)
{
    for (int i = std::max(1, from); i <= to && i < int(b.size()); ++i) {
        if (b[i - 1] < 0 && b[i] >= 0)
            return i - 1 + double(-b[i - 1]) / double(b[i] - b[i - 1]);
    }
    return -1;
}

}  // namespace

class TriggerWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }
    void cleanup()
    {
        mciSendString("Close Zvuk");
        qunsetenv("SIGM_INPUT");
    }

    void liveTriggerReadoutsSingleAndPaging()
    {
        const QByteArray source = qgetenv("SIGM_TEST_PULSE_SOURCE");
        if (source.isEmpty())
            QSKIP("no test sound server (scripts/test.sh starts one)");
        qputenv("SIGM_INPUT", source);
        SettingsStore::SaveSetting("Sigm", "Trigger", "Mode", "1");  // auto, channel 1, rising, 0 V, one division in
        SettingsStore::SaveSetting("Sigm", "Measure", "Shown", "True");
        ScriptedMessages boxes;
        auto w = startedWindow();
        QVERIFY(w->TrigAuto->isChecked() && w->TrigCh1->isChecked() && w->TrigRise->isChecked());
        QVERIFY(w->MeasureMenu->isChecked());

        // "100 мкС": five points a frame. Ten screens in a row put the
        // rising zero crossing at the same pixel, one division in.
        w->RasTime->SetListIndex(9);
        w->zapis_Click();
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        w->Timer1->stop();
        std::vector<double> pixels;
        for (int t = 0; t < 10; ++t) {
            tick(*w);
            const int points = w->st.PointCount;
            const double perSlot = double(w->RisBox->width()) / points;
            const int at = triggerSlot(*w, 1000);
            const double x = risingCrossing(w->st.LeftBuffer, at - 8, at + 8);
            QVERIFY2(x >= 0, qPrintable(QStringLiteral("screen %1: no crossing near slot %2").arg(t).arg(at)));
            pixels.push_back(x * perSlot);
        }
        const auto [lo, hi] = std::minmax_element(pixels.begin(), pixels.end());
        QVERIFY2(*hi - *lo <= 1.0, qPrintable(QStringLiteral("phase wanders over %1 px").arg(*hi - *lo)));

        // "1 мС": ten periods on screen; the readout is 1000 Hz within 0.1 %
        // and the signal's peak-to-peak (half of full scale: 400 mV nominal).
        w->RasTime->SetListIndex(6);
        w->Timer1->stop();
        for (int t = 0; t < 3; ++t)
            tick(*w);
        QVERIFY(w->ReadingsShown[0] && w->ReadingsShown[1]);
        QVERIFY2(std::abs(w->Readings[0].frequency - 1000) < 1.0, qPrintable(QString::number(w->Readings[0].frequency)));
        QVERIFY2(std::abs(w->Readings[1].frequency - 250) < 0.25, qPrintable(QString::number(w->Readings[1].frequency)));
        const double volts = Calibration::ToVolts(w->Readings[0].peakToPeak, w->CalFactor[0]);
        QVERIFY2(volts > 0.38 && volts < 0.42, qPrintable(QString::number(volts)));
        QVERIFY(w->RisBox->StripHeight > 0);

        // Calibration from the signal on screen: "this is 1 V peak-to-peak".
        // The factor is stored, the readout follows and channel 1's caption
        // carries the mark; channel 2 stays nominal.
        UiSeam::SetModalHandler([](QDialog *d) {
            auto *k = qobject_cast<Kalibr *>(d);
            k->KnownEdit[0]->setText(QStringLiteral("1"));
            return k->FromKnown(1) ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        w->CalibMenu->trigger();
        UiSeam::SetModalHandler({});
        QVERIFY(std::abs(w->CalFactor[0] * volts - 1.0) < 1e-3);
        QVERIFY(std::abs(Calibration::StoredFactor(1) - w->CalFactor[0]) < 1e-5);
        QCOMPARE(Calibration::StoredFactor(2), 1.0);
        QVERIFY(w->NLeft->text() != QStringLiteral("Вольт/Дел.(1)"));
        QCOMPARE(w->NRigt->text(), QStringLiteral("Вольт/Дел.(2)"));
        tick(*w);
        const double calibrated = Calibration::ToVolts(w->Readings[0].peakToPeak, w->CalFactor[0]);
        QVERIFY2(std::abs(calibrated - 1.0) < 0.02, qPrintable(QString::number(calibrated)));

        // No edge at 5 V (the signal peaks at 0.5 V calibrated): normal keeps the
        // last picture, auto runs free.
        w->Trig.levelVolts = 5;
        w->TrigNormal->trigger();
        tick(*w);
        const QImage held = w->RisBox->Image();
        tick(*w);
        QCOMPARE(w->RisBox->Image(), held);
        QVERIFY(!QFile::exists(Paths::WorkingFile()));
        w->TrigAuto->trigger();
        tick(*w);
        QVERIFY(w->RisBox->Image() != held);

        // Single: one triggered screen, then stopped with that screen shown.
        w->Trig.levelVolts = 0;
        w->TrigSingle->trigger();
        tick(*w);
        QVERIFY(!w->st.CaptureRunning && !w->Timer1->isActive());
        QVERIFY(w->zapis->isEnabled() && w->PrintBiton->isEnabled() && w->SaveFileBiton->isEnabled());
        QVERIFY(QFile::exists(Paths::WorkingFile()));
        QVERIFY2(boxes.Shown().empty(), qPrintable(boxes.Texts().join('|')));
        const int at = triggerSlot(*w, 100);
        QVERIFY(risingCrossing(w->st.LeftBuffer, at - 3, at + 3) >= 0);

        // Paging the stopped pass trigger by trigger: one period (44 frames
        // at 44.1 kHz) further, and back.
        const int32_t first = w->st.ViewStart;
        w->TrigNext->trigger();
        const int32_t second = w->st.ViewStart;
        QVERIFY2(std::abs((second - first) / 4 - 44.1) <= 2, qPrintable(QString::number(second - first)));
        QVERIFY(risingCrossing(w->st.LeftBuffer, at - 3, at + 3) >= 0);
        w->TrigPrev->trigger();
        QVERIFY2(std::abs(w->st.ViewStart - first) <= 8, qPrintable(QString::number(w->st.ViewStart - first)));

        // The level marker is dragged with the mouse and stored, cursors
        // shown or not.
        w->CursorsTool->SetCursorsShown(true);
        const double units = Calibration::ToUnits(0, w->CalFactor[0]);
        const QPoint marker(w->RisBox->width() - 4, int(w->RisBox->ToPixel(0, -(units + w->VScroll2->Value())).y()));
        QTest::mousePress(w->RisBox, Qt::LeftButton, {}, marker);
        QTest::mouseMove(w->RisBox, marker - QPoint(0, 30));
        QTest::mouseRelease(w->RisBox, Qt::LeftButton, {}, marker - QPoint(0, 30));
        QVERIFY2(w->Trig.levelVolts > 0.01, qPrintable(QString::number(w->Trig.levelVolts)));
        QVERIFY(std::abs(SettingsStore::GetSetting("Sigm", "Trigger", "Level", "").toDouble() - w->Trig.levelVolts) < 1e-9);
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Trigger", "Mode", ""), QStringLiteral("3"));
        w->close();
    }
};
SIGM_TEST(TriggerWindow)

#include "tst_triggerwindow.moc"
