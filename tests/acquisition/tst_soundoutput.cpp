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
#include <complex>
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
    void frequencyResponseThroughTheLoop()
    {
        // The response measured from the generator's sink to the monitor
        // of a sink: first a straight loop, where what goes out on each
        // channel comes back unchanged, so input 1 against input 2 reads
        // 0 dB and 0° at every step; then with sox's second-order low-pass
        // at 1 kHz in the left path only (one stream split and merged
        // again, so both channels keep the same delay), read against the
        // filter's closed form.
        if (qEnvironmentVariableIsEmpty("SIGM_TEST_PULSE_SOURCE"))
            QSKIP("SIGM_TEST_PULSE_SOURCE is not set: no test sound server (scripts/test.sh starts one)");
        QStringList modules;
        const auto unload = qScopeGuard([&] {
            for (const QString &m : modules)
                pactl({QStringLiteral("unload-module"), m});
        });
        for (const char *name : {"sink_name=resploop", "sink_name=respcircuit"}) {
            modules << pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"), QString::fromLatin1(name),
                              QStringLiteral("rate=48000"), QStringLiteral("channels=2"), QStringLiteral("norewinds=1")});
            QVERIFY2(!modules.back().isEmpty(), "could not add a sink for the loop");
        }
        auto measure = [](const QString &monitor, double settle, std::vector<ToneResponse::Point> *points) {
            int err = 0;
            std::unique_ptr<CaptureSource> input;
            QTRY_VERIFY_WITH_TIMEOUT((input = MakeSoundInput(monitor, &err)) != nullptr, 5000);
            ResponseSweep::Settings s;
            s.perOctave = 3;
            s.settleSeconds = settle;
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
            QVERIFY(!run.Sweep().AnyClipped() && !run.Sweep().AnySilent());
            *points = run.Sweep().Points();
            qInfo("%zu steps in %.1f s (%.1f s of capture needed)", points->size(), run.ElapsedSeconds(),
                  run.Sweep().SecondsNeeded());
        };

        std::vector<ToneResponse::Point> points;
        measure(QStringLiteral("resploop.monitor"), 0.15, &points);
        if (QTest::currentTestFailed())
            return;
        for (const ToneResponse::Point &p : points) {
            QVERIFY2(std::abs(p.gainDb) < 0.05, qPrintable(QStringLiteral("%1 Hz: %2 dB").arg(p.hz).arg(p.gainDb)));
            QVERIFY2(std::abs(p.phaseDegrees) < 0.5, qPrintable(QStringLiteral("%1 Hz: %2°").arg(p.hz).arg(p.phaseDegrees)));
            QVERIFY2(std::abs(p.referenceDbfs + 6) < 0.1, qPrintable(QStringLiteral("%1 Hz: %2 dBFS").arg(p.hz).arg(p.referenceDbfs)));
        }

        // The circuit: parec → (left: lowpass 1000, right: as it is) → pacat.
        const QString raw = QStringLiteral("-t raw -r 48000 -b 16 -e signed");
        const QString script =
            QStringLiteral("d=$(mktemp -d); mkfifo \"$d/a\" \"$d/b\"; trap 'trap - TERM; rm -rf \"$d\"; kill 0' TERM; "
                           "parec -d resploop.monitor --raw --format=s16le --rate=48000 --channels=2 --latency-msec=10 "
                           "| tee \"$d/a\" > \"$d/b\" & "
                           "sox --buffer 512 -M %1 -c 1 \"|sox --buffer 512 %1 -c 2 $d/a %1 -c 1 - remix 1 lowpass 1000\" "
                           "%1 -c 1 \"|sox --buffer 512 %1 -c 2 $d/b %1 -c 1 - remix 2\" %1 -c 2 - "
                           "| pacat -d respcircuit --raw --format=s16le --rate=48000 --channels=2 --latency-msec=20 & wait")
                .arg(raw);
        QProcess circuit;
        circuit.start(QStringLiteral("setsid"), {QStringLiteral("bash"), QStringLiteral("-c"), script});
        QVERIFY(circuit.waitForStarted(5000));
        const auto end = qScopeGuard([&] {
            circuit.terminate();
            circuit.waitForFinished(5000);
        });
        measure(QStringLiteral("respcircuit.monitor"), 0.4, &points);
        if (QTest::currentTestFailed())
            return;
        // sox's lowpass is the audio cookbook's, Q = 1/√2.
        const double w0 = 2 * M_PI * 1000 / 48000, alpha = std::sin(w0) / std::sqrt(2.0);
        const double b0 = (1 - std::cos(w0)) / 2, b1 = 1 - std::cos(w0), b2 = b0;
        const double a0 = 1 + alpha, a1 = -2 * std::cos(w0), a2 = 1 - alpha;
        double worstDb = 0, worstDeg = 0;
        for (const ToneResponse::Point &p : points) {
            const std::complex<double> z = std::polar(1.0, -2 * M_PI * p.hz / 48000);
            const std::complex<double> h = (b0 + b1 * z + b2 * z * z) / (a0 + a1 * z + a2 * z * z);
            const double db = p.gainDb - 20 * std::log10(std::abs(h));
            const double deg = std::remainder(p.phaseDegrees - std::arg(h) * 180 / M_PI, 360.0);
            worstDb = std::max(worstDb, std::abs(db));
            worstDeg = std::max(worstDeg, std::abs(deg));
            QVERIFY2(std::abs(db) < 0.2 && std::abs(deg) < 2,
                     qPrintable(QStringLiteral("%1 Hz: %2 dB, %3° off").arg(p.hz).arg(db).arg(deg)));
        }
        qInfo("low-pass: worst %.3f dB, %.2f° from the closed form", worstDb, worstDeg);
        QVERIFY(points.back().gainDb < -50);
    }
};

SIGM_TEST(SoundOutputTest)
#include "tst_soundoutput.moc"
