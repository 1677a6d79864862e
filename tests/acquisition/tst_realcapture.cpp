// SPDX-License-Identifier: GPL-3.0-or-later
// Capture from a real sound server. scripts/test.sh starts a PulseAudio
// server whose source (SIGM_TEST_PULSE_SOURCE) carries 1000 Hz on the left
// and 250 Hz on the right at half scale, paced like a sound card. The
// lost-device and clean-exit cases run this binary again as a child process
// (SIGM_ACQ_CHILD), so that the child can lose its own server and end the
// way the program ends.
#include "platform/exitnow.h"
#include "acqtestutil.h"
#include "platform/paths.h"
#include "testenv.h"
#include "testregistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace AcqTest;

namespace {

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<double> channel(const QByteArray &file, int ch, int channels)
{
    std::vector<double> v;
    const qint64 n = (file.size() - kWav16HeaderBytes) / (2 * channels);
    v.reserve(size_t(n));
    for (qint64 i = 0; i < n; ++i)
        v.push_back(sampleAt(file, i, ch, channels));
    return v;
}

// Positions of the rising zero crossings, to a fraction of a sample.
std::vector<double> risingCrossings(const std::vector<double> &s)
{
    std::vector<double> at;
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0)
            at.push_back(double(i - 1) + (-s[i - 1]) / (s[i] - s[i - 1]));
    }
    return at;
}

struct ToneCheck {
    double frequency = 0;         // from the mean period
    double worstPeriodError = 0;  // samples, over every period heard whole
    int periods = 0;
    int feederDropouts = 0;       // periods broken by silence of the test feed
    double peak = 0;
};

// True when s holds a stretch of silence between two positions: the test
// server's feed drops out now and then on a loaded machine (the server
// then plays zeros), which is not a fault of the capture.
bool silenceBetween(const std::vector<double> &s, double from, double to)
{
    int run = 0;
    for (size_t i = size_t(std::max(0.0, from)); i <= size_t(to) && i < s.size(); ++i) {
        run = std::abs(s[i]) < 300 ? run + 1 : 0;
        if (run >= 4)
            return true;
    }
    return false;
}

ToneCheck analyse(const std::vector<double> &s, int rate, double expectedHz)
{
    ToneCheck r;
    for (double v : s)
        r.peak = std::max(r.peak, std::abs(v));
    const std::vector<double> x = risingCrossings(s);
    const double period = rate / expectedHz;
    double sum = 0;
    for (size_t i = 1; i < x.size(); ++i) {
        // Near a dropout the dither around zero makes short false periods.
        if (silenceBetween(s, x[i - 1] - 100, x[i] + 100)) {
            ++r.feederDropouts;
            continue;
        }
        const double p = x[i] - x[i - 1];
        sum += p;
        ++r.periods;
        r.worstPeriodError = std::max(r.worstPeriodError, std::abs(p - period));
    }
    if (r.periods > 0)
        r.frequency = rate / (sum / r.periods);
    return r;
}

QString describe(const ToneCheck &t)
{
    return QStringLiteral("f=%1 Hz, worst period error %2 samples over %3 periods, %4 feed dropouts, peak %5")
        .arg(t.frequency, 0, 'f', 2)
        .arg(t.worstPeriodError, 0, 'f', 2)
        .arg(t.periods)
        .arg(t.feederDropouts)
        .arg(t.peak);
}

void verifyTestSignal(const QByteArray &file, int rate, int channels)
{
    if (channels == 1) {
        // One beam is the left input alone: the 1000 Hz tone at its own
        // level, not the server's mix with the 250 Hz of the right.
        const ToneCheck left = analyse(channel(file, 0, 1), rate, 1000);
        QVERIFY2(std::abs(left.frequency - 1000) < 10, qPrintable(describe(left)));
        QVERIFY2(left.worstPeriodError < 1.0, qPrintable(describe(left)));
        QVERIFY2(left.peak > 14000 && left.peak < 18500, qPrintable(describe(left)));
        return;
    }
    const ToneCheck left = analyse(channel(file, 0, channels), rate, 1000);
    QVERIFY2(left.feederDropouts < left.periods / 5, qPrintable(describe(left)));
    QVERIFY2(std::abs(left.frequency - 1000) < 10, qPrintable(describe(left)));
    // A gap or a repeated stretch breaks one period by far more than this.
    QVERIFY2(left.worstPeriodError < 1.0, qPrintable(describe(left)));
    QVERIFY2(left.peak > 14000 && left.peak < 18500, qPrintable(describe(left)));
    {
        const ToneCheck right = analyse(channel(file, 1, 2), rate, 250);
        QVERIFY2(std::abs(right.frequency - 250) < 2.5, qPrintable(describe(right)));
        QVERIFY2(right.worstPeriodError < 1.0, qPrintable(describe(right)));
        QVERIFY2(right.peak > 14000 && right.peak < 18500, qPrintable(describe(right)));
    }
}

