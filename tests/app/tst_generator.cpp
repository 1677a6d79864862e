// SPDX-License-Identifier: GPL-3.0-or-later
// The generator's window as a user works it: opened from the menu, numbers
// typed in the window's own locale, a channel switched on plays through the
// test sound server, closing it stops the sound and clears the menu's mark.
#include "acquisition/soundoutput.h"
#include "app/pribor.h"
#include "generator/generatorwindow.h"
#include "testenv.h"
#include "testregistry.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
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
            }
            menu->trigger();
            QTRY_VERIFY(!w.findChild<GeneratorWindow *>());
            QVERIFY(!menu->isChecked());
        }
    }
};

SIGM_TEST(GeneratorWindowTest)
#include "tst_generator.moc"
