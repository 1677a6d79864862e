// SPDX-License-Identifier: GPL-3.0-or-later
// The live picture, for every sweep, in the two ways it can run: the
// refresh timer at its fastest period (100 ms, a saved pass per refresh)
// and at display rate (the newest samples of the capture stream each frame),
// and at display rate again with the trigger on (auto, channel 1, rising
// through 0, one division in: each frame searches the newest samples).
//   - frames per second: completed paints of the drawing surface, not ticks;
//   - CPU per frame: this process, the X server (when there is one to
//     measure: run under xvfb-run -a), and both;
//   - delay at "1 мС": the input switches from silence to a tone at a known
//     moment; the delay is the time from then until the end of painting the
//     first frame that shows the tone (median and max of several switches).
// Inputs: a paced test source inside this process (switches exactly when
// told), and, when a sound server is reachable, its default input, switched
// by muting and unmuting the source named by SIGM_TEST_PULSE_SOURCE with
// pactl (scripts/test-audio-server.sh sets it up; the time pactl takes is
// counted in the delay, so that figure errs on the slow side).
// Usage: bench_live [seconds per sweep, default 3] [delay trials, default 8]
//        [total minutes for a memory soak at "1 мС" at display rate, default 0]
#include "acquisition/captureengine.h"
#include "acquisition/capturesource.h"
#include "acquisition/mci.h"
#include "app/pribor.h"
#include "benchutil.h"
#include "display/ris.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbcontrols.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPaintEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The test source: silence or a 1 kHz tone at half full scale on both
// channels, switched at a moment of the wall clock, paced like a sound card.
std::atomic<bool> g_toneOn{true};
Clock::time_point g_switchedAt;

class SwitchSource : public CaptureSource {
public:
    QString Description() const override { return QStringLiteral("bench switch source"); }
    int Start(const CaptureFormat &format) override
    {
        format_ = format;
        start_ = Clock::now();
        produced_ = 0;
        return 0;
    }
    void Stop() override {}
    bool ReadAvailable(QByteArray &out) override
    {
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start_).count();
        const qint64 due = qint64(elapsed) * format_.sampleRate / 1000000;
        const qsizetype at = out.size();
        out.resize(at + std::max<qint64>(0, due - produced_) * format_.BytesPerFrame());
        auto *p = reinterpret_cast<qint16 *>(out.data() + at);
        const bool on = g_toneOn;
        for (qint64 f = produced_; f < due; ++f) {
            const Clock::time_point t = start_ + std::chrono::microseconds(f * 1000000 / format_.sampleRate);
            const bool tone = t >= g_switchedAt ? on : !on;
            const qint16 v = tone ? qint16(std::lround(16384 * std::sin(2 * M_PI * 1000.0 * double(f % format_.sampleRate) / format_.sampleRate))) : 0;
            for (int c = 0; c < format_.channels; ++c)
                *p++ = v;
        }
        produced_ = std::max(produced_, due);
        return true;
    }

private:
    CaptureFormat format_;
    Clock::time_point start_;
    qint64 produced_ = 0;
};

// Watches the drawing surface: counts completed paints and tells what the
// frame just painted shows.
class FrameWatch : public QObject {
public:
    explicit FrameWatch(Pribor &w) : w_(w) { w.RisBox->installEventFilter(this); }
    ~FrameWatch() override { w_.RisBox->removeEventFilter(this); }
    int frames = 0;
    std::function<void(int peak)> onFrame;

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (o != w_.RisBox || e->type() != QEvent::Paint)
            return false;
        // Paint now, so the time taken afterwards includes the painting.
        static_cast<QWidget *>(o)->removeEventFilter(this);
        QCoreApplication::sendEvent(o, e);
        o->installEventFilter(this);
        ++frames;
        if (onFrame) {
            int peak = 0;
            const auto &b = w_.st.LeftBuffer;
            for (int i = 0; i <= w_.st.PointCount && size_t(i) < b.size(); ++i)
                peak = std::max(peak, std::abs(b[size_t(i)]));
            onFrame(peak);
        }
        return true;
    }

private:
    Pribor &w_;
};

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Result {
    double fps = 0, cpuMs = 0, xMs = -1;
};

