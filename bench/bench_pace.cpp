// SPDX-License-Identifier: GPL-3.0-or-later
// The live picture at display rate, paced by the screen: at "1 мС" from the
// demo generator, for the refresh rate the window's screen reports and for
// rates set through FrameClock's test hook (a display such as Xvfb offers
// one mode only, and Qt reads its rate as 60 Hz), it prints
//   - frames per second (completed paints of the drawing surface) against
//     the rate;
//   - the gaps between paints: mean, spread, shortest and longest, and how
//     many were nearer to none or two refreshes than to one (a frame drawn
//     twice in one refresh, or a refresh without a frame);
//   - CPU per frame: this process, the X server (when it can be measured:
//     run under xvfb-run -a), and both;
//   - the clock's ticks per second, and how many fell within a quarter
//     period of the grid of the rate (the rest were late: a busy machine).
// Usage: bench_pace [seconds per rate, default 4] [rates in Hz, default 60 120 144]
#include "acquisition/captureengine.h"
#include "acquisition/capturesource.h"
#include "acquisition/mci.h"
#include "app/pribor.h"
#include "benchutil.h"
#include "display/frameclock.h"
#include "display/ris.h"
#include "platform/vbcontrols.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Times the end of each paint of the drawing surface.
class PaintTimes : public QObject {
public:
    explicit PaintTimes(QWidget *surface) : surface_(surface)
    {
        clock_.start();
        surface->installEventFilter(this);
    }
    ~PaintTimes() override { surface_->removeEventFilter(this); }
    std::vector<double> ms;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (o != surface_ || e->type() != QEvent::Paint)
            return false;
        surface_->removeEventFilter(this);
        QCoreApplication::sendEvent(o, e);
        surface_->installEventFilter(this);
        ms.push_back(clock_.nsecsElapsed() / 1e6);
        return true;
    }

private:
    QWidget *surface_;
    QElapsedTimer clock_;
};

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
    std::vector<double> rates;
    for (int i = 2; i < argc; ++i)
        rates.push_back(std::atof(argv[i]));
    if (rates.empty())
        rates = {60, 120, 144};
    {
        QApplication app(argc, argv);
        QTemporaryDir dir;
        Bench::UseScratchFolders(dir.path());
        CaptureEngine::Instance().SetSourceFactory([](int *) { return MakeDemoSource(); });
        Pribor w;
        w.Form_Load();
        w.resize(900, 600);
        w.show();
        wait(300);
        const int xPid = Bench::xServerPid();
        const double reported = w.screen() ? w.screen()->refreshRate() : 0;
        std::printf("platform %s, X server %s, load average %.2f; the window's screen reports %.2f Hz\n",
                    qPrintable(app.platformName()), xPid ? "measured" : "not measured", Bench::loadAverage(),
                    reported);
        std::printf("%-22s %9s %9s %9s %9s %9s %9s %9s %9s %9s %9s\n", "rate", "period", "frames/s", "gap mean",
                    "gap sd", "gap min", "gap max", "0 or 2+", "CPU ms", "X ms", "sum ms");
        std::vector<double> all = {0};
        all.insert(all.end(), rates.begin(), rates.end());
        for (const double hz : all) {
            FrameClock::SetRefreshRateForTesting(hz);
            Globals::DisplayRate = true;
            w.RasTime->SetListIndex(6);
            w.zapis_Click();
            wait(500);
            PaintTimes paints(w.RisBox);
            // The clock's own ticks, apart from when their paints land.
            std::vector<double> ticks;
            QElapsedTimer tickClock;
            tickClock.start();
            const auto tickWatch = QObject::connect(w.FrameTimer, &FrameClock::timeout, &w,
                                                    [&] { ticks.push_back(tickClock.nsecsElapsed() / 1e6); });
            const double cpu0 = Bench::processCpuSeconds(), x0 = Bench::otherCpuSeconds(xPid);
            QElapsedTimer clock;
            clock.start();
            wait(int(seconds * 1000));
            const double elapsed = clock.nsecsElapsed() / 1e9;
            const double cpu = Bench::processCpuSeconds() - cpu0, x1 = Bench::otherCpuSeconds(xPid);
            const double period = w.FrameTimer->PeriodMs();
            QObject::disconnect(tickWatch);
            w.Stopbiton_Click();
            // Ticks within a quarter period of the rate's grid, laid where
            // the ticks fall on average (their circular mean phase).
            double c = 0, sn = 0;
            for (double t : ticks) {
                c += std::cos(2 * M_PI * t / period);
                sn += std::sin(2 * M_PI * t / period);
            }
            const double grid = std::atan2(sn, c) / (2 * M_PI) * period;
            int onGrid = 0;
            for (double t : ticks) {
                const double phase = std::fmod(std::fmod(t - grid, period) + period, period);
                onGrid += (std::min(phase, period - phase) <= period / 4) ? 1 : 0;
            }
            const size_t frames = paints.ms.size();
            std::vector<double> gaps;
            for (size_t i = 1; i < frames; ++i)
                gaps.push_back(paints.ms[i] - paints.ms[i - 1]);
            double mean = 0, sd = 0;
            int off = 0;
            for (double g : gaps) {
                mean += g;
                off += (g < period / 2 || g > period * 1.5) ? 1 : 0;
            }
            mean = gaps.empty() ? 0 : mean / gaps.size();
            for (double g : gaps)
                sd += (g - mean) * (g - mean);
            sd = gaps.size() > 1 ? std::sqrt(sd / (gaps.size() - 1)) : 0;
            char label[64];
            if (hz > 0)
                std::snprintf(label, sizeof label, "%.0f Hz (test hook)", hz);
            else
                std::snprintf(label, sizeof label, "screen's own");
            const double perFrame = frames ? cpu * 1000 / frames : 0;
            const double xPerFrame = (frames && x0 >= 0 && x1 >= 0) ? (x1 - x0) * 1000 / frames : -1;
            std::printf("%-22s %9.3f %9.2f %9.3f %9.3f %9.3f %9.3f %5d/%-3zu %9.2f", label, period,
                        frames / elapsed, mean, sd, gaps.empty() ? 0 : *std::min_element(gaps.begin(), gaps.end()),
                        gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end()), off, gaps.size(),
                        perFrame);
            if (xPerFrame >= 0)
                std::printf(" %9.2f %9.2f\n", xPerFrame, perFrame + xPerFrame);
            else
                std::printf(" %9s %9s\n", "-", "-");
            std::printf("%-22s ticks %.2f/s, %.1f %% within a quarter period of the rate's grid\n", "",
                        ticks.size() / elapsed, ticks.empty() ? 0.0 : 100.0 * onGrid / ticks.size());
            std::fflush(stdout);
        }
        FrameClock::SetRefreshRateForTesting(0);
        Globals::DisplayRate = false;
        mciSendString("Close Zvuk");
        CaptureEngine::Instance().Shutdown();
        w.close();
    }
    std::fflush(nullptr);
    std::_Exit(0);
}
