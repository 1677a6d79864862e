// SPDX-License-Identifier: GPL-3.0-or-later
// The live picture, for every sweep, in the two ways it can run: the
// refresh timer at its fastest period (100 ms, a saved pass per refresh)
// and at display rate (the newest samples of the capture stream each frame),
// and at display rate again with the trigger on (auto, channel 1, rising
// through 0, one division in: each frame searches the newest samples).
//   - frames per second: completed paints of the drawing surface, not ticks;
//   - wake-ups per second: the times any of this process's threads went to
//     sleep waiting (the thread that takes the sound server's data among
//     them);
//   - CPU per frame: this process, the X server (when there is one to
//     measure: run under xvfb-run -a), and both;
//   - delay at "1 мС": the input switches from silence to a tone at a known
//     moment; the delay is the time from then until the end of painting the
//     first frame that shows the tone (median and max of several switches).
// Inputs: a paced test source inside this process (switches exactly when
// told), and, when a sound server is reachable, its default input, switched
// by muting and unmuting the source named by SIGM_TEST_PULSE_SOURCE
// (scripts/test-audio-server.sh sets it up) over a connection to the server
// that this benchmark keeps open. The delay counts from sending the unmute;
// the server applies it before it acknowledges, and the time to the
// acknowledgement is printed too, so the moment is known to within that.
// (Running pactl for each switch added its own start-up and connection,
// 15 ms and more, which the sound never goes through.) What the server
// itself holds back, the source's latency and the fragment on its way to
// the program, stays in the figure: a sound card's input has the same. That
// part is also measured alone, for timed and for display fragments, from
// the unmute to the tone's first samples read straight from the input: the
// rest of the delay is the program's. (The test server's source must pass
// its blocks on at once, as a capture input does; scripts/test-audio-server.sh
// says how.)
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

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/thread-mainloop.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <string>
#include <utility>
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

// Mutes and unmutes a source of the sound server over one connection kept
// open, waiting for the server's acknowledgement.
class ServerMute {
public:
    explicit ServerMute(QByteArray source) : source_(std::move(source))
    {
        loop_ = pa_threaded_mainloop_new();
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "bench_live mute");
        pa_context_set_state_callback(
            context_, [](pa_context *, void *loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0); },
            loop_);
        pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
        pa_threaded_mainloop_start(loop_);
        pa_threaded_mainloop_lock(loop_);
        while (PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)) && pa_context_get_state(context_) != PA_CONTEXT_READY)
            pa_threaded_mainloop_wait(loop_);
        ready_ = pa_context_get_state(context_) == PA_CONTEXT_READY;
        pa_threaded_mainloop_unlock(loop_);
    }
    ~ServerMute()
    {
        pa_threaded_mainloop_lock(loop_);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
    }
    bool Ready() const { return ready_; }
    // True once the server has applied the change.
    bool Set(bool mute)
    {
        pa_threaded_mainloop_lock(loop_);
        done_ = false;
        ok_ = false;
        pa_operation *op = pa_context_set_source_mute_by_name(
            context_, source_.constData(), mute,
            [](pa_context *, int success, void *data) {
                auto *self = static_cast<ServerMute *>(data);
                self->ok_ = success != 0;
                self->done_ = true;
                pa_threaded_mainloop_signal(self->loop_, 0);
            },
            this);
        while (op && !done_ && PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)))
            pa_threaded_mainloop_wait(loop_);
        if (op)
            pa_operation_unref(op);
        const bool ok = ok_;
        pa_threaded_mainloop_unlock(loop_);
        return ok;
    }

