// SPDX-License-Identifier: GPL-3.0-or-later
// Capture through a PipeWire daemon of the test's own (its own runtime
// folder and session bus, wireplumber linking the streams): an output
// plays 1000 Hz left and 250 Hz right at half scale, and its monitor is
// captured as a sound card's input would be.
#include "acquisition/capturesource.h"
#include "acquisition/mci.h"
#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cmath>

namespace {

// Zero crossings of one channel, with a hysteresis against noise.
int crossings(const QByteArray &frames, int channels, int channel)
{
    const auto *s = reinterpret_cast<const qint16 *>(frames.constData());
    const qsizetype n = frames.size() / qsizetype(sizeof(qint16) * channels);
    int count = 0, sign = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const int v = s[i * channels + channel];
        const int now = v > 1500 ? 1 : v < -1500 ? -1 : 0;
        if (now != 0 && sign != 0 && now != sign)
            ++count;
        if (now != 0)
            sign = now;
    }
    return count;
}

int peak(const QByteArray &frames)
{
    const auto *s = reinterpret_cast<const qint16 *>(frames.constData());
    int p = 0;
    for (qsizetype i = 0; i < frames.size() / 2; ++i)
        p = std::max(p, std::abs(int(s[i])));
    return p;
}

// Frames in runs of more than a millisecond of silence: holes in the stream.
qint64 silentFrames(const QByteArray &frames)
{
    const auto *s = reinterpret_cast<const qint16 *>(frames.constData());
    qint64 run = 0, holes = 0;
    for (qsizetype i = 0; i < frames.size() / 4; ++i) {
        if (std::abs(s[2 * i]) < 50 && std::abs(s[2 * i + 1]) < 50) {
            ++run;
        } else {
            if (run > 48)
                holes += run;
            run = 0;
        }
    }
    return run > 48 ? holes + run : holes;
}

}  // namespace

class PipeWireCaptureTest : public QObject {
    Q_OBJECT
private slots:
    void theMonitorOfAPlayingOutputIsCaptured()
    {
        for (const char *tool : {"pipewire", "wireplumber", "dbus-run-session", "pw-cat", "sox", "setsid"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed: no PipeWire daemon of our own").arg(tool)));
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString root = dir.path();
        QVERIFY(QDir(root).mkpath(QStringLiteral("conf/pipewire/pipewire.conf.d")));
        {
            QFile conf(root + QStringLiteral("/conf/pipewire/pipewire.conf.d/scope.conf"));
            QVERIFY(conf.open(QIODevice::WriteOnly));
            conf.write("context.objects = [\n"
                       "  { factory = adapter\n"
                       "    args = { factory.name = support.null-audio-sink node.name = scope\n"
                       "             media.class = Audio/Sink audio.position = [ FL FR ] audio.rate = 48000 } }\n"
                       "]\n");
            QVERIFY(conf.flush());
        }
        QVERIFY(QProcess::execute(QStringLiteral("sox"), {"-q", "-n", "-r", "48000", "-c", "2", "-b", "16", "-e",
                                                          "signed", root + "/tone.wav", "synth", "60", "sine", "1000",
                                                          "sine", "250", "vol", "0.5"})
                == 0);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/conf"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.remove(QStringLiteral("PULSE_SERVER"));
        // One process group, so the daemon, the session manager, the bus
        // and the player all go with it.
        QProcess daemon;
        daemon.setProcessEnvironment(env);
        daemon.setStandardOutputFile(root + QStringLiteral("/daemon.log"));
        daemon.setStandardErrorFile(root + QStringLiteral("/daemon.log"));
        daemon.start(QStringLiteral("setsid"),
                     {"dbus-run-session", "--", "sh", "-c",
                      "pipewire & sleep 0.5; wireplumber & sleep 1; pw-cat --playback --target scope \"$0\" & wait",
                      root + "/tone.wav"});
        QVERIFY(daemon.waitForStarted(5000));
        auto end = [&] {
            ::kill(-pid_t(daemon.processId()), SIGTERM);
            if (!daemon.waitForFinished(3000))
                ::kill(-pid_t(daemon.processId()), SIGKILL);
            daemon.waitForFinished(3000);
        };
        auto stop = qScopeGuard(end);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(root + QStringLiteral("/pipewire-0")), 5000);
        const QByteArray before = qgetenv("PIPEWIRE_RUNTIME_DIR");
        qputenv("PIPEWIRE_RUNTIME_DIR", QFile::encodeName(root));
        const auto back = qScopeGuard([&] {
            if (before.isEmpty())
                qunsetenv("PIPEWIRE_RUNTIME_DIR");
            else
                qputenv("PIPEWIRE_RUNTIME_DIR", before);
        });
        QTest::qWait(1500);  // the player is linked to the output

        std::unique_ptr<CaptureSource> input = MakePipeWireInput(QStringLiteral("scope.monitor"));
        input->SetFragmentMs(40);
        QCOMPARE(input->Start({48000, 2, 16}), 0);
        QByteArray got;
        QElapsedTimer t;
        t.start();
        // Sound comes once the session manager has linked the stream; then
        // one second of it is kept.
        while (t.elapsed() < 5000 && peak(got) < 8000) {
            got.clear();
            QVERIFY(input->ReadAvailable(got));
            QTest::qWait(20);
        }
        if (peak(got) < 8000) {
            QFile log(root + QStringLiteral("/daemon.log"));
            log.open(QIODevice::ReadOnly);
            QFAIL(qPrintable(QStringLiteral("no sound came; the daemon said:\n") + QString::fromUtf8(log.readAll())));
        }
        got.clear();
        t.restart();
        while (t.elapsed() < 1000) {
            QVERIFY(input->ReadAvailable(got));
            QTest::qWait(10);
        }
        const qint64 frames = got.size() / 4;
        // Paced by the daemon's clock: a second is a second.
        QVERIFY2(frames > 48000 * 8 / 10 && frames < 48000 * 13 / 10, qPrintable(QString::number(frames)));
        // The tones are timed over the frames that sound. Runs of silence
        // still come now and then (more often on a busy machine), from the
        // player or from this source: not yet known, which is why the
        // source is not the default. They are told, not hidden.
        const qint64 silent = silentFrames(got);
        if (silent > 0)
            qInfo("%lld of %lld frames came as runs of silence", static_cast<long long>(silent),
                  static_cast<long long>(frames));
        QVERIFY2(silent < frames / 2, qPrintable(QStringLiteral("%1 of %2 frames silent").arg(silent).arg(frames)));
        const double seconds = double(frames - silent) / 48000;
        const double left = crossings(got, 2, 0) / 2.0 / seconds, right = crossings(got, 2, 1) / 2.0 / seconds;
        QVERIFY2(std::abs(left - 1000) < 30 && std::abs(right - 250) < 15,
                 qPrintable(QStringLiteral("%1 Hz, %2 Hz in %3 frames, silent %4")
                                .arg(left)
                                .arg(right)
                                .arg(frames)
                                .arg(silentFrames(got))));
        QVERIFY2(peak(got) > 14000 && peak(got) < 18000, qPrintable(QString::number(peak(got))));
        input->Stop();

        // No daemon: the start says the input is lost.
        stop.dismiss();
        end();
        QCOMPARE(MakePipeWireInput(QStringLiteral("scope.monitor"))->Start({48000, 2, 16}), int(MciErr::DeviceLost));
    }
};

SIGM_TEST(PipeWireCaptureTest)
#include "tst_pipewire.moc"
