// SPDX-License-Identifier: GPL-3.0-or-later
// `sigmalit measure` over an hour of stereo 48 kHz against the time it takes
// just to read the same file from a warm page cache, in the same run, and
// the program's peak resident memory. Two files: a steady tone (its
// extremes show in the first block, one pass) and the same with one spike
// near the end (the extremes change, a second pass).
#include "platform/wavfile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

double cpu(const rusage &u)
{
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool writeHour(const QString &path, bool lateSpike)
{
    const int rate = 48000, seconds = 3600;
    const qint64 bytes = qint64(rate) * seconds * 4;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(Wav16Header(rate, 2, bytes));
    // One second of 1000 Hz and 250 Hz with a little deterministic noise,
    // repeated: the tones fit a second exactly.
    std::vector<int16_t> second(size_t(rate) * 2);
    uint32_t lcg = 1;
    for (int i = 0; i < rate; ++i) {
        lcg = lcg * 1664525u + 1013904223u;
        const double n = double(lcg >> 24) - 128;
        second[size_t(2 * i)] = int16_t(std::lround(16000 * std::sin(2 * M_PI * 1000 * i / rate) + n));
        second[size_t(2 * i + 1)] = int16_t(std::lround(8000 * std::sin(2 * M_PI * 250 * i / rate) + 1000 + n));
    }
    for (int s = 0; s < seconds; ++s) {
        if (lateSpike && s == seconds - 2) {
            std::vector<int16_t> spiked = second;
            spiked[1000] = 30000;
            spiked[1001] = -30000;
            f.write(reinterpret_cast<const char *>(spiked.data()), qint64(spiked.size() * 2));
        } else {
            f.write(reinterpret_cast<const char *>(second.data()), qint64(second.size() * 2));
        }
    }
    return f.flush() && f.error() == QFileDevice::NoError;
}

// Wall time; *cpuSeconds gets this process's CPU time for the read (on a
// machine shared with other work the wall times wait for the CPU too).
double readSeconds(const QString &path, double *cpuSeconds = nullptr)
{
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    std::vector<char> buf(1 << 20);
    const auto t0 = Clock::now();
    while (::read(fd, buf.data(), buf.size()) > 0) {
    }
    const auto t1 = Clock::now();
    ::close(fd);
    getrusage(RUSAGE_SELF, &after);
    if (cpuSeconds)
        *cpuSeconds = cpu(after) - cpu(before);
    return std::chrono::duration<double>(t1 - t0).count();
}

struct Run {
    double seconds = 0, cpuSeconds = 0;
    long peakKb = 0;
    int code = -1;
};

Run measure(const QString &program, const QString &path)
{
    const QByteArray p = QFile::encodeName(program), f = QFile::encodeName(path);
    char *argv[] = {const_cast<char *>(p.constData()), const_cast<char *>("measure"), const_cast<char *>(f.constData()),
                    nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    Run r;
    pid_t pid = 0;
    const auto t0 = Clock::now();
    if (posix_spawn(&pid, p.constData(), &actions, nullptr, argv, environ) != 0)
        return r;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    r.peakKb = usage.ru_maxrss;
    r.cpuSeconds = cpu(usage);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return r;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/sigmalit");
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/sigm-bench-cli-XXXXXX"));
    std::printf("measure over 1 h of stereo 48 kHz (691 MB), best of 3 each:\n");
    for (bool spike : {false, true}) {
        const QString path = dir.filePath(spike ? QStringLiteral("spike.wav") : QStringLiteral("tone.wav"));
        if (!writeHour(path, spike)) {
            std::printf("could not write %s\n", qPrintable(path));
            return 1;
        }
        readSeconds(path);  // warm the page cache
        double read = 1e9, run = 1e9, readCpu = 1e9, runCpu = 1e9;
        long peak = 0;
        for (int i = 0; i < 3; ++i) {
            double c = 0;
            read = std::min(read, readSeconds(path, &c));
            readCpu = std::min(readCpu, c);
            const Run r = measure(program, path);
            if (r.code != 0) {
                std::printf("sigmalit measure failed (%d)\n", r.code);
                return 1;
            }
            run = std::min(run, r.seconds);
            runCpu = std::min(runCpu, r.cpuSeconds);
            peak = std::max(peak, r.peakKb);
        }
        std::printf("  %s\n    wall: read %.3f s, measure %.3f s = %.2f x read\n"
                    "    CPU:  read %.3f s, measure %.3f s = %.2f x read\n    peak RSS %.1f MB\n",
                    spike ? "spike near the end (two passes):" : "steady tone (one pass):", read, run, run / read,
                    readCpu, runCpu, runCpu / readCpu, peak / 1024.0);
        QFile::remove(path);
    }
    return 0;
}
