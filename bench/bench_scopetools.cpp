// SPDX-License-Identifier: GPL-3.0-or-later
// What the computed trace M, persistence and the reference traces cost a
// frame of the live picture at display rate, "1 мС", stereo.
//
// 1. The whole program: the window at display rate on a paced test source
//    (a 1 kHz tone on channel 1, 250 Hz on channel 2), CPU of this process
//    per completed paint of the drawing surface and frames per second, for
//    the classic picture (the baseline) and with each feature on: M = A × B,
//    M = low-pass of A (the stream filter), persistence 1 s and infinite,
//    four references shown, and all of them at once. The configurations
//    take turns for several rounds; the medians are printed with what each
//    adds to the baseline of the same run, and its ratio to it.
// 2. The features' own arithmetic per frame, timed alone over many frames
//    of the same size: M worked out and its points built, the filter
//    included; persistence adding two traces and painting its picture.
//
// Usage: bench_scopetools [seconds per configuration and round, default 2] [rounds, default 3]
#include "acquisition/captureengine.h"
#include "acquisition/capturesource.h"
#include "acquisition/mci.h"
#include "analysis/mathtrace.h"
#include "analysis/persistence.h"
#include "app/mathtool.h"
#include "app/persistencetool.h"
#include "app/pribor.h"
#include "app/referencetool.h"
#include "benchutil.h"
#include "display/ris.h"
#include "display/screenread.h"
#include "display/tracebuffers.h"
#include "platform/messagebox.h"
#include "platform/vbcontrols.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class ToneSource : public CaptureSource {
public:
    QString Description() const override { return QStringLiteral("bench tone source"); }
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
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start_).count();
        const qint64 due = qint64(us) * format_.sampleRate / 1000000;
        const qsizetype at = out.size();
        out.resize(at + std::max<qint64>(0, due - produced_) * format_.BytesPerFrame());
        auto *p = reinterpret_cast<qint16 *>(out.data() + at);
        for (qint64 f = produced_; f < due; ++f) {
            const double t = double(f % format_.sampleRate) / format_.sampleRate;
            *p++ = qint16(std::lround(12000 * std::sin(2 * M_PI * 1000 * t)));
            if (format_.channels > 1)
                *p++ = qint16(std::lround(9000 * std::sin(2 * M_PI * 250 * t)));
        }
        produced_ = std::max(produced_, due);
        return true;
    }

private:
    CaptureFormat format_;
    Clock::time_point start_;
    qint64 produced_ = 0;
};

class PaintCount : public QObject {
public:
    explicit PaintCount(QWidget *w) : w_(w) { w->installEventFilter(this); }
    ~PaintCount() override { w_->removeEventFilter(this); }
    int frames = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++frames;
        return false;
    }

