// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window stands still: the longest time its thread does not
// handle events (Bench::StallMonitor), while
//   - the program starts;
//   - a 400 MB file is opened, paged through (the bar and the trigger);
//   - the spectrum window opens and its transform size and window change;
//   - the screen and a file are exported;
//   - capture starts and runs (demo generator), at the refresh period and
//     at display rate with the spectrum window open;
//   - the sound server stops answering (SIGSTOP of the test server, SIGCONT
//     after): capture starts, the input menu opens, the input watch and the
//     refreshes run; and an input appears while capture has fallen back
//     from it (re-plug).
// Every message box is printed with its time. The server part needs the
// test server (scripts/test-audio-server.sh) and its pid:
//   SIGM_TEST_PULSE_PID=$SIGM_TEST_PULSE_PID bench_stall
// without it, only the rest is measured.
// Usage: bench_stall [folder for the 400 MB file, default the temporary folder]
#include "benchutil.h"
#include "stallmonitor.h"
#include "acquisition/captureengine.h"
#include "acquisition/capturesource.h"
#include "acquisition/mci.h"
#include "app/exporttool.h"
#include "app/inputtool.h"
#include "app/pribor.h"
#include "fourier/fourierwindow.h"
#include "platform/messagebox.h"
#include "platform/vbcontrols.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

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

// A stereo 44.1 kHz file of `bytes` of samples: two tones that repeat every
// 4410 frames, written in 1 MB blocks.
bool writeWav(const QString &path, qint64 bytes)
{
    constexpr int kRate = 44100, kPeriod = 4410;
    QByteArray period(kPeriod * 4, Qt::Uninitialized);
    for (int f = 0; f < kPeriod; ++f) {
        const double t = double(f) / kRate;
        const qint16 l = qint16(std::lround(12000 * std::sin(2 * M_PI * 1000 * t)));
        const qint16 r = qint16(std::lround(9000 * std::sin(2 * M_PI * 250 * t)));
        qToLittleEndian(l, period.data() + 4 * f);
        qToLittleEndian(r, period.data() + 4 * f + 2);
    }
    const qint64 frames = bytes / 4;
    QByteArray header(44, '\0');
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, header.data() + at); };
    auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, header.data() + at); };
    std::memcpy(header.data(), "RIFF", 4);
    put32(4, quint32(36 + frames * 4));
    std::memcpy(header.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, 2);
    put32(24, kRate);
    put32(28, kRate * 4);
    put16(32, 4);
    put16(34, 16);
    std::memcpy(header.data() + 36, "data", 4);
    put32(40, quint32(frames * 4));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(header) != header.size())
        return false;
    QByteArray block;
    while (block.size() < (1 << 20) + period.size())
        block += period;
    qint64 left = frames * 4;
    qint64 phase = 0;
    while (left > 0) {
        const qint64 n = std::min<qint64>(left, (1 << 20));
        const qint64 from = phase % (kPeriod * 4);
        if (f.write(block.constData() + from, n) != n)
            return false;
        phase += n;
        left -= n;
    }
    return f.flush();
}

class Stalls {
public:
    Stalls() { clock_.start(); }
    Bench::StallMonitor monitor;

    // Runs each step from the event loop, `gapMs` apart, then lets the loop
    // run `afterMs` more; prints the longest stall, the longest step and the
    // stalls over 20 ms.
    void Measure(const char *what, const std::vector<std::function<void()>> &steps, int gapMs, int afterMs)
    {
        spin(50);
        monitor.Restart();
        double longestStep = 0;
        for (const auto &step : steps) {
            QTimer::singleShot(0, [&] {
                QElapsedTimer t;
                t.start();
                step();
                longestStep = std::max(longestStep, t.nsecsElapsed() / 1e6);
            });
            spin(gapMs);
        }
        spin(afterMs);
        Print(what, longestStep);
    }
    void Measure(const char *what, const std::function<void()> &action, int afterMs)
    {
        Measure(what, std::vector<std::function<void()>>{action}, 0, afterMs);
    }

    void Print(const char *what, double longestStep)
    {
        std::printf("%-58s longest stall %7.1f ms", what, monitor.LongestMs());
        if (longestStep >= 0)
            std::printf("  (longest call %7.1f ms)", longestStep);
        std::printf("\n");
        const auto over = monitor.Over(20);
        for (size_t i = 0; i < over.size() && i < 6; ++i)
            std::printf("      stall of %7.1f ms at %7.1f ms\n", over[i].ms, over[i].atMs);
        if (over.size() > 6)
            std::printf("      … and %zu more over 20 ms\n", over.size() - 6);
        std::fflush(stdout);
    }

