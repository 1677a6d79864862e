// The live oscilloscope at its fastest refresh period (100 ms), 44.1 kHz
// stereo, for every sweep, with the demo generator and with the sound
// server's default input:
//   - refreshes achieved per second,
//   - CPU time (user + system) per refresh,
//   - delay from the start of the shown stretch being recorded to its drawing,
//   - resident memory before and after (growth over the whole run).
// Usage: bench_live [seconds per sweep, default 3] [total minutes for the
// memory soak at "1 мС", default 0]
#include "app/pribor.h"
#include "acquisition/mci.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbcontrols.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

struct Result {
    double perSecond = 0, cpuMs = 0, delayMs = 0;
};

Result run(Pribor &w, int sweep, double seconds)
{
    w.RasTime->SetListIndex(sweep);
    w.zapis_Click();
    w.Timer1->setInterval(100);
    int ticks = 0;
    double delaySum = 0;
    double lastPassStart = w.SecondsNow();
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = cpuSeconds();
    {
        QObject probe;
        // Connected after the window's own handler, so it runs once the tick
        // has drawn: the pass that began at lastPassStart is on screen now,
        // shown from the fixed offset after its start.
        QObject::connect(w.Timer1, &QTimer::timeout, &probe, [&] {
            ++ticks;
            const double now = w.SecondsNow();
            const int offsetFrames = w.st.TwoBeam ? 2000 / 4 : 1000 / 2;
            delaySum += (now - lastPassStart) * 1000.0 - offsetFrames * 1000.0 / w.st.SampleRate;
            lastPassStart = double(w.st.PassStart);
        });
        QEventLoop loop;
        QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
        loop.exec();
    }
    const double cpu = cpuSeconds() - cpu0;
    const double elapsed = clock.elapsed() / 1000.0;
    if (qEnvironmentVariableIsSet("SIGM_BENCH_VERBOSE"))
        std::printf("  (capture length factor at the end: %g)\n", double(w.st.CaptureLengthFactor));
    w.Stopbiton_Click();
    Result r;
    r.perSecond = ticks / elapsed;
    r.cpuMs = ticks ? cpu * 1000.0 / ticks : 0;
    r.delayMs = ticks ? delaySum / ticks : 0;
    return r;
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const double soakMinutes = argc > 2 ? std::atof(argv[2]) : 0.0;
    int rc = 0;
    {
        QApplication app(argc, argv);
        QTemporaryDir dir;
        Paths::SetWorkingFolder(dir.path() + "/work");
        Paths::SetMemFolder(dir.path() + "/Mem");
        SettingsStore::SetFilePath(dir.path() + "/settings.ini");
        SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");

        const char *inputs[] = {"demo", "default"};
        for (const char *input : inputs) {
            qputenv("SIGM_INPUT", input);
            Pribor w;
            w.Form_Load();
            w.resize(900, 600);
            w.show();
            std::printf("input %s, 44.1 kHz stereo, refresh period 100 ms, %.0f s per sweep\n", input, seconds);
            std::printf("%-10s %12s %14s %12s\n", "sweep", "refresh/s", "CPU ms/refr.", "delay ms");
            const long rss0 = residentKb();
            for (int sweep = 0; sweep < 11; ++sweep) {
                const Result r = run(w, sweep, seconds);
                std::printf("%-10s %12.1f %14.2f %12.1f\n", qPrintable(w.RasTime->itemText(sweep)), r.perSecond,
                            r.cpuMs, r.delayMs);
            }
            std::printf("resident memory: %ld kB before, %ld kB after\n", rss0, residentKb());
            if (soakMinutes > 0) {
                const long before = residentKb();
                const Result r = run(w, 6, soakMinutes * 60);
                std::printf("soak %.1f min at 1 мС: %.1f refresh/s, %.2f CPU ms/refresh, memory %ld kB -> %ld kB\n",
                            soakMinutes, r.perSecond, r.cpuMs, before, residentKb());
            }
            w.close();
            std::printf("\n");
        }
        mciSendString("Close Zvuk");
    }
    std::fflush(nullptr);
    std::_Exit(rc);
}