private:
    QWidget *w_;
};

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> v)
{
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Config {
    const char *name;
    std::function<void(Pribor &)> on;
};

void allOff(Pribor &w)
{
    w.MathView->SetFunction(MathTrace::Function::Off);
    w.Persist->SetTime(0);
    for (int i = 0; i < ReferenceTool::kSlots; ++i)
        w.References->SetShown(i, false);
}

// Microseconds per call of `step`, the median of five runs of `count`.
double timePerCall(int count, const std::function<void(int)> &step)
{
    std::vector<double> runs;
    for (int r = 0; r < 5; ++r) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < count; ++i)
            step(i);
        runs.push_back(t.nsecsElapsed() / 1e3 / count);
    }
    return median(runs);
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : 2;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QTemporaryDir dir;
    Bench::UseScratchFolders(dir.path());
    UiSeam::SetMessageHandler([](const MsgRequest &m) {
        std::fprintf(stderr, "message: %s\n", qPrintable(m.text));
        return MsgAnswer::OK;
    });

    auto w = std::make_unique<Pribor>();
    w->Form_Load();
    w->show();
    if (!w->st.TwoBeam)
        w->Ster_Click();
    CaptureEngine::Instance().SetSourceFactory([](int *) { return std::unique_ptr<CaptureSource>(new ToneSource); });
    Globals::DisplayRate = true;
    w->RasTime->SetListIndex(6);  // "1 мС"
    w->Timer1->setInterval(100);
    w->zapis_Click();
    if (!w->st.CaptureRunning) {
        std::fprintf(stderr, "capture did not start\n");
        return 1;
    }
    wait(500);
    // Four references of the live picture to show.
    w->References->Choose(ReferenceTool::Trace::A);
    for (int i = 0; i < ReferenceTool::kSlots; ++i)
        w->References->Store(i);

    const std::vector<Config> configs = {
        {"classic picture (baseline)", [](Pribor &) {}},
        {"M = A × B", [](Pribor &p) { p.MathView->SetFunction(MathTrace::Function::Product); }},
        {"M = low-pass of A, 1 kHz", [](Pribor &p) {
             p.MathView->SetCorner(1000);
             p.MathView->SetFunction(MathTrace::Function::LowPass);
         }},
        {"persistence 1 s", [](Pribor &p) { p.Persist->SetTime(1); }},
        {"persistence infinite", [](Pribor &p) { p.Persist->SetTime(std::numeric_limits<double>::infinity()); }},
        {"references R1-R4 shown", [](Pribor &p) {
             for (int i = 0; i < ReferenceTool::kSlots; ++i)
                 p.References->SetShown(i, true);
         }},
        {"all: low-pass M, persistence 1 s, R1-R4", [](Pribor &p) {
             p.MathView->SetFunction(MathTrace::Function::LowPass);
             p.Persist->SetTime(1);
             for (int i = 0; i < ReferenceTool::kSlots; ++i)
                 p.References->SetShown(i, true);
         }},
    };
    std::vector<std::vector<double>> cpu(configs.size()), fps(configs.size());
    for (int r = 0; r < rounds; ++r) {
        for (size_t c = 0; c < configs.size(); ++c) {
            allOff(*w);
            configs[c].on(*w);
            wait(300);
            PaintCount count(w->RisBox);
            const double cpu0 = Bench::processCpuSeconds();
            QElapsedTimer clock;
            clock.start();
            wait(int(seconds * 1000));
            const double elapsed = clock.nsecsElapsed() / 1e9;
            if (count.frames > 0) {
                cpu[c].push_back((Bench::processCpuSeconds() - cpu0) * 1000 / count.frames);
                fps[c].push_back(count.frames / elapsed);
            }
        }
    }
    allOff(*w);
    const int rate = w->st.SampleRate;
    w->Stopbiton_Click();
    Globals::DisplayRate = false;
    mciSendString(QStringLiteral("close all"));
    CaptureEngine::Instance().SetSourceFactory({});

    std::printf("Display rate, \"1 мС\", stereo, %d Hz, platform %s; %d rounds of %.1f s per configuration.\n", rate,
                qPrintable(QGuiApplication::platformName()), rounds, seconds);
    std::printf("CPU of this process per frame (median of the rounds), frames per second:\n");
    const double base = median(cpu[0]);
    for (size_t c = 0; c < configs.size(); ++c) {
        const double m = median(cpu[c]);
        if (c == 0)
            std::printf("  %-42s %6.3f ms  %5.1f fps\n", configs[c].name, m, median(fps[c]));
        else
            std::printf("  %-42s %6.3f ms  %5.1f fps   adds %+6.3f ms  (×%.2f the baseline)\n", configs[c].name, m,
                        median(fps[c]), m - base, m / base);
    }

    // 2. The arithmetic alone, per frame of the same screen.
    const int sweep = 100;
    const int32_t words = ScreenRead::SizeFor(rate, sweep, 2).wordCount;
    const int64_t frames = words / 2;
    const int64_t advance = rate / 50;  // a frame every 20 ms
    const int64_t total = frames + advance * 2000;
    std::vector<float> a(static_cast<size_t>(total)), b(static_cast<size_t>(total)), m(static_cast<size_t>(frames));
    for (int64_t i = 0; i < total; ++i) {
        a[size_t(i)] = float(0.15 * std::sin(2 * M_PI * 1000 * double(i) / rate));
        b[size_t(i)] = float(0.11 * std::sin(2 * M_PI * 250 * double(i) / rate));
    }
    const Traces::Plan plan = Traces::PlanFor(words, 2, rate, sweep);
    std::vector<int32_t> units(static_cast<size_t>(frames)), points;
    auto toPoints = [&] {
        for (int64_t i = 0; i < frames; ++i)
            units[size_t(i)] = int32_t(std::lround(m[size_t(i)] * 8192 / 0.1));
        Traces::BuildPoints(plan, units, points);
    };
    const double productUs = timePerCall(2000, [&](int k) {
        const size_t at = size_t(k) * size_t(advance);
        MathTrace::Compute(MathTrace::Function::Product, std::span(a).subspan(at, size_t(frames)),
                           std::span(b).subspan(at, size_t(frames)), rate, m);
        toPoints();
    });
    MathTrace::StreamFilter filter;
    filter.Set(MathTrace::Design(MathTrace::Function::LowPass, 1000, rate, 5));
    int64_t run = 0;
    const double filterUs = timePerCall(2000, [&](int) {
        const int64_t first = advance + (run++ % 1900) * advance;
        if (run % 1900 == 1)
            filter.Reset();
        const int64_t lead = filter.LeadWanted(first, first, rate / 10);
        filter.Run(first, a.data() + first, frames, lead, m.data());
        toPoints();
    });

    const QImage &img = w->RisBox->Image();
    const int width = img.width(), rows = img.height();
    Persistence::Buffer p;
    p.Resize(width, rows, 3);
    QImage canvas(width, rows, QImage::Format_RGB32);
    std::vector<double> xs(points.size()), ya(points.size()), yb(points.size());
    const uint32_t colours[3] = {0x0000FF, 0xFF0000, 0xAA00AA}, under[2] = {0xE0E0E0, 0};
    // The frames start a little later in the signal's period each time,
    // so the persisted traces spread into bands: every pixel of them is
    // painted every frame.
    const double persistUs = timePerCall(500, [&](int k) {
        const size_t at = size_t(k % 1900) * size_t(advance) + size_t(k % 1900) % 37;
        for (size_t i = 0; i < xs.size(); ++i) {
            xs[i] = double(i) * width / double(xs.size() - 1);
            ya[i] = rows / 2.0 - a[at + i] * rows * 2;
            yb[i] = rows / 2.0 - b[at + i] * rows * 2;
        }
        p.Age(0.02, Persistence::TimeConstant(1));
        p.Add(0, xs.data(), ya.data(), xs.size());
        p.Add(1, xs.data(), yb.data(), xs.size());
        p.EndScreen();
        canvas.fill(0xE0E0E0);
        p.Render(reinterpret_cast<uint32_t *>(canvas.bits()), int(canvas.bytesPerLine() / 4), colours, under, 2);
    });
    int lit = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x)
            lit += (canvas.pixel(x, y) & 0xFFFFFF) != 0xE0E0E0;
    std::printf("The arithmetic alone, per frame (%lld frames a screen, %d × %d pixels):\n", (long long)frames, width,
                rows);
    std::printf("  M = A × B, points built        %7.1f µs\n", productUs);
    std::printf("  M = low-pass, stream filter    %7.1f µs\n", filterUs);
    std::printf("  persistence: age, add 2, paint %7.1f µs  (two bands of %d pixels)\n", persistUs, lit);
    std::printf("Targets: M ≤ 0.5 ms a frame, persistence ≤ 1 ms a frame.\n");
    w->close();
    return 0;
}