private:
    QByteArray source_;
    pa_threaded_mainloop *loop_ = nullptr;
    pa_context *context_ = nullptr;
    bool ready_ = false;
    bool done_ = false;  // under the loop's lock
    bool ok_ = false;
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
    double fps = 0, cpuMs = 0, xMs = -1, wakeups = 0;
    std::string byThread;  // wake-ups per second of each thread that woke
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
    const long long switches0 = Bench::processWaits();
    const std::vector<Bench::ThreadWaits> threads0 = Bench::threadWaits();
    QElapsedTimer clock;
    clock.start();
    wait(int(seconds * 1000));
    const int frames = watch.frames;
    const double elapsed = clock.nsecsElapsed() / 1e9;
    Result r;
    r.fps = frames / elapsed;
    r.wakeups = double(Bench::processWaits() - switches0) / elapsed;
    for (const Bench::ThreadWaits &t : Bench::threadWaits()) {
        long long before = 0;
        for (const Bench::ThreadWaits &u : threads0)
            if (u.tid == t.tid)
                before = u.waits;
        const double rate = double(t.waits - before) / elapsed;
        if (rate >= 0.5) {
            char b[96];
            std::snprintf(b, sizeof b, "%s%s %.0f", r.byThread.empty() ? "" : ", ", qPrintable(t.name), rate);
            r.byThread += b;
        }
    }
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
// *switching gets how long each switch took to be acknowledged.
std::vector<double> measureDelays(Pribor &w, int trials, const std::function<void(bool)> &setTone,
                                  std::vector<double> *switching)
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
            switching->push_back(took);
        }
    }
    return delays;
}

