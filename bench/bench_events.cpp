// SPDX-License-Identifier: GPL-3.0-or-later
// The event index over an hour of stereo 48 kHz (691 MB): indexing every
// trigger event of a 100 Hz tone against just reading the same file from a
// warm page cache, in the same rounds (best of 3 each); then the index as
// the window runs it, with the longest time the window's thread went
// without handling events meanwhile; and the trend (a value a second).
//
// Usage: build/bench_events [seconds]   (default 3600)
#include "app/eventtool.h"
#include "app/scopestate.h"
#include "benchutil.h"
#include "display/ris.h"
#include "export/eventlist.h"
#include "platform/wavfile.h"
#include "stallmonitor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

// A 100 Hz tone with a little noise on channel 1 (an event every 10 ms),
// another tone on channel 2.
bool writeRecording(const QString &path, int rate, int seconds)
{
    return Bench::WriteTones(path, rate, seconds, 100, [](int) { return 20000.0; });
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3600;
    const int rate = 48000;
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/sigm-bench-events-XXXXXX"));
    Bench::UseScratchFolders(dir.path());
    const QString path = dir.filePath(QStringLiteral("hour.wav"));
    if (!writeRecording(path, rate, seconds)) {
        std::printf("could not write %s\n", qPrintable(path));
        return 1;
    }
    const int64_t frames = int64_t(rate) * seconds;
    Bench::ReadSeconds(path);  // warm the page cache

    EventList::Source src;
    src.path = path;
    src.dataOffset = kWav16HeaderBytes;
    src.frames = frames;
    src.channels = 2;
    Trigger::Condition c;
    c.level = 0;
    c.hysteresis = 328;
    double read = 1e9, index = 1e9, trend = 1e9;
    int64_t events = 0, secondsMeasured = 0;
    for (int round = 0; round < 3; ++round) {
        read = std::min(read, Bench::ReadSeconds(path));
        int64_t found = 0;
        bool full = false;
        QString error;
        auto t0 = Clock::now();
        if (!EventList::Scan(src, c, 0, {}, [&](const std::vector<EventList::Row> &r) { found += int64_t(r.size()); },
                             &full, &error)) {
            std::printf("index failed: %s\n", qPrintable(error));
            return 1;
        }
        index = std::min(index, std::chrono::duration<double>(Clock::now() - t0).count());
        events = found;
        int64_t values = 0;
        t0 = Clock::now();
        if (!EventList::TrendScan(src, Trend::Quantity::Frequency, rate, {},
                                  [&](const std::vector<double> &v) { values += int64_t(v.size()); }, &error)) {
            std::printf("trend failed: %s\n", qPrintable(error));
            return 1;
        }
        trend = std::min(trend, std::chrono::duration<double>(Clock::now() - t0).count());
        secondsMeasured = values;
    }
    // A hundred events a second (the last one's stretch runs to the end).
    if (events < int64_t(seconds) * 100 - 2 || events > int64_t(seconds) * 100 || secondsMeasured != seconds) {
        std::printf("wrong result: %lld events, %lld seconds\n", (long long)events, (long long)secondsMeasured);
        return 1;
    }
    std::printf("event index of %d s of stereo %d Hz (%.0f MB), best of 3, the read from a warm page cache\n"
                "timed in the same rounds:\n",
                seconds, rate, double(frames) * 4 / 1e6);
    std::printf("  read the file             %.3f s\n", read);
    std::printf("  index every event         %.3f s = %.2f x the read (%lld events)\n", index, index / read,
                (long long)events);
    std::printf("  trend, a frequency a second %.3f s = %.2f x the read\n", trend, trend / read);

    // As the window runs it: the index in the background, the window's
    // thread taking the rows every 50 ms into the list.
    ScopeState st;
    st.FlName = path;
    st.FileLength = QFile(path).size();
    st.SampleEnd = kWav16HeaderBytes + frames * 4;
    st.SampleOrigin = kWav16HeaderBytes + 1;
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
    EventHooks hooks;
    hooks.setup = [&] {
        EventHooks::Setup s;
        s.condition = c;
        s.voltsPerUnit = 1.0 / 32768;
        return s;
    };
    hooks.showEvent = [](double) {};
    EventTool tool(host, hooks, nullptr);
    Bench::StallMonitor stalls;
    QElapsedTimer took;
    took.start();
    stalls.Restart();
    tool.SetOpen(true);
    while ((tool.Running() || !tool.Complete()) && took.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const double longest = stalls.LongestMs();
    if (!tool.Complete() || int64_t(tool.Rows().size()) != events) {
        std::printf("the window's index is not whole: %zu events\n", tool.Rows().size());
        return 1;
    }
    std::printf("  in the window             %.3f s = %.2f x the read, longest stall of the window's thread %.1f ms\n",
                took.elapsed() / 1e3, took.elapsed() / 1e3 / read, longest);
    return 0;
}
