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

#include <QElapsedTimer>
#include <QTest>
#include <thread>

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
};

SIGM_TEST(RecordingTest)
#include "tst_recording.moc"
