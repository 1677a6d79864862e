// SPDX-License-Identifier: GPL-3.0-or-later
// What the sound device costs the refresh cycle and how well it keeps time.
//   - one refresh cycle's device commands (save of a 100 ms stereo 44.1 kHz
//     pass, delete, close, open, record): median and max over 200 cycles,
//     with the demo generator and with the sound server's default input;
//   - frames lost or repeated between consecutive passes;
//   - "record ... wait": wall time against the time asked for;
//   - a long recording streamed to a file at the window's pace: how long
//     each poll holds the window's thread, against what pushing a second of
//     samples to the disk (fdatasync, now done on the recorder's own
//     thread) takes in the same run.
// The real input is measured when the sound server has one (scripts/test.sh
// style servers included: run with PULSE_SERVER set).
#include "acquisition/captureengine.h"
#include "acquisition/capturesource.h"
#include "acquisition/mci.h"
#include "acquisition/streamrecorder.h"
#include "benchutil.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

void printStats(const char *what, std::vector<double> v)
{
    if (v.empty())
        return;
    std::sort(v.begin(), v.end());
    std::printf("  %-44s median %7.3f ms   max %7.3f ms   (n=%zu)\n", what, v[v.size() / 2], v.back(), v.size());
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Where the samples of a saved pass begin: after the "data" chunk's header,
// wherever the header puts it (the recorder writes 46 bytes, not 44).
// -1 when the file has no data chunk.
qint64 dataOffset(const QByteArray &f)
{
    qint64 at = 12;
    while (at + 8 <= f.size()) {
        const quint32 size = qFromLittleEndian<quint32>(f.constData() + at + 4);
        if (std::memcmp(f.constData() + at, "data", 4) == 0)
            return at + 8;
        at += 8 + size + (size & 1);
    }
    return -1;
}

qint64 frameCount(const QByteArray &f)
{
    const qint64 at = dataOffset(f);
    return at < 0 ? 0 : (f.size() - at) / (2 * kChannels);
}

qint16 sampleAt(const QByteArray &f, qint64 frame, int ch)
{
    return qFromLittleEndian<qint16>(f.constData() + dataOffset(f) + (frame * kChannels + ch) * 2);
}

bool demoMatches(const QByteArray &f, qint64 first, qint64 count)
{
    for (qint64 i = 0; i < count; ++i) {
        for (int c = 0; c < kChannels; ++c) {
            if (sampleAt(f, i, c) != DemoSample(first + i, c, kRate))
                return false;
        }
    }
    return true;
}

// Where a pass of the demo signal starts, searched near a guess.
qint64 demoStart(const QByteArray &f, qint64 guess)
{
    const qint64 n = std::min<qint64>(frameCount(f), 64);
    for (qint64 d = 0; d < kRate; ++d) {
        for (qint64 cand : {guess + d, guess - d}) {
            if (cand >= 0 && demoMatches(f, cand, n))
                return cand;
        }
    }
    return -1;
}

bool useTemplate()
{
    QFile::remove(Paths::RecordingFile());
    return QFile::copy(Paths::ProgramFolder() + "/Sound/sigm-44-16-stereo.wav", Paths::RecordingFile());
}

int send(const char *command)
{
    const int rc = mciSendString(QString::fromLatin1(command));
    if (rc)
        std::printf("  !! \"%s\" -> %d: %s\n", command, rc, qPrintable(mciGetErrorString(rc)));
    return rc;
}

// Broken 1000 Hz periods in the passes laid end to end (the test signal's
// left channel), not counting periods the test feed itself left silent;
// -1 when the input does not carry that tone.
int brokenPeriods(const std::vector<QByteArray> &passes, int *dropouts)
{
    std::vector<double> left;
    for (const QByteArray &p : passes) {
        for (qint64 i = 0; i < frameCount(p); ++i)
            left.push_back(sampleAt(p, i, 0));
    }
    std::vector<double> x;
    for (size_t i = 1; i < left.size(); ++i) {
        if (left[i - 1] < 0 && left[i] >= 0)
            x.push_back(double(i - 1) + (-left[i - 1]) / (left[i] - left[i - 1]));
    }
    if (x.size() < 100 || std::abs((x.size() - 1) / (x.back() - x.front()) * kRate - 1000) > 100)
        return -1;
    int broken = 0;
    *dropouts = 0;
    for (size_t k = 1; k < x.size(); ++k) {
        if (std::abs(x[k] - x[k - 1] - kRate / 1000.0) <= 1.0)
            continue;
        int run = 0;
        bool silent = false;
        // Near a dropout the dither around zero makes short false periods.
        for (size_t i = size_t(std::max(0.0, x[k - 1] - 100)); i <= size_t(x[k] + 100) && i < left.size() && !silent;
             ++i) {
            run = std::abs(left[i]) < 300 ? run + 1 : 0;
            silent = run >= 4;
        }
        ++(silent ? *dropouts : broken);
    }
    return broken;
}

// False when the run could not check what it is for: a failed command,
// passes that could not be matched, or continuity that was not measured.
bool refreshCycles(const char *name, bool demo)
{
    std::printf("\n%s\n", name);
    if (!useTemplate() || send("open c:\\zvuk.wav type waveaudio alias Zvuk"))
        return false;
    QElapsedTimer t;
    t.start();
    if (send("Record Zvuk from 0 to 70 wait")) {
        send("Close Zvuk");
        return false;
    }
    std::printf("  first timed pass of 70 ms (input start included): %.1f ms\n", ms(t.nsecsElapsed()));
    std::vector<double> cycle, saveOnly;
    std::vector<QByteArray> passes;
    qint64 lostFrames = 0, repeatedFrames = 0, expected = -1;
    int unmatched = 0;
    bool failed = false;
    for (int i = 0; i < 201; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        t.restart();
        if (send("Save Zvuk c:\\tmp.wav")) {
            failed = true;
            break;
        }
        const qint64 saved = t.nsecsElapsed();
        if (send("delete Zvuk") || send("Close Zvuk") || send("open c:\\zvuk.wav type waveaudio alias Zvuk")
            || send("Record Zvuk")) {
            failed = true;
            break;
        }
        const qint64 all = t.nsecsElapsed();
        if (i == 0)
            continue;  // the timed pass: not one of the cycle's own
        cycle.push_back(ms(all));
        saveOnly.push_back(ms(saved));
        const QByteArray pass = readAll(Paths::WorkingFile());
        const qint64 frames = frameCount(pass);
        if (demo) {
            const qint64 start = demoStart(pass, expected < 0 ? 0 : expected);
            if (start < 0 || !demoMatches(pass, start, frames)) {
                ++unmatched;
            } else if (expected >= 0) {
                if (start > expected)
                    lostFrames += start - expected;
                else
                    repeatedFrames += expected - start;
            }
            expected = start < 0 ? -1 : start + frames;
        } else {
            passes.push_back(pass);
        }
    }
    send("Close Zvuk");
    printStats("save + delete + close + open + record", cycle);
    printStats("of which the save of a ~100 ms pass", saveOnly);
    if (demo) {
        std::printf("  between %zu passes: %lld frames lost, %lld repeated, %d passes not one steady stretch\n",
                    cycle.size(), (long long)lostFrames, (long long)repeatedFrames, unmatched);
        if (cycle.size() < 200 || unmatched > 0) {
            std::printf("  FAILED: continuity could not be checked on every pass\n");
            return false;
        }
    } else {
        int dropouts = 0;
        const int broken = brokenPeriods(passes, &dropouts);
        if (broken < 0 || passes.size() < 200) {
            std::printf("  FAILED: continuity not measured (%zu passes; the input must carry the 1000 Hz test tone"
                        " of scripts/test-audio-server.sh)\n",
                        passes.size());
            return false;
        }
        std::printf("  broken 1000 Hz periods over %zu passes laid end to end: %d"
                    " (and %d silent dropouts of the test feed itself)\n",
                    passes.size(), broken, dropouts);
    }
    return !failed;
}

void recordWaitAccuracy(const char *name)
{
    std::printf("\n%s: \"Record Zvuk from 0 to N wait\", wall time - N\n", name);
    for (int n : {20, 21, 25, 40, 70, 120, 220, 520, 1020}) {
        std::vector<double> over;
        const int repeats = n > 500 ? 3 : 10;
        for (int r = 0; r < repeats; ++r) {
            if (!useTemplate() || send("open c:\\zvuk.wav type waveaudio alias Zvuk"))
                return;
            QElapsedTimer t;
            t.start();
            const QByteArray cmd = QByteArray("Record Zvuk from 0 to ") + QByteArray::number(n) + " wait";
            const int rc = send(cmd.constData());
            const double took = ms(t.nsecsElapsed());
            send("Close Zvuk");
            if (rc)
                return;
            over.push_back(took - n);
        }
        char label[32];
        std::snprintf(label, sizeof label, "N = %d ms", n);
        printStats(label, over);
    }
}

// A long recording as the window drives it: a poll every 200 ms, which
// writes what came, and about once a second makes the header true and asks
// the recorder's thread to push the data to the disk. What the recording
// costs is the process's CPU time (every thread: the input's, the
// recorder's) against the same capture at the same pace whose samples are
// taken from the engine and dropped, in the same run.
void streamPolls(const QString &folder)
{
    std::printf("\nLong recording streamed to %s, demo generator, 48 kHz stereo, 6 s at the window's pace\n",
                qPrintable(folder));
    std::vector<double> polls;
    double core[2] = {0, 0};  // CPU, % of one core: samples dropped, samples written
    for (int written = 0; written < 2; ++written) {
        StreamRecorder recorder(CaptureEngine::Instance());
        const QString name = written ? QStringLiteral("/stream.wav") : QStringLiteral("/dropped.wav");
        if (recorder.Start(folder + name, CaptureFormat{48000, 2, 16}, -1) != 0) {
            std::printf("  the recording could not start\n");
            return;
        }
        QByteArray dropped;
        const double cpu0 = Bench::processCpuSeconds();
        QElapsedTimer all;
        all.start();
        while (all.elapsed() < 6000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (!written) {
                dropped.clear();
                CaptureEngine::Instance().TakeRecorded(&dropped);
                continue;
            }
            QElapsedTimer t;
            t.start();
            recorder.Poll();
            polls.push_back(ms(t.nsecsElapsed()));
        }
        core[written] = (Bench::processCpuSeconds() - cpu0) / (all.nsecsElapsed() / 1e9) * 100;
        recorder.Stop();
        if (written)
            std::printf("  %lld frames recorded\n", static_cast<long long>(recorder.Frames()));
    }
    std::printf("  CPU, %% of one core: capture with its samples dropped %.2f %%, written to the file %.2f %%: "
                "the recording adds %.2f %%\n",
                core[0], core[1], core[1] - core[0]);
    printStats("poll on the window's thread", polls);
    // The baseline: a second of the same samples written and pushed to the
    // same disk here, which each header-time poll used to wait for.
    std::vector<double> pushes;
    QFile f(folder + QStringLiteral("/second.raw"));
    if (f.open(QIODevice::WriteOnly)) {
        const QByteArray second(48000 * 4, '\x11');
        for (int i = 0; i < 10; ++i) {
            if (f.write(second) != second.size() || !f.flush())
                break;
            QElapsedTimer t;
            t.start();
            ::fdatasync(f.handle());
            pushes.push_back(ms(t.nsecsElapsed()));
        }
    }
    printStats("a second of samples pushed (fdatasync)", pushes);
}

}  // namespace