void startCapture(Pribor &w, int sweep, bool displayRate, bool trigger = false)
{
    Globals::DisplayRate = displayRate;
    w.Trig.mode = trigger ? Trigger::Mode::Auto : Trigger::Mode::Off;
    w.Trig.source = 1;
    w.Trig.slope = Trigger::Slope::Rising;
    w.Trig.levelVolts = 0;
    w.Trig.place = Trigger::Place::OneDivision;
    w.RasTime->SetListIndex(sweep);
    w.Timer1->setInterval(100);
    w.zapis_Click();
}

Result measureFrames(Pribor &w, double seconds, int xPid)
{
    FrameWatch watch(w);
    wait(300);  // past the first frames
    watch.frames = 0;
    const double cpu0 = Bench::processCpuSeconds(), x0 = Bench::otherCpuSeconds(xPid);
    QElapsedTimer clock;
    clock.start();
    wait(int(seconds * 1000));
    const int frames = watch.frames;
    const double elapsed = clock.nsecsElapsed() / 1e9;
    Result r;
    r.fps = frames / elapsed;
    if (frames > 0) {
        r.cpuMs = (Bench::processCpuSeconds() - cpu0) * 1000 / frames;
        const double x1 = Bench::otherCpuSeconds(xPid);
        if (x0 >= 0 && x1 >= 0)
            r.xMs = (x1 - x0) * 1000 / frames;
    }
    return r;
}

// Switches the input from silence to the tone `trials` times and returns the
// delays (ms) until the end of painting the first frame that shows it.
// *applied gets the delays counted from the moment the switch command had
// returned instead (for pactl: the server has acknowledged the change).
std::vector<double> measureDelays(Pribor &w, int trials, const std::function<void(bool)> &setTone,
                                  std::vector<double> *applied)
{
    std::vector<double> delays;
    std::mt19937 random(11);
    FrameWatch watch(w);
    int lastPeak = 0;
    bool waitingForTone = false;
    Clock::time_point switched;
    double delay = -1;
    watch.onFrame = [&](int peak) {
        lastPeak = peak;
        if (waitingForTone && peak > 8000 && delay < 0)
            delay = std::chrono::duration<double, std::milli>(Clock::now() - switched).count();
    };
    for (int t = 0; t < trials; ++t) {
        setTone(false);
        // Until a frame shows silence, and then a while longer.
        QElapsedTimer guard;
        guard.start();
        while (!(watch.frames > 0 && lastPeak < 2000) && guard.elapsed() < 5000)
            wait(5);
        wait(150 + int(random() % 250));
        delay = -1;
        waitingForTone = true;
        switched = Clock::now();
        setTone(true);
        const double took = std::chrono::duration<double, std::milli>(Clock::now() - switched).count();
        guard.restart();
        while (delay < 0 && guard.elapsed() < 5000)
            wait(1);
        waitingForTone = false;
        if (delay >= 0) {
            delays.push_back(delay);
            applied->push_back(delay - took);
        }
    }
    return delays;
}

