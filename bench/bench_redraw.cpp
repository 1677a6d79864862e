// Redraw cost per sweep and memory while paging a large file.
//
// 1. A one-minute 48 kHz stereo file: for every sweep, the time of a redraw
//    that reads a new screen (RedrawTraces + PrepareScreen, Ris at its
//    default size, offscreen), median and maximum over many screens, and the
//    time of a repaint from the buffers (a sensitivity change).
// 2. A 400 MB file paged from start to end one screen at a time at the
//    slowest sweep: peak resident memory before and after, which must stay
//    flat in the file's size.
//
// Usage: bench_redraw [megabytes of the large file, default 400]
#include "app/pribor.h"
#include "display/ris.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

QByteArray header(int rate, int channels, quint32 dataBytes)
{
    QByteArray h;
    auto put32 = [&](quint32 v) {
        char c[4];
        qToLittleEndian(v, c);
        h.append(c, 4);
    };
    auto put16 = [&](quint16 v) {
        char c[2];
        qToLittleEndian(v, c);
        h.append(c, 2);
    };
    h += "RIFF";
    put32(36 + dataBytes);
    h += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(quint16(channels));
    put32(quint32(rate));
    put32(quint32(rate * channels * 2));
    put16(quint16(channels * 2));
    put16(16);
    h += "data";
    put32(dataBytes);
    return h;
}

// A stereo file of `frames` frames: 440 Hz sine left, 97 Hz sawtooth right, with some noise.
bool writeFile(const QString &path, int rate, qint64 frames)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(header(rate, 2, quint32(frames * 4)));
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

long statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

void show(Pribor &w, const QString &file)
{
    QFile::remove(Paths::WorkingFile());
    QFile::copy(file, Paths::WorkingFile());
    w.st.FlName = QStringLiteral("c:\\tmp.wav");
    w.st.ForceReposition = true;
    w.OpenWorkingFile();
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

double median(const std::vector<double> &v)
{
    return percentile(v, 0.5);
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int bigMb = argc > 1 ? std::max(1, atoi(argv[1])) : 400;

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
    show(w, minute);
    std::printf("Ris %dx%d, 60 s 48000 Hz stereo (%lld bytes)\n", w.RisBox->Image().width(),
                w.RisBox->Image().height(), static_cast<long long>(w.st.FileLength));
    std::printf("%-9s %7s %12s %9s %9s %14s\n", "sweep", "points", "median ms", "p99 ms", "max ms", "repaint ms");

    for (int sweep = 0; sweep < w.RasTime->ListCount(); ++sweep) {
        w.RasTime->SetListIndex(sweep);
        w.HScroll1->SetValue(1);
        const qint64 screenBytes = 2 * (2 * qint64(w.st.SampleRate) / w.RasTime->ItemData(sweep) + 4);
        std::vector<double> times;
        // Alternate arrow and trough steps forward so each redraw reads a new
        // screen; start again well before the end, where screens get short.
        for (int i = 0; i < 300; ++i) {
            int next = w.HScroll1->Value() + (i % 2 ? 10 : 1);
            if (w.st.ViewStart + 4 * screenBytes > w.st.FileLength || next > w.HScroll1->Max()) {
                w.HScroll1->SetValue(1);
                next = 2;
            }
            QElapsedTimer t;
            t.start();
            w.HScroll1->SetValue(std::min(next, w.HScroll1->Max()));
            times.push_back(t.nsecsElapsed() / 1e6);
        }
        std::vector<double> repaint;
        for (int i = 0; i < 100; ++i) {
            QElapsedTimer t;
            t.start();
            w.U2->SetListIndex(i % 2);
            repaint.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("%-9s %7d %12.3f %9.3f %9.3f %14.3f\n", qPrintable(w.RasTime->itemText(sweep).leftJustified(7)),
                    int(w.st.PointCount), median(times), percentile(times, 0.99),
                    *std::max_element(times.begin(), times.end()), median(repaint));
    }

    const long afterMinute = statusKb("VmHWM:");
    QFile::remove(minute);
    const QString big = dir.path() + QStringLiteral("/big.wav");
    if (!writeFile(big, 48000, qint64(bigMb) * 1024 * 1024 / 4)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(big));
        return 1;
    }
    w.RasTime->SetListIndex(0);
    show(w, big);
    QFile::remove(big);  // the working file is a copy
    w.HScroll1->SetValue(1);
    QElapsedTimer t;
    t.start();
    int screens = 0;
    while (w.st.ViewStart < w.st.FileLength && screens < 1000000) {
        const int64_t before = w.st.ViewStart;
        w.HScroll1->SetValue(std::min(w.HScroll1->Value() + 10, w.HScroll1->Max()));
        ++screens;
        if (w.st.ViewStart == before)
            break;
    }
    const double seconds = t.nsecsElapsed() / 1e9;
    std::printf("paged %d MB (%lld bytes) in %d screens, %.2f s (%.3f ms per screen)\n", bigMb,
                static_cast<long long>(w.st.FileLength),
                screens, seconds, seconds * 1000 / std::max(1, screens));
    std::printf("peak resident: %ld kB after the 60 s file, %ld kB after paging %d MB (now %ld kB)\n", afterMinute,
                statusKb("VmHWM:"), bigMb, statusKb("VmRSS:"));
    return 0;
}
