// SPDX-License-Identifier: GPL-3.0-or-later
// Input choice through the private test sound server (scripts/test.sh starts
// it): a second input with another tone, the monitor of an output, and an
// input unplugged while in use.
#include "acquisition/captureengine.h"
#include "acquisition/inputchoice.h"
#include "app/pribor.h"
#include "app/inputtool.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testregistry.h"

#include <QProcess>
#include <QTest>
#include <QTimer>

namespace {

QString pactl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Zero crossings of the first trace on screen, with a hysteresis against noise.
int crossings(const Pribor &w)
{
    int n = 0, sign = 0;
    for (int i = 0; i <= w.st.PointCount && size_t(i) < w.st.LeftBuffer.size(); ++i) {
        const int v = w.st.LeftBuffer[size_t(i)];
        const int s = v > 1500 ? 1 : v < -1500 ? -1 : 0;
        if (s != 0 && sign != 0 && s != sign)
            ++n;
        if (s != 0)
            sign = s;
    }
    return n;
}

}  // namespace

class InputChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void choosingSwitchesCaptureAndAGoneInputFallsBack()
    {
        if (qEnvironmentVariableIsEmpty("SIGM_TEST_PULSE_SOURCE"))
            QSKIP("SIGM_TEST_PULSE_SOURCE is not set: no test sound server (scripts/test.sh starts one)");
        if (!qEnvironmentVariableIsEmpty("SIGM_INPUT"))
            QSKIP("SIGM_INPUT is set and wins over the choice");
        TestEnv::Reset();
        // A second input carrying 440 Hz.
        const QString sink = pactl({"load-module", "module-null-sink", "sink_name=scope2", "rate=48000", "channels=2"});
        const QString remap =
            pactl({"load-module", "module-remap-source", "master=scope2.monitor", "source_name=scopein2"});
        QVERIFY(!sink.isEmpty() && !remap.isEmpty());
        QProcess tone, feed;
        tone.setStandardOutputProcess(&feed);
        tone.start(QStringLiteral("sox"), {"-q", "-n", "-r", "48000", "-c", "2", "-b", "16", "-e", "signed", "-t", "raw",
                                           "-", "synth", "120", "sine", "440", "sine", "440", "vol", "0.5"});
        feed.start(QStringLiteral("pacat"), {"--playback", "--raw", "-d", "scope2", "--rate=48000", "--channels=2",
                                             "--format=s16le", "--latency-msec=20"});
        QVERIFY(tone.waitForStarted() && feed.waitForStarted());

        const QList<SoundInputInfo> inputs = InputChoice::List();
        auto listed = [&](const QString &id, bool monitor) {
            for (const SoundInputInfo &i : inputs)
                if (i.name == id)
                    return i.monitor == monitor;
            return false;
        };
        QVERIFY(listed("scopein2", false));
        QVERIFY(listed("scope.monitor", true));

        ScriptedMessages box;
        Pribor w;
        {
            const QSignalBlocker a(w.U1), b(w.U2), c(w.RasTime);
            w.U1->SetListIndex(0);
            w.U2->SetListIndex(0);
            w.RasTime->SetListIndex(6);  // 10 ms a screen
        }
        w.Timer1->setInterval(100);
        w.Input->ChooseInput(QStringLiteral("scopein2"));
        w.zapis_Click();
        QVERIFY(w.st.CaptureRunning);
        QTRY_VERIFY2_WITH_TIMEOUT(crossings(w) >= 7 && crossings(w) <= 10, qPrintable(QString::number(crossings(w))),
                                  4000);

        // The monitor of the first output, taken at once while capturing.
        w.Input->ChooseInput(QStringLiteral("scope.monitor"));
        QVERIFY(w.st.CaptureRunning);
        QTRY_VERIFY2_WITH_TIMEOUT(crossings(w) >= 18 && crossings(w) <= 22, qPrintable(QString::number(crossings(w))),
                                  4000);
        QCOMPARE(InputChoice::Stored(), QStringLiteral("scope.monitor"));
        QVERIFY(w.Input->InputLabel->isVisible() || !w.isVisible());

        // Back to the second input, then it is unplugged: capture goes on
        // from the default input and the user is told.
        w.Input->ChooseInput(QStringLiteral("scopein2"));
        QTRY_VERIFY_WITH_TIMEOUT(crossings(w) <= 10, 4000);
        pactl({"unload-module", remap});
        // (It is named as the menu names it, not by the server's id.)
        QString described;
        for (const SoundInputInfo &i : inputs)
            if (i.name == QLatin1String("scopein2"))
                described = i.description;
        QVERIFY(!described.isEmpty() && described != QLatin1String("scopein2"));
        QTRY_VERIFY2_WITH_TIMEOUT(box.Texts().join('\n').contains(QStringLiteral("«%1» не найден").arg(described)),
                                  qPrintable(box.Texts().join('|') + QString::number(w.st.CaptureRunning)), 10000);
        QTRY_VERIFY2_WITH_TIMEOUT(w.st.CaptureRunning && crossings(w) >= 18 && crossings(w) <= 22,
                                  qPrintable(QString::number(crossings(w))), 4000);
        // Told once: the watch that looks for the input every 1.5 s does
        // not restart capture (and say it again) while it stays away.
        QTest::qWait(3500);
        QCOMPARE(box.Texts().size(), 1);
        QVERIFY(w.st.CaptureRunning);
        // Plugged in again: capture goes back to it without a word.
        const QString again =
            pactl({"load-module", "module-remap-source", "master=scope2.monitor", "source_name=scopein2"});
        QVERIFY(!again.isEmpty());
        QTRY_VERIFY2_WITH_TIMEOUT(w.st.CaptureRunning && crossings(w) >= 7 && crossings(w) <= 10,
                                  qPrintable(QString::number(crossings(w))), 6000);
        QCOMPARE(box.Texts().size(), 1);
        QCOMPARE(w.Input->InputInUse(), described);
        pactl({"unload-module", again});

        w.Stopbiton_Click();
        w.Input->ChooseInput(QString());
        CaptureEngine::Instance().Shutdown();
        tone.kill();
        feed.kill();
        tone.waitForFinished();
        feed.waitForFinished();
        pactl({"unload-module", sink});
    }
};

SIGM_TEST(InputChoiceTest)
#include "tst_input.moc"