QString testSource()
{
    return QString::fromLocal8Bit(qgetenv("SIGM_TEST_PULSE_SOURCE"));
}

bool copyTemplate(const char *name, const QString &target)
{
    QFile::remove(target);
    return QFile::copy(Paths::ProgramFolder() + "/Sound/" + name, target);
}

// ---- Child processes -------------------------------------------------------

int fail(const char *what, int rc)
{
    std::fprintf(stderr, "child: %s -> %d\n", what, rc);
    return 2;
}

// Records through the sound server the parent chose, then ends the way the
// program does: the application object goes, then the process leaves.
int childCaptureAndExit()
{
    if (!copyTemplate("sigm-44-16-stereo.wav", Paths::RecordingFile()))
        return fail("template", 0);
    if (int rc = mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"))
        return fail("open", rc);
    if (int rc = mciSendString("Record Zvuk from 0 to 60 wait"))
        return fail("record wait", rc);
    if (int rc = mciSendString("Save Zvuk c:\\tmp.wav"))
        return fail("save", rc);
    if (int rc = mciSendString("delete Zvuk"))
        return fail("delete", rc);
    if (int rc = mciSendString("Record Zvuk"))
        return fail("record", rc);
    sleepMs(30);
    if (int rc = mciSendString("Save Zvuk c:\\tmp.wav"))
        return fail("save 2", rc);
    // The device is left open on purpose: the exit must cope with it.
    return 0;
}

// Records from a server of its own and kills that server half way.
int childLoseTheServer()
{
    const pid_t server = pid_t(qEnvironmentVariableIntValue("SIGM_ACQ_SERVER_PID"));
    if (server <= 0)
        return fail("no server pid", 0);
    CaptureEngine::Instance().SetTimeouts(6000, 500);
    if (!copyTemplate("sigm-48-16-stereo.wav", Paths::RecordingFile()))
        return fail("template", 0);
    if (int rc = mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"))
        return fail("open", rc);
    if (int rc = mciSendString("Record Zvuk from 0 to 100 wait"))
        return fail("record wait", rc);
    if (int rc = mciSendString("Save Zvuk c:\\tmp.wav"))
        return fail("save", rc);
    if (int rc = mciSendString("Record Zvuk"))
        return fail("record", rc);
    sleepMs(200);
    ::kill(server, SIGKILL);
    QElapsedTimer sinceKill;
    sinceKill.start();
    sleepMs(150);  // a refresh tick later
    const int saved = mciSendString("Save Zvuk c:\\tmp.wav");
    const qint64 savedAt = sinceKill.elapsed();
    const int closed = mciSendString("Close Zvuk");
    QElapsedTimer again;
    again.start();
    int reopened = mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk");
    if (reopened == 0)
        reopened = mciSendString("Record Zvuk from 0 to 100 wait");
    const qint64 againMs = again.elapsed();
    std::printf("LOST save=%d at=%lld close=%d restart=%d in=%lld\n", saved, (long long)savedAt, closed, reopened,
                (long long)againMs);
    return 0;
}

int childMain(const QByteArray &role)
{
    int argc = 1;
    char name[] = "test_acquisition";
    char *argv[] = {name, nullptr};
    int rc = 2;
    {
        QCoreApplication app(argc, argv);
        if (role == "capture-exit")
            rc = childCaptureAndExit();
        else if (role == "lose-server")
            rc = childLoseTheServer();
    }
    std::fflush(nullptr);
    return rc;
}

// Runs before the test runner when this binary is started as a child.
const int kChildRole = [] {
    const QByteArray role = qgetenv("SIGM_ACQ_CHILD");
    if (!role.isEmpty())
        ExitNow(childMain(role));
    return 0;
}();

QProcessEnvironment childEnvironment(const QString &role)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SIGM_ACQ_CHILD", role);
    env.insert("SIGM_PROGRAM_DIR", Paths::ProgramFolder());
    env.insert("SIGM_WORK_DIR", Paths::WorkingFolder());
    return env;
}

}  // namespace

class RealCaptureTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TestEnv::Reset();
        UseFake::restore();
    }
    void cleanup() { UseFake::restore(); }

    void theServersDefaultInputIsFound()
    {
        if (testSource().isEmpty())
            QSKIP("SIGM_TEST_PULSE_SOURCE is not set: no test sound server (scripts/test.sh starts one)");
        QCOMPARE(DefaultInputName(), testSource());
        int error = -1;
        std::unique_ptr<CaptureSource> byDefault = MakeSoundInput(QString(), &error);
        std::unique_ptr<CaptureSource> byName = MakeSoundInput(testSource(), &error);
        QVERIFY(byDefault && byName);
        QCOMPARE(byDefault->Description(), byName->Description());
        QVERIFY(!byDefault->IsDemo());
        QVERIFY(!MakeSoundInput(QStringLiteral("no-such-input-anywhere"), &error));
        QCOMPARE(error, MciErr::InputNotFound);
    }

    void recordsTheTestSignal_data()
    {
        QTest::addColumn<QString>("templ");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("ms");
        QTest::newRow("48 kHz stereo, 1 s") << "sigm-48-16-stereo.wav" << 48000 << 2 << 1000;
        QTest::newRow("44.1 kHz stereo, 500 ms") << "sigm-44-16-stereo.wav" << 44100 << 2 << 500;
        QTest::newRow("16 kHz mono, 250 ms") << "sigm-16-16-mono.wav" << 16000 << 1 << 250;
    }

    void recordsTheTestSignal()
    {
        if (testSource().isEmpty())
            QSKIP("SIGM_TEST_PULSE_SOURCE is not set: no test sound server (scripts/test.sh starts one)");
        QFETCH(QString, templ);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, ms);
        // The default choice: the sound server's default input.
        QVERIFY(copyTemplate(templ.toUtf8().constData(), Paths::RecordingFile()));
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QElapsedTimer t;
        t.start();
        QCOMPARE(mciSendString(QStringLiteral("Record Zvuk from 0 to %1 wait").arg(ms)), 0);
        const qint64 took = t.elapsed();
        QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), 0);
        QCOMPARE(mciSendString("Close Zvuk"), 0);
        QVERIFY(!CaptureEngine::Instance().InputIsDemo());
        // The first recording after the server started may wait for it.
        QVERIFY2(took < ms + 2500, qPrintable(QString::number(took)));
        const QByteArray f = readFile(Paths::WorkingFile());
        QCOMPARE(qint64(f.size()), kWav16HeaderBytes + qint64(ms) * rate / 1000 * channels * 2);
        verifyTestSignal(f, rate, channels);
    }

    void refreshPassesFollowEachOtherWithoutAGap()
    {
        if (testSource().isEmpty())
            QSKIP("SIGM_TEST_PULSE_SOURCE is not set: no test sound server (scripts/test.sh starts one)");
        QVERIFY(copyTemplate("sigm-44-16-stereo.wav", Paths::RecordingFile()));
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk from 0 to 70 wait"), 0);
        QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), 0);
        QCOMPARE(mciSendString("delete Zvuk"), 0);
        QCOMPARE(mciSendString("Close Zvuk"), 0);
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk"), 0);
        // Ten refresh ticks; the passes laid end to end must be one
        // unbroken stretch of the test signal.
        QByteArray joined = readFile(Paths::WorkingFile()).left(kWav16HeaderBytes);
        for (int tick = 0; tick < 10; ++tick) {
            sleepMs(60);
            QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), 0);
            QCOMPARE(mciSendString("delete Zvuk"), 0);
            QCOMPARE(mciSendString("Close Zvuk"), 0);
            QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
            QCOMPARE(mciSendString("Record Zvuk"), 0);
            const QByteArray pass = readFile(Paths::WorkingFile());
            QVERIFY2(pass.size() > 44 + 4 * 44100 * 40 / 1000, qPrintable(QString::number(pass.size())));
            joined += pass.mid(kWav16HeaderBytes);
        }
        QCOMPARE(mciSendString("Close Zvuk"), 0);
        verifyTestSignal(joined, 44100, 2);
    }

    void displayFragmentsComeAndGoWithoutLosingASample()
    {
        if (testSource().isEmpty())
            QSKIP("SIGM_TEST_PULSE_SOURCE is not set: no test sound server (scripts/test.sh starts one)");
        const int rate = 44100;
        {
            // The input itself: timed fragments, display ones, timed again,
            // on one running stream. Each stretch comes in the size asked
            // for; all of it is one unbroken stretch of the tone; and the
            // count of frames keeps pace with the clock. (The tones repeat
            // every 20 ms, so a lost fragment of 20 ms would keep their
            // periods whole: the count is what shows it.)
            int error = 0;
            std::unique_ptr<CaptureSource> input = MakeSoundInput(testSource(), &error);
            QVERIFY(input);
            QCOMPARE(input->Start({rate, 2, 16}), 0);
            QByteArray heard;
            QElapsedTimer clock;
            clock.start();
            while (heard.isEmpty() && clock.elapsed() < 3000) {
                QVERIFY(input->ReadAvailable(heard));
                sleepMs(1);
            }
            QVERIFY2(!heard.isEmpty(), "the test server sent nothing");
            // Frames received ahead of the clock, at best, in each stretch:
            // a late look at the input only lowers it, a lost frame lowers
            // it for good.
            std::vector<double> ahead;
            QStringList seen;
            for (const int ms : {kTimedFragmentMs, kDisplayFragmentMs, kTimedFragmentMs}) {
                input->SetFragmentMs(ms);
                std::vector<qsizetype> delivered;
                double best = -1e18;
                const qint64 from = clock.nsecsElapsed();
                while (clock.nsecsElapsed() - from < 400'000'000) {
                    const qsizetype before = heard.size();
                    QVERIFY(input->ReadAvailable(heard));
                    // The server changes over within a fragment or two.
                    if (heard.size() > before && clock.nsecsElapsed() - from > 80'000'000) {
                        delivered.push_back((heard.size() - before) / 4);
                        best = std::max(best, double(heard.size() / 4) - clock.nsecsElapsed() * 1e-9 * rate);
                    }
                    sleepMs(1);
                }
                QVERIFY(!delivered.empty());
                std::nth_element(delivered.begin(), delivered.begin() + qsizetype(delivered.size() / 2),
                                 delivered.end());
                const qsizetype median = delivered[delivered.size() / 2];
                ahead.push_back(best);
                seen << QStringLiteral("%1 ms: fragments of %2 frames, %3 frames ahead")
                            .arg(ms)
                            .arg(median)
                            .arg(best, 0, 'f', 0);
                const qsizetype asked = qsizetype(rate) * ms / 1000;
                QVERIFY2(median > asked * 8 / 10 && median < asked * 13 / 10, qPrintable(seen.join("; ")));
            }
            input->Stop();
            QVERIFY2(std::abs(ahead.back() - ahead.front()) < rate * 5 / 1000, qPrintable(seen.join("; ")));
            verifyTestSignal(Wav16Header(rate, 2, heard.size()) + heard, rate, 2);
            if (QTest::currentTestFailed())
                return;
        }

        // The device: the picture at display rate runs its open-ended
        // recording (display fragments), the stop saves it, and a memory
        // recording started at once goes on from the stop's cut with timed
        // fragments again. Laid end to end, the two hold every sample.
        QVERIFY(copyTemplate("sigm-44-16-stereo.wav", Paths::RecordingFile()));
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk from 0 to 50 wait"), 0);
        QCOMPARE(mciSendString("delete Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk"), 0);
        CaptureEngine &engine = CaptureEngine::Instance();
        QVERIFY(engine.RecordingOpenEnded());
        for (int frame = 0; frame < 25; ++frame) {
            const char *data = nullptr;
            qint64 got = 0;
            CaptureFormat format;
            QCOMPARE(engine.Newest(441, rate, &data, &got, &format), 0);
            QTest::qWait(20);
        }
        QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), 0);
        QCOMPARE(mciSendString("Close Zvuk"), 0);
        const QByteArray shown = readFile(Paths::WorkingFile());
        QVERIFY2(shown.size() > kWav16HeaderBytes + 4 * rate * 300 / 1000, qPrintable(QString::number(shown.size())));
        QVERIFY(copyTemplate("sigm-44-16-stereo.wav", Paths::WorkingFile()));
        QCOMPARE(mciSendString("open c:\\tmp.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk"), 0);
        QTest::qWait(600);
        QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), 0);
        QCOMPARE(mciSendString("Close Zvuk"), 0);
        const QByteArray memory = readFile(Paths::WorkingFile());
        QVERIFY2(memory.size() > kWav16HeaderBytes + 4 * rate * 550 / 1000, qPrintable(QString::number(memory.size())));
        verifyTestSignal(shown + memory.mid(kWav16HeaderBytes), rate, 2);
    }

    void aKilledServerIsADeviceErrorNotAHang()
    {
        const QString pulseaudio = QStandardPaths::findExecutable("pulseaudio");
        if (pulseaudio.isEmpty())
            QSKIP("pulseaudio is not installed: cannot start a server to lose");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString socket = dir.path() + "/native";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.path());
        env.insert("PULSE_RUNTIME_PATH", dir.path());
        env.insert("PULSE_SERVER", "unix:" + socket);
        QProcess server;
        server.setProcessEnvironment(env);
        server.setStandardOutputFile(QProcess::nullDevice());
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start(pulseaudio, {"--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n",
                                  "--load=module-native-protocol-unix socket=" + socket,
                                  "--load=module-null-sink sink_name=lost rate=48000 channels=2",
                                  "--load=module-remap-source master=lost.monitor source_name=lostin"});
        QVERIFY(server.waitForStarted(5000));
        QElapsedTimer wait;
        wait.start();
        while (!QFile::exists(socket) && wait.elapsed() < 5000)
            sleepMs(20);
        QVERIFY2(QFile::exists(socket), "the private sound server did not start");

        QProcess child;
        QProcessEnvironment childEnv = childEnvironment("lose-server");
        childEnv.insert("XDG_RUNTIME_DIR", dir.path());
        childEnv.insert("PULSE_RUNTIME_PATH", dir.path());
        childEnv.insert("PULSE_SERVER", "unix:" + socket);
        childEnv.insert("SIGM_INPUT", "lostin");
        childEnv.insert("SIGM_ACQ_SERVER_PID", QString::number(server.processId()));
        child.setProcessEnvironment(childEnv);
        child.start(QCoreApplication::applicationFilePath(), {});
        const bool ended = child.waitForFinished(30000);
        if (!ended)
            child.kill();
        server.kill();
        server.waitForFinished(5000);
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        const QString err = QString::fromUtf8(child.readAllStandardError());
        QVERIFY2(ended, "the child hung");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QVERIFY2(child.exitCode() == 0, qPrintable(err));
        const QRegularExpressionMatch m =
            QRegularExpression("LOST save=(\\d+) at=(\\d+) close=(\\d+) restart=(\\d+) in=(\\d+)").match(out);
        QVERIFY2(m.hasMatch(), qPrintable(out + err));
        QCOMPARE(m.captured(1).toInt(), MciErr::DeviceLost);
        QVERIFY2(m.captured(2).toInt() < 1000, qPrintable(out));  // within a second of the kill
        QCOMPARE(m.captured(3).toInt(), 0);
        QVERIFY2(m.captured(4).toInt() != 0, qPrintable(out));  // no server: no recording
        QVERIFY2(m.captured(5).toInt() < 1000, qPrintable(out));
    }

    void theProcessEndsCleanlyAfterCapturing()
    {
        if (testSource().isEmpty())
            QSKIP("SIGM_TEST_PULSE_SOURCE is not set: no test sound server (scripts/test.sh starts one)");
        for (int run = 0; run < 50; ++run) {
            QProcess child;
            child.setProcessEnvironment(childEnvironment("capture-exit"));
            child.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(child.waitForFinished(20000));
            const QString err = QString::fromUtf8(child.readAllStandardError());
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     qPrintable(QStringLiteral("run %1: status %2 code %3 %4")
                                    .arg(run)
                                    .arg(child.exitStatus())
                                    .arg(child.exitCode())
                                    .arg(err)));
        }
    }
};

SIGM_TEST(RealCaptureTest)
#include "tst_realcapture.moc"
