// SPDX-License-Identifier: GPL-3.0-or-later
// The overview strip over an hour of stereo 48 kHz (691 MB): building its
// envelope from the file against just reading the same file from a warm
// page cache, in the same rounds (best of 3 each); taking it back from the
// cache file; and drawing the strip whole (the envelope's picture made
// anew, then painted) at the window's design width and at 1920 pixels.
// Also what building it as a recording is written costs per second.
//
// Usage: build/bench_overview [seconds]   (default 3600)
#include "analysis/envelope.h"
#include "app/overviewstrip.h"
#include "app/overviewtool.h"
#include "app/scopestate.h"
#include "benchutil.h"
#include "display/ris.h"
#include "export/envelopecache.h"
#include "platform/paths.h"
#include "platform/wavfile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A second of two tones with a little noise, its level drifting from
// second to second, so the envelope is not the same everywhere.
bool writeRecording(const QString &path, int rate, int seconds)
{
    return Bench::WriteTones(path, rate, seconds, 1000,
                             [](int s) { return 30000 * (0.3 + 0.6 * std::fabs(std::sin(s * 0.01))); });
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3600;
    const int rate = 48000;
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/sigm-bench-overview-XXXXXX"));
    Bench::UseScratchFolders(dir.path());
    const QString path = dir.filePath(QStringLiteral("hour.wav"));
    if (!writeRecording(path, rate, seconds)) {
        std::printf("could not write %s\n", qPrintable(path));
        return 1;
    }
    const int64_t dataBytes = int64_t(rate) * seconds * 4;
    Bench::ReadSeconds(path);  // warm the page cache

    EnvelopeCache::Identity id;
    QString error;
    double read = 1e9, build = 1e9, identify = 1e9;
    std::optional<Envelope::Levels> levels;
    for (int round = 0; round < 3; ++round) {
        read = std::min(read, Bench::ReadSeconds(path));
        auto t0 = Clock::now();
        if (!EnvelopeCache::Identify(path, kWav16HeaderBytes, dataBytes, rate, 2, &id, &error)) {
            std::printf("identify failed: %s\n", qPrintable(error));
            return 1;
        }
        auto t1 = Clock::now();
        levels = EnvelopeCache::Build(path, id, {}, &error);
        auto t2 = Clock::now();
        if (!levels) {
            std::printf("build failed: %s\n", qPrintable(error));
            return 1;
        }
        identify = std::min(identify, std::chrono::duration<double>(t1 - t0).count());
        build = std::min(build, std::chrono::duration<double>(t2 - t0).count());
    }
    // Where the strip looks for it.
    const QString cache = Paths::CacheFolder() + QStringLiteral("/overview/") + EnvelopeCache::FileName(id);
    if (!EnvelopeCache::Save(cache, id, *levels, &error)) {
        std::printf("cache not written: %s\n", qPrintable(error));
        return 1;
    }
    double load = 1e9;
    for (int round = 0; round < 3; ++round) {
        const auto t0 = Clock::now();
        EnvelopeCache::Identity again;
        if (!EnvelopeCache::Identify(path, kWav16HeaderBytes, dataBytes, rate, 2, &again, &error)
            || !EnvelopeCache::Load(cache, again)) {
            std::printf("cache not taken back\n");
            return 1;
        }
        load = std::min(load, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    std::printf("overview of %d s of stereo %d Hz (%.0f MB), best of 3, the read from a warm page cache\n"
                "timed in the same rounds:\n",
                seconds, rate, dataBytes / 1e6);
    std::printf("  read the file             %.3f s\n", read);
    std::printf("  build the envelope        %.3f s = %.2f x the read (identity %.4f s), %lld buckets of %d frames\n",
                build, build / read, identify, (long long)levels->Buckets(), levels->BucketFrames());
    std::printf("  from the cache file       %.4f s = %.3f x the read (%.1f MB)\n", load, load / read,
                QFile(cache).size() / 1e6);

    // While recording: what feeding the envelope costs per second of
    // signal, in the blocks the stream recorder writes (200 ms), from memory.
    {
        std::vector<int16_t> block(size_t(rate) / 5 * 2);
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = int16_t(std::lround(20000 * std::sin(double(i) * 0.01)));
        double best = 1e9;
        for (int round = 0; round < 3; ++round) {
            Envelope::Builder live(2, Envelope::kMinBucketFrames);
            const auto t0 = Clock::now();
            for (int b = 0; b < seconds * 5; ++b)
                live.Add(block.data(), block.size() / 2);
            best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
            if (live.Frames() != int64_t(seconds) * rate)
                return 1;
        }
        std::printf("  fed while recording       %.3f s for the %d s, %.2f µs per second of signal = %.4f %% of a core\n",
                    best, seconds, best / seconds * 1e6, best / seconds * 100);
    }

    // The strip as the window has it, its envelope taken from the cache.
    ScopeState st;
    st.FlName = path;
    st.FileLength = QFile(path).size();
    st.SampleEnd = kWav16HeaderBytes + dataBytes;
    st.DataStart = kWav16HeaderBytes + 1;
    st.SampleRate = rate;
    st.TwoBeam = true;
    QWidget window;
    Ris surface(&window);
    QMenu setup;
    ToolHost host;
    host.window = &window;
    host.st = &st;
    host.surface = &surface;
    host.setupMenu = &setup;
    host.reread = [] {};
    host.relayout = [] {};
    host.pageTo = [](int64_t) {};
    OverviewTool tool(host, nullptr);
    ScreenFrame screen;
    screen.channels = 2;
    screen.sampleRate = rate;
    screen.firstFrame = int64_t(rate) * seconds / 3;
    screen.frameCount = rate / 10;
    tool.SamplesRead(screen);
    QElapsedTimer waited;
    waited.start();
    while ((!tool.Levels() || tool.Progress() >= 0) && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!tool.Levels()) {
        std::printf("the strip got no envelope: %s\n", qPrintable(tool.Problem()));
        return 1;
    }
    std::printf("  the strip's envelope ready %.3f s after the file was shown (from the cache)\n",
                waited.elapsed() / 1e3);
    for (int width : {592, 1920}) {
        tool.Place(QRect(0, 0, width, 48));
        QImage target(width, 48, QImage::Format_RGB32);
        double best = 1e9, total = 0;
        const int rounds = 50;
        for (int i = 0; i < rounds; ++i) {
            // A new zoom every round: the picture is made whole each time.
            tool.SetZoom(i % 3);
            tool.Strip->Invalidate();
            const auto t0 = Clock::now();
            tool.Strip->render(&target);
            const double s = std::chrono::duration<double>(Clock::now() - t0).count();
            best = std::min(best, s);
            total += s;
        }
        std::printf("  draw the strip, %4d px   best %.2f ms, mean %.2f ms (whole, ×10, ×100 in turn)\n", width,
                    best * 1e3, total / rounds * 1e3);
    }
    return 0;
}