void printDelays(const char *what, std::vector<double> d, int trials)
{
    if (d.empty()) {
        std::printf("  delay at \"1 мС\", %s: no frame showed the input change\n", what);
        return;
    }
    std::sort(d.begin(), d.end());
    std::printf("  delay at \"1 мС\", %s: median %.1f ms, min %.1f, max %.1f (%zu of %d switches seen)\n", what,
                d[d.size() / 2], d.front(), d.back(), d.size(), trials);
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const int trials = argc > 2 ? std::max(1, std::atoi(argv[2])) : 8;
    const double soakMinutes = argc > 3 ? std::atof(argv[3]) : 0.0;
    int rc = 0;
    {
        QApplication app(argc, argv);
        QTemporaryDir dir;
        Bench::UseScratchFolders(dir.path());
        CaptureEngine &engine = CaptureEngine::Instance();

        const QByteArray pulseSource = qgetenv("SIGM_TEST_PULSE_SOURCE");
        int error = 0;
        const bool haveServer = MakeSoundInput(QString(), &error) != nullptr;
        for (int input = 0; input < 2; ++input) {
            std::function<void(bool)> setTone;
            QString name;
            if (input == 0) {
                engine.SetSourceFactory([](int *) { return std::make_unique<SwitchSource>(); });
                setTone = [](bool on) {
                    g_switchedAt = Clock::now();
                    g_toneOn = on;
                };
                setTone(true);
                name = QStringLiteral("test source in this process");
            } else {
                if (!haveServer) {
                    std::printf("No sound server input: the real input is not measured.\n");
                    break;
                }
                engine.SetSourceFactory({});
                qputenv("SIGM_INPUT", "default");
                name = QStringLiteral("sound server's default input");
                if (!pulseSource.isEmpty()) {
                    setTone = [pulseSource](bool on) {
                        QProcess::execute(QStringLiteral("pactl"),
                                          {QStringLiteral("set-source-mute"), QString::fromUtf8(pulseSource),
                                           on ? QStringLiteral("0") : QStringLiteral("1")});
                    };
                    setTone(true);
                }
            }
            Pribor w;
            w.Form_Load();
            w.resize(900, 600);
            w.show();
            wait(200);
            const int xPid = Bench::xServerPid();
            std::printf("input: %s; 44.1 kHz stereo; %.0f s per sweep; platform %s, X server %s; load average %.2f\n",
                        qPrintable(name), seconds, qPrintable(app.platformName()),
                        xPid ? "measured" : "not measured", Bench::loadAverage());
            std::printf("%-9s | %-35s | %-35s | %-35s\n", "", "refresh period 100 ms", "display rate",
                        "display rate, trigger auto");
            std::printf("%-9s |", "sweep");
            for (int mode = 0; mode < 3; ++mode)
                std::printf(" %8s %8s %8s %8s |", "frames/s", "CPU ms", "X ms", "sum ms");
            std::printf("\n");
            const long rss0 = Bench::statusKb("VmRSS:");
            for (int sweep = 0; sweep < 11; ++sweep) {
                Result r[3];
                for (int mode = 0; mode < 3; ++mode) {
                    startCapture(w, sweep, mode >= 1, mode == 2);
                    r[mode] = measureFrames(w, seconds, xPid);
                    w.Stopbiton_Click();
                }
                auto cell = [](const Result &x) {
                    char b[64];
                    if (x.xMs >= 0)
                        std::snprintf(b, sizeof b, "%8.1f %8.2f %8.2f %8.2f", x.fps, x.cpuMs, x.xMs, x.cpuMs + x.xMs);
                    else
                        std::snprintf(b, sizeof b, "%8.1f %8.2f %8s %8s", x.fps, x.cpuMs, "-", "-");
                    return std::string(b);
                };
                std::printf("%s | %s | %s | %s\n", qPrintable(w.RasTime->itemText(sweep).leftJustified(9)),
                            cell(r[0]).c_str(), cell(r[1]).c_str(), cell(r[2]).c_str());
            }
            if (setTone) {
                for (int mode = 0; mode < 2; ++mode) {
                    startCapture(w, 6, mode == 1);
                    std::vector<double> applied;
                    const std::vector<double> d = measureDelays(w, trials, setTone, &applied);
                    w.Stopbiton_Click();
                    printDelays(mode ? "display rate" : "refresh period 100 ms", d, trials);
                    if (input == 1)
                        printDelays(mode ? "display rate, from pactl's return" : "refresh period 100 ms, from pactl's return",
                                    applied, trials);
                }
                setTone(true);
            } else {
                std::printf("  delay not measured: SIGM_TEST_PULSE_SOURCE names no source to mute\n");
            }
            std::printf("resident memory: %ld kB before, %ld kB after\n", rss0, Bench::statusKb("VmRSS:"));
            if (soakMinutes > 0) {
                const long before = Bench::statusKb("VmRSS:");
                startCapture(w, 6, true);
                const Result r = measureFrames(w, soakMinutes * 60, xPid);
                w.Stopbiton_Click();
                std::printf("soak %.1f min at 1 мС, display rate: %.1f frames/s, %.2f CPU ms/frame, memory %ld kB -> "
                            "%ld kB\n",
                            soakMinutes, r.fps, r.cpuMs, before, Bench::statusKb("VmRSS:"));
            }
            w.close();
            std::printf("\n");
        }
        Globals::DisplayRate = false;
        mciSendString("Close Zvuk");
        engine.Shutdown();
    }
    std::fflush(nullptr);
    std::_Exit(rc);
}
