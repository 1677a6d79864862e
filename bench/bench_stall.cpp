// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window stands still while the sound server does not answer.
// A 2 ms heartbeat on the window's thread records its longest gap while:
//   - capture starts, the input menu opens, the input watch and the
//     refreshes run, each with the server frozen (SIGSTOP, SIGCONT after),
//   - a new input appears while capture has fallen back from it (re-plug).
// Every message box is printed. Needs the test server
// (scripts/test-audio-server.sh) and its pid:
//   SIGM_TEST_PULSE_PID=$SIGM_TEST_PULSE_PID bench_stall
// A start includes the first pass, which waits for the first screen's data
// (up to the first-data timeout of 3 s when none comes).
#include "benchutil.h"
#include "acquisition/captureengine.h"
#include "acquisition/mci.h"
#include "app/inputtool.h"
#include "app/pribor.h"
#include "platform/messagebox.h"
#include "platform/vbcontrols.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

pid_t serverPid = 0;

void freeze(bool on)
{
    if (serverPid > 0)
        ::kill(serverPid, on ? SIGSTOP : SIGCONT);
}

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Heartbeat {
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer timer;
    Heartbeat()
    {
        clock.start();
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(2);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        timer.start();
    }
    // Runs `action` from the event loop, then lets the loop run for `ms`;
    // prints the longest gap and how long the action itself took.
    void Measure(const char *what, const std::function<void()> &action, int ms)
    {
        spin(50);
        last = clock.elapsed();
        longest = 0;
        qint64 took = 0;
        QTimer::singleShot(0, [&] {
            QElapsedTimer t;
            t.start();
            action();
            took = t.elapsed();
        });
        spin(ms);
        std::printf("%-44s longest gap %5lld ms (the call itself %5lld ms)\n", what, longest, took);
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char **argv)
{
    serverPid = pid_t(qEnvironmentVariableIntValue("SIGM_TEST_PULSE_PID"));
    if (serverPid <= 0) {
        std::fprintf(stderr, "SIGM_TEST_PULSE_PID is not set\n");
        return 2;
    }
    {
        QApplication app(argc, argv);
        QTemporaryDir dir;
        Bench::UseScratchFolders(dir.path());
        QElapsedTimer clock;
        clock.start();
        UiSeam::SetMessageHandler([&](const MsgRequest &r) {
            std::printf("    %6.1f s  message box: %s\n", clock.elapsed() / 1000.0, qPrintable(r.text));
            std::fflush(stdout);
            return MsgAnswer::OK;
        });
        Pribor w;
        w.Form_Load();
        w.show();
        Heartbeat beat;
        auto state = [&] {
            std::printf("    capture %s, input %s%s\n", w.st.CaptureRunning && w.Timer1->isActive() ? "running" : "stopped",
                        qPrintable(w.Input->InputInUse()), CaptureEngine::Instance().InputIsDemo() ? " (demo)" : "");
            std::fflush(stdout);
        };
        // Capture stopped and the input let go, so the next start looks it
        // up afresh (a stopped engine keeps its stream otherwise).
        auto stop = [&] {
            if (w.st.CaptureRunning)
                w.Stopbiton_Click();
            mciSendString("Close Zvuk");
            CaptureEngine::Instance().Shutdown();
            spin(200);
        };

        beat.Measure("start capture, server answering", [&] { w.zapis_Click(); }, 1000);
        state();
        stop();

        freeze(true);
        beat.Measure("start capture, server frozen", [&] { w.zapis_Click(); }, 1500);
        freeze(false);
        spin(1500);
        state();
        stop();

        freeze(true);
        beat.Measure("open the input menu, server frozen", [&] { Q_EMIT w.Input->InputMenu->aboutToShow(); }, 1000);
        freeze(false);
        spin(500);

        w.Input->ChooseInput(QString::fromLocal8Bit(qgetenv("SIGM_TEST_PULSE_SOURCE")));
        w.zapis_Click();
        spin(1000);
        freeze(true);
        beat.Measure("input watch and refreshes, server frozen", [] {}, 4000);
        freeze(false);
        spin(1500);
        state();
        stop();

        w.Input->ChooseInput(QString());
        w.zapis_Click();
        spin(1000);
        freeze(true);
        beat.Measure("refreshes only, server frozen", [] {}, 2000);
        freeze(false);
        spin(1500);
        state();
        stop();
        w.zapis_Click();
        spin(1000);

        // Capture falls back from a chosen input that is not there, then
        // the input appears.
        w.Input->ChooseInput(QStringLiteral("stallin"));
        spin(2000);
        state();
        beat.Measure("an input plugged in while capturing",
                     [] {
                         QProcess::startDetached("sh", {"-c", "pactl load-module module-null-sink sink_name=stall "
                                                              "rate=48000 channels=2 >/dev/null && pactl load-module "
                                                              "module-remap-source master=stall.monitor "
                                                              "source_name=stallin >/dev/null"});
                     },
                     5000);
        state();
        stop();
        w.Input->ChooseInput(QString());
        w.close();
    }
    std::fflush(nullptr);
    std::_Exit(0);
}
