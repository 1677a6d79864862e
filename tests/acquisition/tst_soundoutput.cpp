// SPDX-License-Identifier: GPL-3.0-or-later
// The generator through a real sound server: a sink of its own, its monitor
// recorded by parec, and what came out measured by the lock-in.
#include "acquisition/capturesource.h"
#include "acquisition/responserun.h"
#include "acquisition/soundoutput.h"
#include "analysis/toneresponse.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <cmath>
#include <vector>

namespace {

QString pactl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    p.waitForFinished(5000);
    return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()).trimmed() : QString();
}

}  // namespace

class SoundOutputTest : public QObject {
    Q_OBJECT
private slots:
    void theGeneratorIsHeardAsSet()
    {
        if (qEnvironmentVariableIsEmpty("SIGM_TEST_PULSE_SOURCE"))
            QSKIP("SIGM_TEST_PULSE_SOURCE is not set: no test sound server (scripts/test.sh starts one)");
        const QString module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                      QStringLiteral("sink_name=gentest"), QStringLiteral("rate=48000"),
                                      QStringLiteral("channels=2")});
        QVERIFY2(!module.isEmpty(), "could not add a sink for the generator");
        const auto unload = qScopeGuard([&] { pactl({QStringLiteral("unload-module"), module}); });

        SoundOutput out(48000);
        SignalGen::Wave left;
        left.frequency = 1000;
        left.amplitude = SignalGen::AmplitudeOfDbfs(-6);
        SignalGen::Wave right = left;
        right.amplitude = SignalGen::AmplitudeOfDbfs(-12);
        right.phaseDegrees = -90;
        out.Set(0, left, true);
        out.Set(1, right, true);
        QString error;
        QVERIFY2(out.Start(QStringLiteral("gentest"), &error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(out.Playing() || !out.Failed().isEmpty(), 5000);
        QVERIFY2(out.Failed().isEmpty(), qPrintable(out.Failed()));

        // A second of what the sink hears, after the first buffer has settled.
        QProcess rec;
        rec.start(QStringLiteral("parec"), {QStringLiteral("-d"), QStringLiteral("gentest.monitor"), QStringLiteral("--raw"),
                                            QStringLiteral("--format=s16le"), QStringLiteral("--rate=48000"),
                                            QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=20")});
        QVERIFY(rec.waitForStarted(5000));
        QByteArray bytes;
        QElapsedTimer clock;
        clock.start();
        while (bytes.size() < 1.5 * 48000 * 4 && clock.elapsed() < 10000) {
            rec.waitForReadyRead(200);
            bytes += rec.readAllStandardOutput();
        }
        rec.kill();
        rec.waitForFinished(2000);
        QVERIFY2(bytes.size() >= 1.5 * 48000 * 4, qPrintable(QString::number(bytes.size())));
        const auto *frames = reinterpret_cast<const int16_t *>(bytes.constData()) + 2 * 24000;
        const ToneResponse::Point p = ToneResponse::Measure(frames, 48000, 48000, 1000);
        // Right against left: 6 dB lower, 90° behind.
        QVERIFY2(std::abs(p.gainDb - 6.0) < 0.05, qPrintable(QString::number(p.gainDb)));
        QVERIFY2(std::abs(p.phaseDegrees - 90) < 0.5, qPrintable(QString::number(p.phaseDegrees)));
        QVERIFY2(std::abs(p.referenceDbfs + 12) < 0.1, qPrintable(QString::number(p.referenceDbfs)));

        QVERIFY(out.FramesPlayed() > 48000);
        out.Stop();
        QVERIFY(!out.Playing());
    }
    void frequencyResponseOfAStraightLoop()
    {
        // The response measured from the generator's sink to its own
        // monitor: what goes out on each channel comes back unchanged, so
        // input 1 against input 2 reads 0 dB and 0° at every step, and the
        // reference is neither clipped nor silent.
        if (qEnvironmentVariableIsEmpty("SIGM_TEST_PULSE_SOURCE"))
            QSKIP("SIGM_TEST_PULSE_SOURCE is not set: no test sound server (scripts/test.sh starts one)");
        const QString module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                      QStringLiteral("sink_name=resploop"), QStringLiteral("rate=48000"),
                                      QStringLiteral("channels=2"), QStringLiteral("norewinds=1")});
        QVERIFY2(!module.isEmpty(), "could not add a sink for the loop");
        const auto unload = qScopeGuard([&] { pactl({QStringLiteral("unload-module"), module}); });
        int err = 0;
        std::unique_ptr<CaptureSource> input;
        QTRY_VERIFY_WITH_TIMEOUT((input = MakeSoundInput(QStringLiteral("resploop.monitor"), &err)) != nullptr, 5000);

        ResponseSweep::Settings s;
        s.perOctave = 3;
        ResponseRun run(s, std::move(input), QStringLiteral("resploop"));
        QString error;
        QVERIFY2(run.Start(&error), qPrintable(error));
        QElapsedTimer clock;
        clock.start();
        while (run.Poll() && clock.elapsed() < 120000)
            QThread::msleep(5);
        QVERIFY2(run.Failed().isEmpty(), qPrintable(run.Failed()));
        QVERIFY(run.Sweep().Done() && !run.Sweep().Cancelled());
        QCOMPARE(run.Sweep().Points().size(), run.Sweep().StepCount());
        for (const ToneResponse::Point &p : run.Sweep().Points()) {
            QVERIFY2(std::abs(p.gainDb) < 0.05, qPrintable(QStringLiteral("%1 Hz: %2 dB").arg(p.hz).arg(p.gainDb)));
            QVERIFY2(std::abs(p.phaseDegrees) < 0.5, qPrintable(QStringLiteral("%1 Hz: %2°").arg(p.hz).arg(p.phaseDegrees)));
            QVERIFY2(std::abs(p.referenceDbfs + 6) < 0.1, qPrintable(QStringLiteral("%1 Hz: %2 dBFS").arg(p.hz).arg(p.referenceDbfs)));
        }
        qInfo("31 steps in %.1f s (%.1f s of capture needed)", run.ElapsedSeconds(), run.Sweep().SecondsNeeded());
    }
};

SIGM_TEST(SoundOutputTest)
#include "tst_soundoutput.moc"
