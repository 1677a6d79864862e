// SPDX-License-Identifier: GPL-3.0-or-later
// The spectrum's cost and its effect on the live display.
//   1. One 65536-point stereo spectrum as the window computes it on every
//      redraw: 16-bit frames split and windowed, two transforms, averaging,
//      peak hold, strongest peak and THD/THD+N of both channels. Pinned to
//      one core; the first call (plan made) is reported apart.
//   2. The live refresh (44.1 kHz stereo, "1 мС", period 100 ms) with the
//      spectrum window closed and open (65536 points, linear averaging
//      over 8, peak hold), from the demo generator and the default input.
// Usage: bench_fourier [seconds per live run, default 5] [spectra, default 300]
#include "benchutil.h"
#include "acquisition/mci.h"
#include "analysis/fourier.h"
#include "app/pribor.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbcontrols.h"
#include "fourier/fourierwindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sched.h>
#include <sys/resource.h>
#include <ctime>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// CPU time of this thread: what the spectrum costs whatever else the
// machine is doing (wall time also counts waiting for the core).
double threadCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void spectrumCost(int runs)
{
    const int n = 65536;
    std::vector<int16_t> frames(size_t(2 * n));
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 30);
    for (int i = 0; i < n; ++i) {
        frames[size_t(2 * i)] = int16_t(std::lround(16000 * std::sin(2 * M_PI * 1000 * i / 44100.0) + noise(rng)));
        frames[size_t(2 * i + 1)] = int16_t(std::lround(16000 * std::sin(2 * M_PI * 250 * i / 44100.0) + noise(rng)));
    }
    const struct {
        const char *name;
        Spectrum::WindowKind window;
        Spectrum::Averaging averaging;
    } cases[] = {
        {"Blackman-Harris, linear averaging of 8, peak hold", Spectrum::WindowKind::BlackmanHarris,
         Spectrum::Averaging::Linear},
        {"flat-top, exponential averaging, peak hold", Spectrum::WindowKind::FlatTop, Spectrum::Averaging::Exponential},
        {"Hann, no averaging, peak hold", Spectrum::WindowKind::Hann, Spectrum::Averaging::Off},
    };
    std::printf("65536-point stereo spectrum with window, averaging, peak hold, peak search, THD+N (one core)\n");
    for (const auto &c : cases) {
        Spectrum::Analyzer a;
        using clock = std::chrono::steady_clock;
        const auto p0 = clock::now();
        a.Configure(n, c.window, c.averaging, 8);
        a.AddInterleaved16(frames.data(), n, 2, 44100);
        const double first = std::chrono::duration<double, std::milli>(clock::now() - p0).count();
        std::vector<double> ms, cpuMs;
        double sink = 0;
        for (int r = 0; r < runs; ++r) {
            const double c0 = threadCpuMs();
            const auto t0 = clock::now();
            a.AddInterleaved16(frames.data(), n, 2, 44100);
            for (int ch = 0; ch < 2; ++ch) {
                sink += a.StrongestPeak(ch).frequency;
                sink += a.DistortionOf(ch).thdPlusNoise;
            }
            ms.push_back(std::chrono::duration<double, std::milli>(clock::now() - t0).count());
            cpuMs.push_back(threadCpuMs() - c0);
        }
        std::sort(ms.begin(), ms.end());
        std::sort(cpuMs.begin(), cpuMs.end());
        std::printf("  %s\n    CPU time median %.2f ms, 95%% %.2f; wall time median %.2f ms, min %.2f, 95%% %.2f, max %.2f"
                    " (first call, plan made: %.1f ms)\n",
                    c.name, cpuMs[cpuMs.size() / 2], cpuMs[cpuMs.size() * 95 / 100], ms[ms.size() / 2], ms.front(),
                    ms[ms.size() * 95 / 100], ms.back(), first);
        std::printf("    readouts: %.2f Hz / %.2f Hz\n", a.StrongestPeak(0).frequency, a.StrongestPeak(1).frequency);
        if (sink == 0)
            std::printf("?\n");
    }
}

struct Live {
    double perSecond = 0, cpuMs = 0;
    int spectra = 0;
};

Live live(Pribor &w, double seconds)
{
    w.RasTime->SetListIndex(6);
    w.zapis_Click();
    w.Timer1->setInterval(100);
    int ticks = 0;
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = cpuSeconds();
    const int spectra0 = w.SpektrWindow ? w.SpektrWindow->Analyzer.SpectraAveraged() : 0;
    {
        QObject probe;
        QObject::connect(w.Timer1, &QTimer::timeout, &probe, [&] { ++ticks; });
        QEventLoop loop;
        QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
        loop.exec();
    }
    Live r;
    r.spectra = w.SpektrWindow ? w.SpektrWindow->Analyzer.SpectraAveraged() - spectra0 : 0;
    const double cpu = cpuSeconds() - cpu0;
    r.perSecond = ticks / (clock.elapsed() / 1000.0);
    r.cpuMs = ticks ? cpu * 1000 / ticks : 0;
    w.Stopbiton_Click();
    return r;
}

}  // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 300;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu() >= 0 ? sched_getcpu() : 0, &one);
    sched_setaffinity(0, sizeof one, &one);
    spectrumCost(runs);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    {
        QApplication app(argc, argv);
        QTemporaryDir dir;
        Bench::UseScratchFolders(dir.path());
        SettingsStore::SaveSetting("Sigm", "Spectrum", "Size", "6");  // 65536
        SettingsStore::SaveSetting("Sigm", "Spectrum", "Averaging", "1");
        SettingsStore::SaveSetting("Sigm", "Spectrum", "Averages", "8");
        SettingsStore::SaveSetting("Sigm", "Spectrum", "PeakHold", "1");
        std::printf("\nlive refresh, 44.1 kHz stereo, \"1 мС\", period 100 ms, %.0f s each\n", seconds);
        std::printf("%-8s %-16s %10s %14s %10s\n", "input", "spectrum window", "refresh/s", "CPU ms/refr.",
                    "spectra");
        for (const char *input : {"demo", "default"}) {
            qputenv("SIGM_INPUT", input);
            Pribor w;
            w.Form_Load();
            w.resize(900, 600);
            w.show();
            for (bool open : {false, true, false}) {
                if (open != (w.SpektrWindow != nullptr)) {
                    w.Spektr->setEnabled(true);
                    w.Spektr->trigger();
                }
                const Live r = live(w, seconds);
                std::printf("%-8s %-16s %10.1f %14.2f %10d\n", input, open ? "open" : "closed", r.perSecond,
                            r.cpuMs, r.spectra);
            }
            w.close();
        }
        mciSendString("Close Zvuk");
    }
    std::fflush(nullptr);
    std::_Exit(0);
}
