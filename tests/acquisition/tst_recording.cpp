// SPDX-License-Identifier: GPL-3.0-or-later
// Recording through the device commands with the demo generator and with a
// scripted input: exact lengths, passes that join without a gap, and
// inputs that fail without hanging the caller.
#include "acqtestutil.h"
#include "acquisition/demonotice.h"
#include "app/pribor.h"
#include "display/ris.h"
#include "platform/paths.h"
#include "testenv.h"
#include "testregistry.h"

#include "acquisition/streamrecorder.h"
#include "export/envelopecache.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

#include <csignal>
#include <sndfile.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace AcqTest;

namespace {

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool useTemplate(const char *name, const QString &target)
{
    QFile::remove(target);
    return QFile::copy(Paths::ProgramFolder() + "/Sound/" + name, target);
}

// The frame numbers a saved pass of the scripted input holds.
std::vector<qint64> framesOf(const QByteArray &file, int channels)
{
    std::vector<qint64> frames;
    const qint64 n = (file.size() - kWav16HeaderBytes) / (2 * channels);
    for (qint64 i = 0; i < n; ++i)
        frames.push_back(channels == 2 ? counterFrame(sampleAt(file, i, 0, 2), sampleAt(file, i, 1, 2))
                                       : qint64(quint16(sampleAt(file, i, 0, 1)) & 0x7FFF));
    return frames;
}

bool contiguous(const std::vector<qint64> &frames)
{
    for (size_t i = 1; i < frames.size(); ++i) {
        if (frames[i] != frames[i - 1] + 1)
            return false;
    }
    return true;
}

// Where in the demo signal a saved recording starts, or -1 when it is not
// one unbroken stretch of it.
qint64 demoOffset(const QByteArray &file, int rate, int channels)
{
    const qint64 n = (file.size() - kWav16HeaderBytes) / (2 * channels);
    for (qint64 f0 = 0; f0 < rate; ++f0) {
        bool match = true;
        for (qint64 i = 0; i < std::min<qint64>(n, 64) && match; ++i) {
            for (int c = 0; c < channels; ++c)
                match = match && sampleAt(file, i, c, channels) == DemoSample(f0 + i, c, rate);
        }
        if (!match)
            continue;
        for (qint64 i = 0; i < n; ++i) {
            for (int c = 0; c < channels; ++c) {
                if (sampleAt(file, i, c, channels) != DemoSample(f0 + i, c, rate))
                    return -1;
            }
        }
        return f0;
    }
    return -1;
}

// What a streamed file holds as the reader of another program sees it:
// its frames, and whether they are the scripted input's counter without a
// gap or a repeat from its first frame on. -1 frames: it does not open.
struct StreamedFile {
    qint64 frames = -1;
    int rate = 0;
    int channels = 0;
    bool contiguous = false;
};

StreamedFile readStreamed(const QString &path)
{
    StreamedFile r;
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f)
        return r;
    r.frames = info.frames;
    r.rate = info.samplerate;
    r.channels = info.channels;
    r.contiguous = info.channels == 2;
    std::vector<short> block(2 * 65536);
    qint64 expected = -1;
    for (sf_count_t n; r.contiguous && (n = sf_readf_short(f, block.data(), 65536)) > 0;) {
        for (sf_count_t i = 0; i < n; ++i) {
            const qint64 frame = counterFrame(block[2 * i], block[2 * i + 1]);
            if (expected >= 0 && frame != (expected & 0x3FFFFFFF)) {
                r.contiguous = false;
                break;
            }
            expected = frame + 1;
        }
    }
    sf_close(f);
    return r;
}

// libsndfile's WAV header that keeps room to turn into RF64 in place.
constexpr qint64 kStreamHeaderBytes = 112;

// Polls the way the window's timer does, until the recording ends or `ms` pass.
StreamRecorder::State pollFor(StreamRecorder &recorder, int ms, int everyMs)
{
    QElapsedTimer t;
    t.start();
    while (recorder.Poll() == StreamRecorder::State::Running && t.elapsed() < ms)
        sleepMs(everyMs);
    return recorder.Current();
}

}  // namespace

class RecordingTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TestEnv::Reset();
        UseFake::restore();
    }
    void cleanup() { UseFake::restore(); }

    void recordWaitIsExactWithTheDemoGenerator()
    {
        UseDemo demo;
        const struct {
            const char *name;
            int rate, channels, ms;
        } cases[] = {{"sigm-44-16-stereo.wav", 44100, 2, 25},
                     {"sigm-8-16-mono.wav", 8000, 1, 1020},
                     {"sigm-48-16-stereo.wav", 48000, 2, 21},
                     {"sigm-32-16-mono.wav", 32000, 1, 70}};
        for (const auto &c : cases) {
            QVERIFY(useTemplate(c.name, Paths::RecordingFile()));
            QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
            QElapsedTimer t;
            t.start();
            QCOMPARE(mciSendString(QStringLiteral("Record Zvuk from 0 to %1 wait").arg(c.ms)), 0);
            const qint64 took = t.elapsed();
            QVERIFY2(took >= c.ms - 2 && took < c.ms + 100, qPrintable(QString::number(took)));
            QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), 0);
            QCOMPARE(mciSendString("Close Zvuk"), 0);
            const QByteArray f = readFile(Paths::WorkingFile());
            const qint64 frames = qint64(c.ms) * c.rate / 1000;
            QCOMPARE(qint64(f.size()), kWav16HeaderBytes + frames * c.channels * 2);
            QCOMPARE(le32(f, 24), quint32(c.rate));
            QCOMPARE(le16(f, 22), quint16(c.channels));
            QVERIFY2(demoOffset(f, c.rate, c.channels) >= 0, c.name);
        }
    }

    void recordWaitIsExactWhenDataComesInBursts()
    {
        FakeScript script;
        script.burstFrames = 4410;  // 100 ms at a time
        UseFake fake(script);
        QVERIFY(useTemplate("sigm-44-16-stereo.wav", Paths::RecordingFile()));
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("record zvuk from 0 to 25 wait"), 0);
        QCOMPARE(mciSendString("save zvuk c:\\tmp.wav"), 0);
        const std::vector<qint64> frames = framesOf(readFile(Paths::WorkingFile()), 2);
        QCOMPARE(frames.size(), size_t(1102));
        QVERIFY(contiguous(frames));
    }

    void refreshPassesJoinWithoutGapsOnOneStream()
    {
        UseFake fake;
        QVERIFY(useTemplate("sigm-16-16-stereo.wav", Paths::RecordingFile()));
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk from 0 to 40 wait"), 0);
        std::vector<std::vector<qint64>> passes;
        for (int tick = 0; tick < 8; ++tick) {
            sleepMs(30);
            QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), 0);
            QCOMPARE(mciSendString("delete Zvuk"), 0);
            QCOMPARE(mciSendString("Close Zvuk"), 0);
            QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
            QCOMPARE(mciSendString("Record Zvuk"), 0);
            passes.push_back(framesOf(readFile(Paths::WorkingFile()), 2));
        }
        QCOMPARE(passes.front().size(), size_t(640));  // the first, timed pass
        for (size_t k = 0; k < passes.size(); ++k) {
            QVERIFY(contiguous(passes[k]));
            if (k >= 2) {
                // Each pass after the first asynchronous one starts where the
                // one before it ended, and is as long as the time between.
                QCOMPARE(passes[k].front(), passes[k - 1].back() + 1);
                QVERIFY2(passes[k].size() > 400 && passes[k].size() < 2000, qPrintable(QString::number(passes[k].size())));
            }
        }
        QCOMPARE(fake.stats->starts, 1);  // reopening did not restart the input

        // A record long after the last save starts afresh, not from the cut.
        QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), 0);
        const qint64 cutAt = framesOf(readFile(Paths::WorkingFile()), 2).back();
        QCOMPARE(mciSendString("Close Zvuk"), 0);
        sleepMs(700);
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk"), 0);
        sleepMs(30);
        QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), 0);
        const std::vector<qint64> fresh = framesOf(readFile(Paths::WorkingFile()), 2);
        QVERIFY(!fresh.empty());
        QVERIFY2(fresh.front() > cutAt + 16000 * 6 / 10, qPrintable(QString::number(fresh.front() - cutAt)));
        QVERIFY(contiguous(fresh));
    }

    void saveWithoutDeleteKeepsEverythingDeleteKeepsTheRest()
    {
        UseFake fake;
        QVERIFY(useTemplate("sigm-8-16-stereo.wav", Paths::WorkingFile()));
        QCOMPARE(mciSendString("open c:\\tmp.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk"), 0);
        sleepMs(100);
        QCOMPARE(mciSendString("Save Zvuk c:\\first.wav"), 0);
        sleepMs(50);
        QCOMPARE(mciSendString("Save Zvuk c:\\both.wav"), 0);
        QCOMPARE(mciSendString("delete Zvuk"), 0);
        sleepMs(50);
        QCOMPARE(mciSendString("Save Zvuk c:\\rest.wav"), 0);
        const auto first = framesOf(readFile(Paths::MapPath("c:\\first.wav")), 2);
        const auto both = framesOf(readFile(Paths::MapPath("c:\\both.wav")), 2);
        const auto rest = framesOf(readFile(Paths::MapPath("c:\\rest.wav")), 2);
        QVERIFY(first.size() >= 700 && first.size() < 1300);
        QCOMPARE(both.front(), first.front());
        QVERIFY(both.size() > first.size());
        QVERIFY(contiguous(both));
        QCOMPARE(rest.front(), both.back() + 1);
        QVERIFY(contiguous(rest));
    }

    void aMinuteLongRecordingIsKeptWhole()
    {
        // Memory recording: one asynchronous pass saved into the file it
        // records into. Two seconds stand in for the minute.
        UseDemo demo;
        QVERIFY(useTemplate("sigm-44-16-stereo.wav", Paths::WorkingFile()));
        QCOMPARE(mciSendString("open c:\\tmp.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk"), 0);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 2000)
            QTest::qWait(50);  // the window stays responsive meanwhile
        QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), 0);
        QCOMPARE(mciSendString("Close Zvuk"), 0);
        const QByteArray f = readFile(Paths::WorkingFile());
        const qint64 frames = (f.size() - kWav16HeaderBytes) / 4;
        QVERIFY2(frames > 44100 * 19 / 10 && frames < 44100 * 22 / 10, qPrintable(QString::number(frames)));
        QVERIFY(demoOffset(f, 44100, 2) >= 0);
    }

    void aQuietInputIsReportedNotWaitedFor()
    {
        FakeScript script;
        script.mode = FakeScript::Mode::GoesQuiet;
        script.afterFrames = 1600;  // 100 ms at 16 kHz
        UseFake fake(script, 300, 200);
        QVERIFY(useTemplate("sigm-16-16-mono.wav", Paths::RecordingFile()));
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk"), 0);
        sleepMs(250);
        QElapsedTimer t;
        t.start();
        QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), MciErr::DeviceLost);
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        // What came before the input went quiet was still saved.
        QCOMPARE(framesOf(readFile(Paths::WorkingFile()), 1).size(), size_t(1600));
        QCOMPARE(mciSendString("Close Zvuk"), 0);

        // A timed recording from an input that stops half way ends too.
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        t.restart();
        QCOMPARE(mciSendString("Record Zvuk from 0 to 500 wait"), MciErr::DeviceLost);
        QVERIFY(t.elapsed() < 1000);
        QCOMPARE(mciSendString("Close Zvuk"), 0);
    }

    void aLossFoundWhileTheWindowWaitsIsToldToTheNextCommand()
    {
        FakeScript script;
        script.mode = FakeScript::Mode::GoesQuiet;
        script.afterFrames = 800;
        UseFake fake(script, 300, 200);
        QVERIFY(useTemplate("sigm-8-16-stereo.wav", Paths::RecordingFile()));
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk"), 0);
        QTest::qWait(700);  // the event loop drains the input meanwhile
        QElapsedTimer t;
        t.start();
        QCOMPARE(mciSendString("delete Zvuk"), MciErr::DeviceLost);
        QVERIFY(t.elapsed() < 50);
        QCOMPARE(mciSendString("Close Zvuk"), 0);
    }

    void anInputThatNeverSpeaksOrFailsEndsTheWait()
    {
        {
            FakeScript script;
            script.mode = FakeScript::Mode::Silent;
            UseFake fake(script, 300, 200);
            QVERIFY(useTemplate("sigm-8-16-mono.wav", Paths::RecordingFile()));
            QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
            QElapsedTimer t;
            t.start();
            QCOMPARE(mciSendString("Record Zvuk from 0 to 1020 wait"), MciErr::DeviceLost);
            QVERIFY(t.elapsed() >= 300 && t.elapsed() < 1000);
        }
        {
            FakeScript script;
            script.mode = FakeScript::Mode::Fails;
            script.afterFrames = 800;
            UseFake fake(script);
            QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
            QElapsedTimer t;
            t.start();
            QCOMPARE(mciSendString("Record Zvuk from 0 to 1020 wait"), MciErr::DeviceLost);
            QVERIFY(t.elapsed() < 400);
            // The next recording looks for an input again.
            QCOMPARE(mciSendString("Record Zvuk from 0 to 20 wait"), 0);
            QCOMPARE(fake.stats->starts, 2);
        }
    }

    void formatsNoInputTakesLeaveTheDeviceOpen()
    {
        FakeScript script;
        script.maxChannels = 1;
        UseFake fake(script);
        QVERIFY(useTemplate("sigm-48-16-stereo.wav", Paths::RecordingFile()));
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk from 0 to 30 wait"), MciErr::NoSuitableInput);
        QString answer;
        QCOMPARE(mciSendString("status Zvuk channels", &answer), 0);
        QCOMPARE(answer, QStringLiteral("2"));
        QCOMPARE(mciSendString("Close Zvuk"), 0);
        // The mono template records.
        QVERIFY(useTemplate("sigm-48-16-mono.wav", Paths::RecordingFile()));
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk from 0 to 30 wait"), 0);
        QCOMPARE(fake.stats->lastFormat, (CaptureFormat{48000, 1, 16}));
    }

    void theMainWindowSaysWhenTheDemoGeneratorIsUsed()
    {
        Pribor window;
        QVERIFY(window.DemoNotice);
        QVERIFY(window.DemoNotice->isHidden());
        QVERIFY(useTemplate("sigm-8-16-stereo.wav", Paths::RecordingFile()));
        {
            UseDemo demo;
            QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
            QCOMPARE(mciSendString("Record Zvuk from 0 to 20 wait"), 0);
            QVERIFY(!window.DemoNotice->isHidden());
            QVERIFY(window.DemoNotice->text().contains(QStringLiteral("Демо")));
            // Top right of the drawing area, inside it.
            const QRect r = window.DemoNotice->geometry();
            QCOMPARE(window.DemoNotice->parentWidget(), static_cast<QWidget *>(window.RisBox));
            QVERIFY(r.right() <= window.RisBox->width() && r.left() > window.RisBox->width() / 2);
            QVERIFY(r.top() < 10);
        }
        UseFake fake;
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("Record Zvuk from 0 to 20 wait"), 0);
        QVERIFY(window.DemoNotice->isHidden());
    }

    void aLongRecordingGoesToDiskWholeAndSurvivesAKill()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const CaptureFormat stereo8k{8000, 2, 16};
        {
            // An hour of frames from an input a thousand times faster than
            // the clock: every frame lands in the file, in order, and the
            // file is a WAV file that this program and sox read. In memory,
            // so a busy disk's slow syncs do not hold the polls up for the
            // quarter of an hour the device keeps at most; and the input
            // hands over a minute at most a read, so a starved machine
            // that polls late slows it down instead of overfilling the device.
            QTemporaryDir shm(QStringLiteral("/dev/shm/sigm-stream-XXXXXX"));
            QVERIFY(shm.isValid());
            FakeScript fast;
            fast.speed = 1000;
            fast.maxFramesPerRead = 60 * 8000;
            UseFake fake(fast);
            StreamRecorder recorder(CaptureEngine::Instance());
            const QString path = shm.path() + "/hour.wav";
            QCOMPARE(recorder.Start(path, stereo8k, 3600 * 8000), 0);
            StreamRecorder second(CaptureEngine::Instance());
            QCOMPARE(second.Start(path, stereo8k, 10), int(MciErr::NotSaved));  // never over a file
            QVERIFY(!second.Problem().isEmpty());
            QVERIFY2(pollFor(recorder, 60000, 5) == StreamRecorder::State::Complete,
                     qPrintable(QString("ended %1, input error %2, after %3 frames")
                                    .arg(int(recorder.Current()))
                                    .arg(recorder.InputError())
                                    .arg(recorder.Frames())));
            QCOMPARE(recorder.Frames(), qint64(3600) * 8000);
            QVERIFY(recorder.Problem().isEmpty());
            const StreamedFile got = readStreamed(path);
            QCOMPARE(got.frames, qint64(3600) * 8000);
            QCOMPARE(got.rate, 8000);
            QVERIFY(got.contiguous);
            WavInfo info;
            QCOMPARE(ReadWavInfo(path, &info), 0);
            QCOMPARE(info.frames, got.frames);
            QCOMPARE(QFileInfo(path).size(), kStreamHeaderBytes + got.frames * 4);
            // The overview built while recording is the one read from the file.
            {
                EnvelopeCache::Identity id;
                QString error;
                QVERIFY(EnvelopeCache::Identify(path, kStreamHeaderBytes, got.frames * 4, 8000, 2, &id, &error));
                const std::optional<Envelope::Levels> read = EnvelopeCache::Build(path, id, {}, &error);
                QVERIFY2(read, qPrintable(error));
                const Envelope::Levels live = recorder.Overview();
                QCOMPARE(live.Frames(), read->Frames());
                QCOMPARE(live.BucketFrames(), read->BucketFrames());
                QVERIFY(live.Base() == read->Base());
            }
            // Stopped early, what came is kept and the header says so.
            const QString early = shm.path() + "/early.wav";
            QCOMPARE(recorder.Start(early, stereo8k, -1), 0);
            pollFor(recorder, 300, 5);
            QCOMPARE(recorder.Stop(), StreamRecorder::State::Stopped);
            QVERIFY(recorder.Frames() > 0);
            QCOMPARE(readStreamed(early).frames, recorder.Frames());
            QVERIFY(readStreamed(early).contiguous);
        }
        {
            // Killed outright while recording at the clock's pace: the file
            // opens and lacks at most the last second.
            const QString path = dir.path() + "/killed.wav";
            int ready[2];
            QCOMPARE(::pipe(ready), 0);
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                ::close(ready[0]);
                UseFake fake;
                StreamRecorder recorder(CaptureEngine::Instance());
                if (recorder.Start(path, CaptureFormat{48000, 2, 16}, -1) != 0)
                    ::_exit(1);
                const char go = 1;
                if (::write(ready[1], &go, 1) != 1)
                    ::_exit(1);
                // The window's pace (see kStreamTickMs).
                for (;;) {
                    recorder.Poll();
                    sleepMs(200);
                }
            }
            ::close(ready[1]);
            char go = 0;
            QCOMPARE(::read(ready[0], &go, 1), ssize_t(1));
            ::close(ready[0]);
            QElapsedTimer running;
            running.start();
            sleepMs(3700);  // well past the last making true of the header
            ::kill(child, SIGKILL);
            const double ranSeconds = running.elapsed() / 1000.0;
            int status = 0;
            ::waitpid(child, &status, 0);
            QVERIFY(WIFSIGNALED(status));
            const StreamedFile got = readStreamed(path);
            QVERIFY2(got.frames > 0, "the killed recording's file does not open");
            QVERIFY(got.contiguous);
            const double lost = ranSeconds - double(got.frames) / 48000;
            const QString told = QString("lost %1 s of %2 s").arg(lost).arg(ranSeconds);
            qInfo("killed recording: %s", qPrintable(told));
            QVERIFY2(lost <= 1.0, qPrintable(told));
            WavInfo info;
            QCOMPARE(ReadWavInfo(path, &info), 0);
            QVERIFY(info.frames >= got.frames);  // the data behind the header is there too
            const QString sox = QStandardPaths::findExecutable("sox");
            if (!sox.isEmpty()) {
                QProcess soxi;
                soxi.start(sox, {"--i", "-s", path});
                QVERIFY(soxi.waitForFinished(10000));
                QCOMPARE(soxi.exitCode(), 0);
                QCOMPARE(soxi.readAllStandardOutput().trimmed().toLongLong(), got.frames);
            }
        }
    }

    void aFullDiskEndsALongRecordingAndKeepsWhatFitted()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // A small disk of its own when this may mount one; else the system's
        // limit on a file's size stands in for it.
        const QString small = dir.path() + "/small";
        QVERIFY(QDir().mkpath(small));
        const bool mounted = ::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=1m") == 0;
        rlimit before{};
        ::getrlimit(RLIMIT_FSIZE, &before);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (!mounted) {
            rlimit limited = before;
            limited.rlim_cur = 1 << 20;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        }
        FakeScript fast;
        fast.speed = 50;
        UseFake fake(fast);
        StreamRecorder recorder(CaptureEngine::Instance());
        const QString path = small + "/full.wav";
        QCOMPARE(recorder.Start(path, CaptureFormat{8000, 2, 16}, -1), 0);
        const StreamRecorder::State end = pollFor(recorder, 20000, 20);
        if (!mounted)
            ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        const StreamedFile got = readStreamed(path);
        const qint64 size = QFileInfo(path).size();
        if (mounted)
            ::umount(QFile::encodeName(small).constData());
        QCOMPARE(end, mounted ? StreamRecorder::State::DiskFull : StreamRecorder::State::SizeLimit);
        QCOMPARE(recorder.Problem(), mounted ? QStringLiteral("На диске кончилось место, запись остановлена.")
                                             : QStringLiteral("Файл записи достиг наибольшего размера, "
                                                              "разрешённого программе, запись остановлена."));
        // Everything written is kept and the header tells all of it.
        QVERIFY2(size > (1 << 20) - 64 * 1024, qPrintable(QString::number(size)));
        QCOMPARE(got.frames, recorder.Frames());
        QCOMPARE(got.frames, (size - kStreamHeaderBytes) / 4);
        QVERIFY(got.contiguous);
    }
};

SIGM_TEST(RecordingTest)
#include "tst_recording.moc"