    double Seconds() const { return clock_.elapsed() / 1000.0; }

private:
    QElapsedTimer clock_;
};

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    serverPid = pid_t(qEnvironmentVariableIntValue("SIGM_TEST_PULSE_PID"));
    {
        QApplication app(argc, argv);
        QTemporaryDir dir;
        Bench::UseScratchFolders(dir.path());
        QTemporaryDir big(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/bench_stall-XXXXXX")
                                   : QDir::tempPath() + QStringLiteral("/bench_stall-XXXXXX"));
        Stalls s;
        UiSeam::SetMessageHandler([&](const MsgRequest &r) {
            std::printf("    %6.1f s  message box: %s\n", s.Seconds(), qPrintable(r.text));
            std::fflush(stdout);
            return MsgAnswer::OK;
        });
        std::printf("platform %s, load average %.2f\n", qPrintable(app.platformName()), Bench::loadAverage());

        // Start-up: the window is made, loaded and shown before the event
        // loop first runs; then the loop's first second and a half.
        s.monitor.Restart();
        QElapsedTimer made;
        made.start();
        auto window = std::make_unique<Pribor>();
        Pribor &w = *window;
        w.Form_Load();
        w.resize(900, 600);
        w.show();
        std::printf("%-58s %7.1f ms before the event loop runs\n", "start-up: window made, loaded and shown",
                    made.nsecsElapsed() / 1e6);
        s.monitor.Restart();
        spin(1500);
        s.Print("start-up: the first 1.5 s of the running window", -1);

        // A 400 MB file, opened, paged and analysed.
        const QString bigFile = big.path() + QStringLiteral("/big.wav");
        if (!writeWav(bigFile, 400LL * 1000 * 1000)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(bigFile));
            return 1;
        }
        s.Measure("open a 400 MB file", [&] { w.OpenOscillogram(bigFile); }, 500);
        w.RasTime->SetListIndex(6);
        spin(200);
        std::vector<std::function<void()>> pages;
        for (int i = 0; i < 20; ++i)
            pages.push_back([&] { w.HScroll1->SetValue(w.HScroll1->Value() + w.HScroll1->LargeChange()); });
        s.Measure("page 20 times with the bar (\"1 мС\")", pages, 40, 100);
        w.TrigAuto->trigger();
        spin(100);
        std::vector<std::function<void()>> triggers(20, [&] { w.TrigNext_Click(); });
        s.Measure("page 20 times trigger to trigger", triggers, 40, 100);
        w.TrigOff->trigger();
        spin(100);

        s.Measure("open the spectrum window (a stopped file)", [&] { w.Spektr->trigger(); }, 700);
        if (!w.SpektrWindow) {
            std::fprintf(stderr, "the spectrum window did not open\n");
            return 1;
        }
        for (int i = 0; i < w.SpektrWindow->SizeBox->count(); ++i) {
            char what[96];
            std::snprintf(what, sizeof what, "spectrum: size %s, then a page",
                          qPrintable(w.SpektrWindow->SizeBox->itemText(i)));
            s.Measure(what,
                      {[&, i] { w.SpektrWindow->SizeBox->setCurrentIndex(i); },
                       [&] { w.HScroll1->SetValue(w.HScroll1->Value() + w.HScroll1->LargeChange()); }},
                      300, 400);
        }
        for (int i = 0; i < w.SpektrWindow->WindowBox->count(); ++i) {
            char what[96];
            std::snprintf(what, sizeof what, "spectrum: window %d, then a page", i);
            s.Measure(what,
                      {[&, i] { w.SpektrWindow->WindowBox->setCurrentIndex(i); },
                       [&] { w.HScroll1->SetValue(w.HScroll1->Value() + w.HScroll1->LargeChange()); }},
                      300, 300);
        }
        s.Measure("spectrum: resize its window", [&] { w.SpektrWindow->resize(900, 700); }, 300);

        s.Measure("export the screen as PNG", [&] { QString e; w.Exports->ExportPng(dir.path() + "/s.png", &e); }, 200);
        s.Measure("export the screen as SVG", [&] { QString e; w.Exports->ExportSvg(dir.path() + "/s.svg", &e); }, 200);
        s.Measure("export the screen's samples as CSV",
                  [&] { QString e; w.Exports->ExportCsv(dir.path() + "/s.csv", ExportTool::CsvWhat::Screen, &e); },
                  200);
        // The whole file, but of a smaller one: each block costs the same.
        const QString midFile = big.path() + QStringLiteral("/mid.wav");
        writeWav(midFile, 20LL * 1000 * 1000);
        w.OpenOscillogram(midFile);
        spin(200);
        s.Measure("export a whole 20 MB file as CSV",
                  [&] { QString e; w.Exports->ExportCsv(dir.path() + "/f.csv", ExportTool::CsvWhat::WholeFile, &e); },
                  200);
        QFile::remove(dir.path() + "/f.csv");
        QFile::remove(bigFile);

        // Capture from the demo generator.
        CaptureEngine &engine = CaptureEngine::Instance();
        engine.SetSourceFactory([](int *) { return MakeDemoSource(); });
        auto stop = [&] {
            if (w.st.CaptureRunning)
                w.Stopbiton_Click();
            mciSendString("Close Zvuk");
            engine.Shutdown();
            spin(200);
        };
        w.Timer1->setInterval(100);
        for (const int sweep : {6, 0, 10}) {
            w.RasTime->SetListIndex(sweep);
            char what[96];
            std::snprintf(what, sizeof what, "capture start, demo generator, \"%s\"",
                          qPrintable(w.RasTime->itemText(sweep)));
            s.Measure(what, [&] { w.zapis_Click(); }, 1500);
            std::snprintf(what, sizeof what, "capture runs 3 s, refresh 100 ms, \"%s\"",
                          qPrintable(w.RasTime->itemText(sweep)));
            s.Measure(what, [] {}, 3000);
            stop();
        }
        w.RasTime->SetListIndex(6);
        Globals::DisplayRate = true;
        w.SpektrWindow->SizeBox->setCurrentIndex(w.SpektrWindow->SizeBox->count() - 1);
        w.zapis_Click();
        spin(500);
        s.Measure("display rate 3 s, \"1 мС\", spectrum 65536 open", [] {}, 3000);
        stop();
        Globals::DisplayRate = false;
        w.Spektr->trigger();  // closes it
        spin(100);
        engine.SetSourceFactory({});

        if (serverPid <= 0) {
            std::printf("SIGM_TEST_PULSE_PID is not set: the frozen sound server is not measured\n");
        } else {
            auto state = [&] {
                std::printf("    capture %s, input %s%s\n",
                            w.st.CaptureRunning && w.Timer1->isActive() ? "running" : "stopped",
                            qPrintable(w.Input->InputInUse()), engine.InputIsDemo() ? " (demo)" : "");
                std::fflush(stdout);
            };
            s.Measure("start capture, server answering", [&] { w.zapis_Click(); }, 1000);
            state();
            stop();

            // Frozen past the first data's wait of 3 s: the start fails, and says so.
            freeze(true);
            s.Measure("start capture, server frozen 4 s", [&] { w.zapis_Click(); }, 4000);
            freeze(false);
            spin(2000);
            state();
            stop();

            freeze(true);
            s.Measure("open the input menu, server frozen", [&] { Q_EMIT w.Input->InputMenu->aboutToShow(); },
                      1000);
            freeze(false);
            spin(500);

            w.Input->ChooseInput(QString::fromLocal8Bit(qgetenv("SIGM_TEST_PULSE_SOURCE")));
            w.zapis_Click();
            spin(1000);
            freeze(true);
            s.Measure("input watch and refreshes, server frozen", [] {}, 4000);
            freeze(false);
            spin(1500);
            state();
            stop();

            w.Input->ChooseInput(QString());
            w.zapis_Click();
            spin(1000);
            freeze(true);
            s.Measure("refreshes only, server frozen", [] {}, 2000);
            freeze(false);
            spin(1500);
            state();
            stop();
            w.zapis_Click();
            spin(1000);

            // Capture falls back from a chosen input that is not there,
            // then the input appears.
            w.Input->ChooseInput(QStringLiteral("stallin"));
            spin(2000);
            state();
            s.Measure("an input plugged in while capturing",
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
        }
        w.close();
    }
    std::fflush(nullptr);
    std::_Exit(0);
}
