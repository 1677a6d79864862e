// SPDX-License-Identifier: GPL-3.0-or-later
// `sigmalit measure` and `sigmalit events` over an hour of stereo 48 kHz
// against the time it takes just to read the same file from a warm page
// cache, in the same run, and the program's peak resident memory. Two
// files: a steady tone (its extremes show in the first block, one pass)
// and the same with one spike near the end (the extremes change, a second
// pass for measure; the one event above the tone for events). Events are
// timed twice: the spike's level (the scan alone) and every period of
// channel 2 (900 000 rows of CSV written to /dev/null).
#include "benchutil.h"
#include "platform/wavfile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
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

struct Run {
    double seconds = 0, cpuSeconds = 0;
    long peakKb = 0;
    int code = -1;
};

Run spawn(const QString &program, const QStringList &args)
{
    const QByteArray p = QFile::encodeName(program);
    std::vector<QByteArray> bytes{p};
    for (const QString &a : args)
        bytes.push_back(a.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    Run r;
    pid_t pid = 0;
    const auto t0 = Clock::now();
    if (posix_spawn(&pid, p.constData(), &actions, nullptr, argv.data(), environ) != 0)
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
    // Volts as nominal, whatever calibration the user stored.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    std::printf("over 1 h of stereo 48 kHz (691 MB), best of 3 each, the read from a warm page cache\n"
                "timed in the same rounds (wall, and CPU of all threads):\n");
    struct Command {
        const char *name;
        QStringList args;
    };
    const Command commands[] = {
        {"measure", {QStringLiteral("measure")}},
        {"events, scan (spike level)", {QStringLiteral("events"), QStringLiteral("--level"), QStringLiteral("0.3")}},
        {"events, 900000 rows CSV",
         {QStringLiteral("events"), QStringLiteral("--channel"), QStringLiteral("2"), QStringLiteral("--level"),
          QStringLiteral("12.2mV"), QStringLiteral("--csv")}},
    };
    {
        // What any run costs before it reads a sample: loading the program
        // and its libraries, the settings. Best of 5, on a second of stereo.
        const QString path = dir.filePath(QStringLiteral("second.wav"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(Wav16Header(48000, 2, 48000 * 4)) < 0
            || f.write(QByteArray(48000 * 4, '\0')) < 0 || !f.flush())
            return 1;
        double wall = 1e9, cpuSeconds = 1e9;
        for (int i = 0; i < 5; ++i) {
            const Run r = spawn(program, {QStringLiteral("measure"), path});
            wall = std::min(wall, r.seconds);
            cpuSeconds = std::min(cpuSeconds, r.cpuSeconds);
        }
        std::printf("  start-up (measure over one second)  wall %.3f s            CPU %.3f s\n", wall, cpuSeconds);
    }
    for (bool spike : {false, true}) {
        const QString path = dir.filePath(spike ? QStringLiteral("spike.wav") : QStringLiteral("tone.wav"));
        if (!writeHour(path, spike)) {
            std::printf("could not write %s\n", qPrintable(path));
            return 1;
        }
        Bench::ReadSeconds(path);  // warm the page cache
        std::printf("  %s\n", spike ? "spike near the end (measure: two passes; events: one above the level):"
                                    : "steady tone (measure: one pass; events: none above the level):");
        double read = 1e9, readCpu = 1e9;
        struct Best {
            double wall = 1e9, cpu = 1e9;
            long peak = 0;
        } best[std::size(commands)];
        for (int i = 0; i < 3; ++i) {
            for (size_t k = 0; k < std::size(commands); ++k) {
                double c = 0;
                read = std::min(read, Bench::ReadSeconds(path, &c));
                readCpu = std::min(readCpu, c);
                QStringList args = commands[k].args;
                args.insert(1, path);
                const Run r = spawn(program, args);
                if (r.code != 0) {
                    std::printf("sigmalit %s failed (%d)\n", commands[k].name, r.code);
                    return 1;
                }
                best[k].wall = std::min(best[k].wall, r.seconds);
                best[k].cpu = std::min(best[k].cpu, r.cpuSeconds);
                best[k].peak = std::max(best[k].peak, r.peakKb);
            }
        }
        std::printf("    %-28s wall %.3f s            CPU %.3f s\n", "read", read, readCpu);
        for (size_t k = 0; k < std::size(commands); ++k)
            std::printf("    %-28s wall %.3f s = %.2f x   CPU %.3f s = %.2f x   peak RSS %.1f MB\n", commands[k].name,
                        best[k].wall, best[k].wall / read, best[k].cpu, best[k].cpu / readCpu, best[k].peak / 1024.0);
        QFile::remove(path);
    }
    return 0;
}
