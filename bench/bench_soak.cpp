// SPDX-License-Identifier: GPL-3.0-or-later
// A long live run through the shown main window with the level window open,
// on the sound server's default input (or SIGM_INPUT): every message box the
// program raises is counted and printed with the time it came, so a capture
// that reports its input lost (or stops) on a busy machine shows here.
//   - refreshes per second, minute by minute, and the slowest minute,
//   - message boxes (each printed), and whether capture still runs at the end.
// Usage: bench_soak [minutes, default 10] [sweep index, default 6 = "1 мС"]
#include "benchutil.h"
#include "app/pribor.h"
#include "acquisition/mci.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbcontrols.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int sweep = argc > 2 ? std::atoi(argv[2]) : 6;
    int boxes = 0;
    bool stoppedAtEnd = false;
    {
        QApplication app(argc, argv);
        QTemporaryDir dir;
        Bench::UseScratchFolders(dir.path());
        QElapsedTimer clock;
        clock.start();
        UiSeam::SetMessageHandler([&](const MsgRequest &r) {
            ++boxes;
            std::printf("%7.1f s  message box: %s\n", clock.elapsed() / 1000.0, qPrintable(r.text));
            std::fflush(stdout);
            return MsgAnswer::OK;
        });

        Pribor w;
        w.Form_Load();
        w.show();
        w.Uroven_Click();  // the level window: refresh period 100 ms
        w.RasTime->SetListIndex(sweep);
        w.zapis_Click();
        std::printf("level window %s, sweep %s, input %s\n", w.ScalaWindow ? "open" : "closed",
                    qPrintable(w.RasTime->itemText(sweep)), qgetenv("SIGM_INPUT").isEmpty() ? "default" : qgetenv("SIGM_INPUT").constData());

        int ticks = 0, minuteTicks = 0, minute = 0;
        double slowest = 1e9;
        QObject probe;
        QObject::connect(w.Timer1, &QTimer::timeout, &probe, [&] { ++ticks, ++minuteTicks; });
        QTimer perMinute;
        QObject::connect(&perMinute, &QTimer::timeout, &probe, [&] {
            ++minute;
            const double rate = minuteTicks / 60.0;
            slowest = std::min(slowest, rate);
            std::printf("minute %2d: %.1f refresh/s, capture %s\n", minute, rate,
                        w.Stopbiton->isEnabled() ? "running" : "STOPPED");
            std::fflush(stdout);
            minuteTicks = 0;
        });
        perMinute.start(60000);
        // The moment capture stops, however it stops (with a box or without).
        QTimer watch;
        bool stopSeen = false;
        QObject::connect(&watch, &QTimer::timeout, &probe, [&] {
            if (!stopSeen && (!w.Stopbiton->isEnabled() || !w.Timer1->isActive())) {
                stopSeen = true;
                std::printf("%7.1f s  capture STOPPED\n", clock.elapsed() / 1000.0);
                std::fflush(stdout);
            }
        });
        watch.start(200);
        QEventLoop loop;
        QTimer::singleShot(int(minutes * 60000), &loop, &QEventLoop::quit);
        loop.exec();
        const double elapsed = clock.elapsed() / 1000.0;
        std::printf("%.1f min: %d refreshes, %.1f refresh/s, slowest minute %.1f refresh/s, %d message boxes, capture %s "
                    "at the end\n",
                    elapsed / 60.0, ticks, ticks / elapsed, slowest, boxes,
                    w.Stopbiton->isEnabled() ? "still running" : "STOPPED");
        stoppedAtEnd = stopSeen;
        w.Stopbiton_Click();
        w.close();
        mciSendString("Close Zvuk");
    }
    std::fflush(nullptr);
    std::_Exit(boxes == 0 && !stoppedAtEnd ? 0 : 1);
}
