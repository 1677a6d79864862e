// SPDX-License-Identifier: GPL-3.0-or-later
// Paging cost per sweep, on the shown window, against an in-process
// baseline, and memory while paging a large file.
//
// A page is what the operator waits for after a click on HScroll1: read one
// screen, build the buffers, draw, and paint and flush the window. Run it
// under a real X server (xvfb-run -a build/bench_redraw) to have the X
// server's CPU counted; on the offscreen platform only this process is.
//
// The baseline does the least any program could for the same page, in this
// process and under the same load: read the screen's bytes from the page
// cache, one min/max span per pixel column and channel onto a cached
// graticule, and paint and flush a window of the same size. Each page time
// is printed with its ratio to the baseline.
//
// 1. A one-minute 48 kHz stereo file and a large one (400 MB by default):
//    for every sweep, median page time (wall) of the program and the
//    baseline, taken in alternate runs of 20 pages in five passes over the
//    sweeps, the median and range of the passes' ratios, CPU per
//    page (program + X server), and the median time of a repaint from the
//    buffers (a sensitivity change).
// 2. The large file paged from start to end at the slowest sweep: peak
//    resident memory, which must stay flat in the file's size.
// 3. Ten hours of 48 kHz stereo, an RF64 file of 6.9 GB made sparse, paged
//    from its first screen to its last in jumps of the bar: time per jump
//    and resident memory before, after and at its peak while paging.
//
// Usage: bench_redraw [megabytes of the large file, default 400] [pages per sweep, default 200]
#include "../tests/display/testwav.h"
#include "app/pribor.h"
#include "benchutil.h"
#include "display/ris.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/vbcontrols.h"
#include "platform/wavfile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// A stereo file of `frames` frames: 440 Hz sine left, 97 Hz sawtooth right, with some noise.
bool writeFile(const QString &path, int rate, qint64 frames)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(Wav16Header(rate, 2, frames * 4));
    std::vector<int16_t> chunk;
    quint32 noise = 12345;
    for (qint64 done = 0; done < frames;) {
        const qint64 n = std::min<qint64>(65536, frames - done);
        chunk.resize(size_t(n * 2));
        for (qint64 i = 0; i < n; ++i) {
            const double t = double(done + i) / rate;
            noise = noise * 1664525u + 1013904223u;
            chunk[size_t(2 * i)] = int16_t(16000 * std::sin(2 * M_PI * 440 * t) + int(noise >> 24) - 128);
            chunk[size_t(2 * i + 1)] = int16_t(30000 * (std::fmod(97 * t, 1.0) - 0.5));
        }
        for (int16_t &s : chunk)
            s = qToLittleEndian(s);
        if (f.write(reinterpret_cast<const char *>(chunk.data()), n * 4) != n * 4)
            return false;
        done += n;
    }
    return true;
}

// The least a page can cost: read, one span per pixel column, paint, flush.
class Baseline : public QWidget {
public:
    explicit Baseline(QSize size)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedSize(size);
        background_ = QImage(size, QImage::Format_RGB32);
        background_.fill(0xFFE0E0E0);
        QPainter p(&background_);
        p.setPen(Qt::black);
        for (int k = 1; k < 8; ++k)
            p.drawLine(0, k * size.height() / 8, size.width(), k * size.height() / 8);
        for (int k = 1; k <= 10; ++k)
            p.drawLine(k * size.width() / 10, 0, k * size.width() / 10, size.height());
        image_ = background_;
    }

    void Page(const QString &path, qint64 at, qint64 bytes)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly) || !f.seek(at))
            return;
        block_.resize(qsizetype(bytes));
        const qint64 got = f.read(block_.data(), bytes);
        f.close();
        const qint64 frames = std::max<qint64>(0, got) / 4;
        std::memcpy(image_.bits(), background_.constBits(), size_t(image_.sizeInBytes()));
        const int width = image_.width(), height = image_.height();
        const auto *s = reinterpret_cast<const qint16 *>(block_.constData());
        const qsizetype stride = image_.bytesPerLine() / 4;
        auto *bits = reinterpret_cast<QRgb *>(image_.bits());
        for (int ch = 0; ch < 2; ++ch) {
            const QRgb colour = ch == 0 ? 0xFF0000FF : 0xFFFF0000;
            for (int x = 0; x < width && frames > 0; ++x) {
                const qint64 a = frames * x / width, b = std::max(a + 1, frames * (x + 1) / width);
                int lo = 32767, hi = -32768;
                for (qint64 i = a; i < b && i < frames; ++i) {
                    lo = std::min<int>(lo, s[2 * i + ch]);
                    hi = std::max<int>(hi, s[2 * i + ch]);
                }
                const int y0 = std::clamp((32768 - hi) * height / 65536, 0, height - 1);
                const int y1 = std::clamp((32768 - lo) * height / 65536 + 1, 0, height - 1);
                for (int y = y0; y <= y1; ++y)
                    bits[y * stride + x] = colour;
            }
        }
        repaint();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.drawImage(0, 0, image_);
    }