// The sound server's part of the delay: from the unmute's acknowledgement
// until the tone's first samples reach the program, read straight from an
// input asking for fragments of `fragmentMs`.
std::vector<double> serverDelays(ServerMute &mute, int fragmentMs, int trials)
{
    std::vector<double> delays;
    int error = 0;
    std::unique_ptr<CaptureSource> input = MakeSoundInput(QString(), &error);
    if (!input)
        return delays;
    input->SetFragmentMs(fragmentMs);
    if (input->Start({44100, 2, 16}) != 0)
        return delays;
    std::mt19937 random(7);
    auto loudIn = [](const QByteArray &b) {
        const auto *v = reinterpret_cast<const qint16 *>(b.constData());
        for (qsizetype i = 0; i < b.size() / 2; ++i)
            if (std::abs(v[i]) > 8000)
                return true;
        return false;
    };
    for (int t = 0; t < trials; ++t) {
        mute.Set(true);
        // Let what was on its way before the mute arrive and go.
        const Clock::time_point quietUntil = Clock::now() + std::chrono::milliseconds(150 + random() % 250);
        QByteArray b;
        while (Clock::now() < quietUntil) {
            b.clear();
            input->ReadAvailable(b);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        mute.Set(false);
        const Clock::time_point applied = Clock::now();
        for (;;) {
            b.clear();
            input->ReadAvailable(b);
            if (loudIn(b)) {
                delays.push_back(std::chrono::duration<double, std::milli>(Clock::now() - applied).count());
                break;
            }
            if (Clock::now() - applied > std::chrono::seconds(2))
                break;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }
    input->Stop();
    mute.Set(false);
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
            std::unique_ptr<ServerMute> mute;
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
                    mute = std::make_unique<ServerMute>(pulseSource);
                    if (mute->Ready()) {
                        ServerMute *m = mute.get();
                        setTone = [m](bool on) {
                            if (!m->Set(!on))
                                std::printf("  the server did not take the %s\n", on ? "unmute" : "mute");
                        };
                        setTone(true);
                    }
                }
            }
            Pribor w;
            w.Form_Load();
            w.resize(900, 600);
            w.show();
            wait(200);
            const int xPid = Bench::xServerPid();
            std::printf("input: %s; 44.1 kHz stereo; %.1f s per sweep; platform %s, X server %s; load average %.2f\n",
                        qPrintable(name), seconds, qPrintable(app.platformName()),
                        xPid ? "measured" : "not measured", Bench::loadAverage());
            std::printf("%-9s | %-44s | %-44s | %-44s\n", "", "refresh period 100 ms", "display rate",
                        "display rate, trigger auto");
            std::printf("%-9s |", "sweep");
            for (int mode = 0; mode < 3; ++mode)
                std::printf(" %8s %8s %8s %8s %8s |", "frames/s", "CPU ms", "X ms", "sum ms", "wake/s");
            std::printf("\n");
            const long rss0 = Bench::statusKb("VmRSS:");
            std::pair<std::string, std::string> byThread;
            for (int sweep = 0; sweep < 11; ++sweep) {
                Result r[3];
                for (int mode = 0; mode < 3; ++mode) {
                    startCapture(w, sweep, mode >= 1, mode == 2);
                    r[mode] = measureFrames(w, seconds, xPid);
                    w.Stopbiton_Click();
                }
                auto cell = [](const Result &x) {
                    char b[80];
                    if (x.xMs >= 0)
                        std::snprintf(b, sizeof b, "%8.1f %8.2f %8.2f %8.2f %8.0f", x.fps, x.cpuMs, x.xMs,
                                      x.cpuMs + x.xMs, x.wakeups);
                    else
                        std::snprintf(b, sizeof b, "%8.1f %8.2f %8s %8s %8.0f", x.fps, x.cpuMs, "-", "-", x.wakeups);
                    return std::string(b);
                };
                std::printf("%s | %s | %s | %s\n", qPrintable(w.RasTime->itemText(sweep).leftJustified(9)),
                            cell(r[0]).c_str(), cell(r[1]).c_str(), cell(r[2]).c_str());
                if (sweep == 6)
                    byThread = {r[0].byThread, r[1].byThread};
            }
            std::printf("  wake-ups/s by thread at \"1 мС\", refresh period 100 ms: %s\n", byThread.first.c_str());
            std::printf("  wake-ups/s by thread at \"1 мС\", display rate: %s\n", byThread.second.c_str());
            if (setTone) {
                for (int mode = 0; mode < 2; ++mode) {
                    startCapture(w, 6, mode == 1);
                    std::vector<double> switching;
                    const std::vector<double> d = measureDelays(w, trials, setTone, &switching);
                    w.Stopbiton_Click();
                    printDelays(mode ? "display rate" : "refresh period 100 ms", d, trials);
                    if (input == 1 && !switching.empty())
                        std::printf("    (the server acknowledged each unmute within %.1f ms of its sending)\n",
                                    *std::max_element(switching.begin(), switching.end()));
                }
                setTone(true);
            } else {
                std::printf("  delay not measured: SIGM_TEST_PULSE_SOURCE names no source of the server to mute\n");
            }
            if (mute) {
                // Alone on the source: the stream the window used would hold
                // the source to its own fragments.
                engine.Shutdown();
                for (const int fragmentMs : {kTimedFragmentMs, kDisplayFragmentMs}) {
                    std::vector<double> d = serverDelays(*mute, fragmentMs, trials);
                    if (d.empty())
                        continue;
                    std::sort(d.begin(), d.end());
                    std::printf("  of which the server's part with %d ms fragments (unmute to the tone's first samples "
                                "in the program): median %.1f ms, min %.1f, max %.1f\n",
                                fragmentMs, d[d.size() / 2], d.front(), d.back());
                }
            }
            std::printf("resident memory: %ld kB before, %ld kB after\n", rss0, Bench::statusKb("VmRSS:"));
            if (soakMinutes > 0) {
                const long before = Bench::statusKb("VmRSS:");
                startCapture(w, 6, true);
                const Result r = measureFrames(w, soakMinutes * 60, xPid);
                w.Stopbiton_Click();
                std::printf("soak %.1f min at 1 мС, display rate: %.1f frames/s, %.2f CPU ms/frame, %.0f wake-ups/s, "
                            "memory %ld kB -> %ld kB\n",
                            soakMinutes, r.fps, r.cpuMs, r.wakeups, before, Bench::statusKb("VmRSS:"));
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