int main(int argc, char **argv)
{
    int rc = 0;
    {
        QCoreApplication app(argc, argv);
        QTemporaryDir work;
        Paths::SetWorkingFolder(work.path());
        CaptureEngine &engine = CaptureEngine::Instance();

        engine.SetSourceFactory([](int *) { return MakeDemoSource(); });
        if (!refreshCycles("Demo generator, 44.1 kHz stereo, 200 refresh cycles", true))
            rc = 1;
        recordWaitAccuracy("Demo generator");
        streamPolls(work.path());

        int error = 0;
        std::unique_ptr<CaptureSource> probe = MakeSoundInput(QString(), &error);
        if (!probe) {
            std::printf("\nNo sound input on this machine: the real input is not measured.\n");
            rc = 1;
        } else {
            const QString description = probe->Description();
            probe.reset();
            engine.SetSourceFactory([](int *e) { return MakeSoundInput(QString(), e); });
            const QByteArray title = "Sound server's default input (" + description.toUtf8()
                                     + "), 44.1 kHz stereo, 200 refresh cycles";
            if (!refreshCycles(title.constData(), false))
                rc = 1;
            recordWaitAccuracy("Sound server's default input");
        }
        engine.Shutdown();
        if (rc)
            std::printf("\nbench_capture FAILED: a check above could not be made\n");
    }
    std::fflush(nullptr);
    std::_Exit(rc);
}