private:
    QImage background_, image_;
    QByteArray block_;
};

void show(Pribor &w, const QString &file)
{
    QFile::remove(Paths::WorkingFile());
    QFile::copy(file, Paths::WorkingFile());
    w.st.FlName = QStringLiteral("c:\\tmp.wav");
    w.st.ForceReposition = true;
    w.OpenWorkingFile();
    QApplication::processEvents();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Cost {
    double wallMs = 0;   // median per page
    double cpuMs = 0;    // mean per page, this process
    double xMs = -1;     // mean per page, X server (-1: not measured)
};

// Runs `page` n times and measures its CPU, this process and the X server.
template <class Page>
Cost measureCpu(int n, int xPid, Page &&page)
{
    const double cpu0 = Bench::processCpuSeconds(), x0 = Bench::otherCpuSeconds(xPid);
    for (int i = 0; i < n; ++i)
        page(i);
    // Let the X server finish what was sent before reading its clock.
    QThread::msleep(30);
    Cost c;
    c.cpuMs = (Bench::processCpuSeconds() - cpu0) * 1000 / n;
    const double x1 = Bench::otherCpuSeconds(xPid);
    if (x0 >= 0 && x1 >= 0)
        c.xMs = (x1 - x0) * 1000 / n;
    return c;
}

// Pages through `file` at every sweep, the program against the baseline.
// Wall times come from alternating short runs of pages of each, so both
// meet the same moments of load. Runs, not single pages: an operator pages
// one screen after another, with the program's pictures in the cache; a
// page of the other after every page would evict them (each side works on
// about 3 MB, more than a core's cache) and time the refill instead.
//
// The sweeps take turns too, in passes: a shared machine has slow spells
// of a fraction of a second, which the two sides do not feel alike (the
// program runs far more code per page); met by one sweep's pages all at
// once, a spell would decide that sweep's figure. A pass compares the two
// sides within the same few tens of milliseconds, so a sweep's ratio is
// the median of its passes' ratios (the passes column gives the lowest
// and highest); the page times are the medians of all its pages. (The
// ratio of those medians pairs pages from different spells: on one pinned
// run it came out at 1.55 for a sweep whose five passes gave 1.04-1.20.)
//
// CPU comes from a long run of each, since the X server's share can only
// be read over a run.
constexpr int kBlock = 20;
constexpr int kPasses = 5;

void sweepTable(Pribor &w, Baseline &base, const QString &title, int pages, int xPid)
{
    std::printf("\n%s\n", qPrintable(title));
    std::printf("%-9s %6s %10s %10s %7s %11s %12s %12s %7s %10s\n", "sweep", "points", "page ms", "base ms", "ratio",
                "passes", "CPU+X ms", "base CPU+X", "ratio", "repaint ms");
    const QString path = Paths::MapPath(w.st.FlName);
    const int sweeps = w.RasTime->ListCount();
    std::mt19937 random(7);
    std::vector<qint64> positions;
    int screenPoints = 0;
    qint64 screenBytes = 0;
    auto choose = [&](int sweep) {
        w.RasTime->SetListIndex(sweep);
        w.HScroll1->SetValue(1);
        QApplication::processEvents();
        screenBytes = 2 * (2 * qint64(w.st.SampleRate) / w.RasTime->ItemData(sweep) + 4);
        screenPoints = int(w.st.PointCount);
        positions.clear();
    };
    // Alternate arrow and trough steps forward so each page reads a new
    // screen; every 50 pages the thumb is dragged somewhere else.
    auto ours = [&](int i) {
        int next = w.HScroll1->Value() + (i % 2 ? 10 : 1);
        if (i % 50 == 49 || w.st.ViewStart + 4 * screenBytes > w.st.FileLength || next > w.HScroll1->Max())
            next = 2 + int(random() % uint32_t(std::max(1, w.HScroll1->Max() / 2)));
        w.HScroll1->SetValue(std::min(next, w.HScroll1->Max()));
        QApplication::processEvents();  // paint and flush
        positions.push_back(w.st.ViewStart);
    };
    auto baseline = [&](int i) { base.Page(path, positions[size_t(i)] - 1, screenBytes); };

    std::vector<std::vector<double>> oursMs(static_cast<size_t>(sweeps)), baseMs(oursMs), passRatio(oursMs);
    const int perPass = std::max(kBlock, (pages / kPasses + kBlock - 1) / kBlock * kBlock);
    for (int pass = 0; pass < kPasses; ++pass) {
        for (int sweep = 0; sweep < sweeps; ++sweep) {
            choose(sweep);
            // One run of each first, not timed: a sweep's first pages fill
            // caches (the trace's column walk, the file's pages) on both sides.
            for (int i = 0; i < kBlock; ++i)
                ours(i);
            for (int i = 0; i < kBlock; ++i)
                baseline(i);
            positions.clear();
            std::vector<double> o, b;
            for (int from = 0; from < perPass; from += kBlock) {
                for (int i = from; i < from + kBlock; ++i) {
                    QElapsedTimer t;
                    t.start();
                    ours(i);
                    o.push_back(t.nsecsElapsed() / 1e6);
                }
                for (int i = from; i < from + kBlock; ++i) {
                    QElapsedTimer t;
                    t.start();
                    baseline(i);
                    b.push_back(t.nsecsElapsed() / 1e6);
                }
            }
            passRatio[size_t(sweep)].push_back(median(o) / median(b));
            oursMs[size_t(sweep)].insert(oursMs[size_t(sweep)].end(), o.begin(), o.end());
            baseMs[size_t(sweep)].insert(baseMs[size_t(sweep)].end(), b.begin(), b.end());
        }
    }

    for (int sweep = 0; sweep < sweeps; ++sweep) {
        choose(sweep);
        Cost oursCost = measureCpu(pages, xPid, ours);
        Cost baseCost = measureCpu(pages, xPid, baseline);
        std::vector<double> repaintMs;
        // Back and forth, ending where it began: the next sweep's pages
        // must draw the same traces as this one's (at twice the
        // sensitivity the first trace would fill the screen's height).
        for (int i = 0; i < 50; ++i) {
            QElapsedTimer t;
            t.start();
            w.U2->SetListIndex((i + 1) % 2);
            QApplication::processEvents();
            repaintMs.push_back(t.nsecsElapsed() / 1e6);
        }
        oursCost.wallMs = median(oursMs[size_t(sweep)]);
        baseCost.wallMs = median(baseMs[size_t(sweep)]);
        const auto [low, high] = std::minmax_element(passRatio[size_t(sweep)].begin(), passRatio[size_t(sweep)].end());
        const bool x = oursCost.xMs >= 0 && baseCost.xMs >= 0;
        const double oursAll = oursCost.cpuMs + (x ? oursCost.xMs : 0), baseAll = baseCost.cpuMs + (x ? baseCost.xMs : 0);
        std::printf("%s %6d %10.3f %10.3f %7.2f %5.2f-%5.2f %12.3f %12.3f %7.2f %10.3f\n",
                    qPrintable(w.RasTime->itemText(sweep).leftJustified(9)), screenPoints, oursCost.wallMs,
                    baseCost.wallMs, median(passRatio[size_t(sweep)]), *low, *high, oursAll, baseAll,
                    oursAll / baseAll, median(repaintMs));
    }
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int bigMb = argc > 1 ? std::max(1, atoi(argv[1])) : 400;
    const int pages = argc > 2 ? std::max(10, atoi(argv[2])) : 200;

    QTemporaryDir dir;
    Paths::SetWorkingFolder(dir.path() + QStringLiteral("/work"));
    Paths::SetMemFolder(dir.path() + QStringLiteral("/Mem"));
    const QString minute = dir.path() + QStringLiteral("/minute.wav");
    if (!writeFile(minute, 48000, 48000LL * 60)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(minute));
        return 1;
    }

    Pribor w;
    {
        const QSignalBlocker a(w.U1), b(w.U2), c(w.RasTime);
        w.U1->SetListIndex(0);
        w.U2->SetListIndex(0);
        w.RasTime->SetListIndex(0);
    }
    // The window at its default size, as a first start shows it; a window
    // never sized is 200 x 100 and would hide most of what a page paints.
    w.resize(Twips::ToPixels(9510), Twips::ToPixels(7125));
    w.show();
    Baseline base(w.RisBox->size());
    base.move(w.geometry().right() + 20, w.y());
    base.show();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    const int xPid = Bench::xServerPid();
    std::printf("platform %s, X server %s; load average %.2f on %ld cores\n", qPrintable(app.platformName()),
                xPid ? qPrintable(QStringLiteral("pid %1 measured").arg(xPid)) : "not measured",
                Bench::loadAverage(), sysconf(_SC_NPROCESSORS_ONLN));
    show(w, minute);
    std::printf("window %dx%d px, Ris %dx%d px\n", w.width(), w.height(), w.RisBox->width(), w.RisBox->height());
    sweepTable(w, base, QStringLiteral("60 s, 48000 Hz stereo (%1 bytes)").arg(w.st.FileLength), pages, xPid);
    const long afterMinute = Bench::statusKb("VmHWM:");
    QFile::remove(minute);

    const QString big = dir.path() + QStringLiteral("/big.wav");
    if (!writeFile(big, 48000, qint64(bigMb) * 1024 * 1024 / 4)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(big));
        return 1;
    }
    w.RasTime->SetListIndex(0);
    show(w, big);
    QFile::remove(big);  // the working file is a copy
    sweepTable(w, base, QStringLiteral("%1 MB, 48000 Hz stereo").arg(bigMb), pages, xPid);

    w.RasTime->SetListIndex(0);
    w.HScroll1->SetValue(1);
    QElapsedTimer t;
    t.start();
    int screens = 0;
    while (w.st.ViewStart < w.st.FileLength && screens < 1000000) {
        const int64_t before = w.st.ViewStart;
        w.HScroll1->SetValue(std::min(w.HScroll1->Value() + 10, w.HScroll1->Max()));
        QApplication::processEvents();
        ++screens;
        if (w.st.ViewStart == before)
            break;
    }
    const double seconds = t.nsecsElapsed() / 1e9;
    std::printf("\npaged %d MB (%lld bytes) at \"100 мС\" in %d screens, %.2f s (%.3f ms per screen)\n", bigMb,
                static_cast<long long>(w.st.FileLength), screens, seconds, seconds * 1000 / std::max(1, screens));
    std::printf("peak resident: %ld kB after the 60 s file, %ld kB after paging %d MB (now %ld kB)\n", afterMinute,
                Bench::statusKb("VmHWM:"), bigMb, Bench::statusKb("VmRSS:"));

    // Ten hours of stereo at 48 kHz as a long recording leaves them: RF64,
    // 6.9 GB (sparse here, so the figures are the program's and not the
    // disk's), paged from the first screen to the last in jumps of the bar.
    // The peak is counted from the start of this paging.
    const QString tenHours = dir.path() + QStringLiteral("/ten-hours.wav");
    const qint64 tenHoursData = 10LL * 3600 * 48000 * 4;
    bool sparse = false;
    {
        QFile f(tenHours);
        const QByteArray header = TestWav::Rf64Header(48000, 2, tenHoursData);
        sparse = f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(header) == header.size()
                 && f.resize(header.size() + tenHoursData);
    }
    if (!sparse) {
        std::printf("\nno sparse file of 6.9 GB in %s: ten hours not paged\n", qPrintable(dir.path()));
    } else {
        w.RasTime->SetListIndex(0);
        w.st.FlName = tenHours;
        w.st.ForceReposition = true;
        w.OpenWorkingFile();
        QApplication::processEvents();
        // Writing 5 sets the peak back to what is resident now.
        QFile refs(QStringLiteral("/proc/self/clear_refs"));
        const bool peakReset = refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
        refs.close();
        const long residentBefore = Bench::statusKb("VmRSS:");
        const int step = 80;
        QElapsedTimer jumpClock;
        jumpClock.start();
        int jumps = 0;
        for (int v = 1; v < w.HScroll1->Max(); v += step, ++jumps) {
            w.HScroll1->SetValue(v);
            QApplication::processEvents();
        }
        w.HScroll1->SetValue(w.HScroll1->Max());
        w.HScroll1->SetValue(w.HScroll1->Value() - 10);
        QApplication::processEvents();
        jumps += 2;
        const double jumpSeconds = jumpClock.nsecsElapsed() / 1e9;
        std::printf("\npaged ten hours (%lld bytes, RF64, last screen from byte %lld) at \"100 мС\" in %d jumps "
                    "of %d bar steps: %.2f s (%.3f ms per jump)\n",
                    static_cast<long long>(w.st.FileLength), static_cast<long long>(w.st.ViewStart), jumps, step,
                    jumpSeconds, jumpSeconds * 1000 / jumps);
        std::printf("resident while paging ten hours: %ld kB before, %ld kB after, peak %ld kB%s\n", residentBefore,
                    Bench::statusKb("VmRSS:"), Bench::statusKb("VmHWM:"),
                    peakReset ? "" : " (the peak could not be reset: it is the whole run's)");
    }
    QFile::remove(tenHours);
    std::printf("load average at the end: %.2f\n", Bench::loadAverage());
    return 0;
}
