// SPDX-License-Identifier: GPL-3.0-or-later
// The generator's window as a user works it: opened from the menu, numbers
// typed in the window's own locale, a channel switched on plays through the
// test sound server, closing it stops the sound and clears the menu's mark;
// the frequency response opened from it measures, cancels and saves.
#include "acquisition/soundoutput.h"
#include "app/pribor.h"
#include "generator/generatorwindow.h"
#include "generator/outputbox.h"
#include "generator/responsewindow.h"
#include "platform/settings.h"
#include "testenv.h"
#include "testregistry.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QLabel>
#include <QLocale>
#include <QTest>

class GeneratorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void typedNumbersPlayAndClosingStops()
    {
        for (const char *name : {"ru_RU", "C"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(name)));
            Pribor w;
            auto *menu = w.findChild<QAction *>(QStringLiteral("GeneratorMenu"));
            QVERIFY(menu && !menu->isChecked());
            menu->trigger();
            auto *gen = w.findChild<GeneratorWindow *>();
            QVERIFY(gen && gen->isVisible() && menu->isChecked());
            QCOMPARE(gen->state->textFormat(), Qt::PlainText);

            // 1000.5 Hz and −6.5 dBFS, typed as the locale writes them.
            const QString dp = QLocale().decimalPoint();
            for (auto [box, text] : {std::pair{gen->channels[0].frequency, QStringLiteral("1000") + dp + "5"},
                                     std::pair{gen->channels[0].level, QStringLiteral("-6") + dp + "5"}}) {
                box->selectAll();
                QTest::keyClicks(box, text);
                QTest::keyClick(box, Qt::Key_Enter);
            }
            const SignalGen::Wave wave = gen->WaveOf(0);
            QVERIFY2(wave.frequency == 1000.5, qPrintable(QString::fromLatin1(name) + ": " + QString::number(wave.frequency)));
            QVERIFY(std::abs(SignalGen::DbfsOfAmplitude(wave.amplitude) + 6.5) < 1e-9);
            QVERIFY(!gen->Output().Playing());

            if (!qEnvironmentVariableIsEmpty("SIGM_TEST_PULSE_SOURCE")) {
                gen->channels[0].on->setChecked(true);
                QTRY_VERIFY_WITH_TIMEOUT(gen->Output().Playing(), 5000);
                QTRY_VERIFY(gen->state->text().startsWith(QStringLiteral("Звучит")));
                // The test server's own output chosen by name: the stream
                // starts again there, and the choice is kept.
                QTRY_VERIFY(gen->output->findData(QStringLiteral("scope")) > 0);
                gen->output->setCurrentIndex(gen->output->findData(QStringLiteral("scope")));
                QTRY_VERIFY_WITH_TIMEOUT(gen->Output().Playing(), 5000);
                QTRY_COMPARE(gen->state->text(), QStringLiteral("Звучит: scope"));
            }
            gen->channels[1].shape->setCurrentIndex(int(SignalGen::Shape::Square));
            menu->trigger();
            QTRY_VERIFY(!w.findChild<GeneratorWindow *>());
            QVERIFY(!menu->isChecked());

            // Opened again: as it was left, but silent; a stored value out
            // of range or unreadable gives the control's default.
            SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("Generator"), QStringLiteral("Frequency2"),
                                       QStringLiteral("1e9"));
            SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("Generator"), QStringLiteral("Shape1"),
                                       QStringLiteral("sine"));
            menu->trigger();
            gen = w.findChild<GeneratorWindow *>();
            QVERIFY(gen);
            QCOMPARE(gen->channels[0].frequency->value(), 1000.5);
            QCOMPARE(gen->channels[0].level->value(), -6.5);
            QCOMPARE(gen->channels[1].shape->currentIndex(), int(SignalGen::Shape::Square));
            QCOMPARE(gen->channels[0].shape->currentIndex(), int(SignalGen::Shape::Sine));
            QCOMPARE(gen->channels[1].frequency->value(), 1000.0);
            QVERIFY(!gen->channels[0].on->isChecked() && !gen->channels[1].on->isChecked());
            QVERIFY(!gen->Output().Playing());
            if (!qEnvironmentVariableIsEmpty("SIGM_TEST_PULSE_SOURCE"))
                QCOMPARE(gen->output->Chosen(), QStringLiteral("scope"));
            menu->trigger();
            QTRY_VERIFY(!w.findChild<GeneratorWindow *>());
        }
    }
    void responseMeasuresCancelsAndSaves()
    {
        for (const char *name : {"ru_RU", "C"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(name)));
            Pribor w;
            w.findChild<QAction *>(QStringLiteral("GeneratorMenu"))->trigger();
            auto *gen = w.findChild<GeneratorWindow *>();
            QVERIFY(gen);
            gen->response->click();
            // The measurement's tones would mix with the generator's: it closes.
            QTRY_VERIFY(!w.findChild<GeneratorWindow *>());
            auto *resp = w.findChild<ResponseWindow *>();
            QVERIFY(resp && resp->isVisible());
            QCOMPARE(resp->state->textFormat(), Qt::PlainText);
            QCOMPARE(resp->warning->textFormat(), Qt::PlainText);
            QTemporaryDir dir;
            QString error;
            QVERIFY(resp->Points().empty());
            if (qEnvironmentVariableIsEmpty("SIGM_TEST_PULSE_SOURCE"))
                continue;

            // The test server's sink loops to its monitor, the default
            // input, with its own 1 kHz and 250 Hz tones added: whole
            // periods of 2, 4 and 8 kHz leave them out, and the two
            // channels read the same.
            resp->from->setValue(2000);
            resp->to->setValue(8000);
            resp->perOctave->setValue(1);
            resp->level->setValue(-12);
            resp->measure->click();
            QVERIFY(resp->Running() && resp->cancel->isEnabled() && !resp->measure->isEnabled());
            QTRY_VERIFY_WITH_TIMEOUT(!resp->Running(), 20000);
            QCOMPARE(int(resp->Points().size()), 3);
            QCOMPARE(resp->progress->value(), 3);
            for (const ToneResponse::Point &p : resp->Points())
                QVERIFY2(std::abs(p.gainDb) < 0.05 && std::abs(p.phaseDegrees) < 0.5,
                         qPrintable(QStringLiteral("%1 Hz: %2 dB %3°").arg(p.hz).arg(p.gainDb).arg(p.phaseDegrees)));
            QVERIFY2(resp->warning->text().isEmpty(), qPrintable(resp->warning->text()));
            QVERIFY(resp->measure->isEnabled() && !resp->cancel->isEnabled());

            // The table in dots whatever the locale; the pictures; a folder
            // in the way refused with the old contents kept.
            QVERIFY2(resp->WriteCsv(dir.filePath(QStringLiteral("r.csv")), &error), qPrintable(error));
            QFile csv(dir.filePath(QStringLiteral("r.csv")));
            QVERIFY(csv.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = csv.readAll().split('\n');
            QCOMPARE(lines.value(0), QByteArrayLiteral("частота_Гц,усиление_дБ,фаза_град,опора_дБFS"));
            QVERIFY2(lines.value(2).startsWith("4000.000,"), lines.value(2).constData());
            QCOMPARE(lines.value(1).split(',').size(), 4);
            QVERIFY2(resp->WritePicture(dir.filePath(QStringLiteral("r.png")), false, &error), qPrintable(error));
            QVERIFY(!QImage(dir.filePath(QStringLiteral("r.png"))).isNull());
            QVERIFY2(resp->WritePicture(dir.filePath(QStringLiteral("r.svg")), true, &error), qPrintable(error));
            QFile svg(dir.filePath(QStringLiteral("r.svg")));
            QVERIFY(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("<svg"));
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
            error.clear();
            QVERIFY(!resp->WriteCsv(dir.filePath(QStringLiteral("taken")), &error) && !error.isEmpty());

            // Cancelled at once: the points of the last run are dropped for
            // the new one's, none measured yet, and the window says so.
            resp->measure->click();
            QVERIFY(resp->Running());
            resp->cancel->click();
            QVERIFY(!resp->Running() && resp->measure->isEnabled());
            QVERIFY(resp->Points().empty());
            QVERIFY2(resp->state->text().contains(QStringLiteral("отменено")), qPrintable(resp->state->text()));
            resp->close();
            QTRY_VERIFY(!w.findChild<ResponseWindow *>());

            // What was measured with opens again; a value out of range or
            // unreadable falls back to its default.
            SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("Response"), QStringLiteral("Level"),
                                       QStringLiteral("+40"));
            SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("Response"), QStringLiteral("Settle"),
                                       QStringLiteral("0,3"));
            w.findChild<QAction *>(QStringLiteral("ResponseMenu"))->trigger();
            resp = w.findChild<ResponseWindow *>();
            QVERIFY(resp);
            QCOMPARE(resp->from->value(), 2000.0);
            QCOMPARE(resp->to->value(), 8000.0);
            QCOMPARE(resp->perOctave->value(), 1);
            QCOMPARE(resp->level->value(), -6.0);
            QCOMPARE(resp->settle->value(), 0.15);
            resp->close();
        }
    }
};

SIGM_TEST(GeneratorWindowTest)
#include "tst_generator.moc"
