// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmarks share: CPU time of this process and of the X server
// that shows its windows, resident memory, and folders of their own.
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QString>
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/wavfile.h"
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <vector>

namespace Bench {

// Working files, oscillograms and settings under `root`, so a benchmark
// never touches the user's own; the start-up hint is already dismissed.
inline void UseScratchFolders(const QString &root)
{
    Paths::SetWorkingFolder(root + "/work");
    Paths::SetMemFolder(root + "/Mem");
    Paths::SetReferenceFolder(root + "/references");
    Paths::SetCacheFolder(root + "/cache");
    SettingsStore::SetFilePath(root + "/settings.ini");
    SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
}

inline double processCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// Times any thread of this process (ended ones included) went to sleep to
// wait for something: each is a wake-up to come. Being put aside for
// another process is not counted; that depends on the machine's load.
inline long long processWaits()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (long long)u.ru_nvcsw;
}

// The X server process that serves $DISPLAY (Xvfb or Xorg started with that
// display number), or 0 when there is none to measure (offscreen platform).
inline int xServerPid()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return 0;
    QByteArray display = qgetenv("DISPLAY");
    const qsizetype dot = display.indexOf('.', display.indexOf(':'));
    if (dot > 0)
        display.truncate(dot);
    if (!display.startsWith(':'))
        return 0;
    DIR *proc = opendir("/proc");
    if (!proc)
        return 0;
    int found = 0;
    while (dirent *e = readdir(proc)) {
        const int pid = atoi(e->d_name);
        if (pid <= 0)
            continue;
        QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> args = f.readAll().split('\0');
        if (args.isEmpty() || !(args[0].endsWith("Xvfb") || args[0].endsWith("Xorg") || args[0].endsWith("X")))
            continue;
        if (args.contains(display)) {
            found = pid;
            break;
        }
    }
    closedir(proc);
    return found;
}

// User + system CPU seconds of another process (from /proc), -1 when unknown.
inline double otherCpuSeconds(int pid)
{
    if (pid <= 0)
        return -1;
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = f.readAll();
    const qsizetype close = s.lastIndexOf(')');
    const QList<QByteArray> fields = s.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    // Fields 14 and 15 of the line, counted from the state (field 3).
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// Each thread of this process now: its id, its name ("(main)" added for the
// first thread) and how often it went to sleep waiting so far.
struct ThreadWaits {
    int tid = 0;
    QString name;
    long long waits = 0;
};

inline std::vector<ThreadWaits> threadWaits()
{
    std::vector<ThreadWaits> all;
    DIR *tasks = opendir("/proc/self/task");
    if (!tasks)
        return all;
    while (dirent *e = readdir(tasks)) {
        const int tid = atoi(e->d_name);
        if (tid <= 0)
            continue;
        ThreadWaits t;
        t.tid = tid;
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(tid));
        if (comm.open(QIODevice::ReadOnly))
            t.name = QString::fromUtf8(comm.readAll().trimmed());
        if (tid == getpid())
            t.name += QStringLiteral(" (main)");
        QFile status(QStringLiteral("/proc/self/task/%1/status").arg(tid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:"))
                t.waits = line.mid(24).trimmed().toLongLong();
        all.push_back(t);
    }
    closedir(tasks);
    return all;
}

inline long statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

inline double loadAverage()
{
    double l[1] = {0};
    return getloadavg(l, 1) == 1 ? l[0] : -1;
}

// Wall time to read a whole file (from the page cache, once it is warm)
// into a reused buffer: the floor a pass over a file is measured against.
// *cpuSeconds gets this process's CPU time for it, since on a shared
// machine the wall time also waits for the CPU.
inline double ReadSeconds(const QString &path, double *cpuSeconds = nullptr)
{
    const double cpu0 = processCpuSeconds();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    std::vector<char> buf(1 << 20);
    const auto t0 = std::chrono::steady_clock::now();
    while (fd >= 0 && ::read(fd, buf.data(), buf.size()) > 0) {
    }
    const auto t1 = std::chrono::steady_clock::now();
    if (fd >= 0)
        ::close(fd);
    if (cpuSeconds)
        *cpuSeconds = processCpuSeconds() - cpu0;
    return std::chrono::duration<double>(t1 - t0).count();
}

// A stereo 16-bit WAV file of `seconds`: channel 1 a tone of `hz` whose
// peak `peak(second)` gives second by second, channel 2 a 250 Hz tone of
// 8000, both with a little noise, so no two stretches are the same.
inline bool WriteTones(const QString &path, int rate, int seconds, double hz, const std::function<double(int)> &peak)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(Wav16Header(rate, 2, qint64(rate) * seconds * 4));
    std::vector<int16_t> second(size_t(rate) * 2);
    uint32_t lcg = 1;
    for (int s = 0; s < seconds; ++s) {
        const double level = peak(s);
        for (int i = 0; i < rate; ++i) {
            lcg = lcg * 1664525u + 1013904223u;
            const double n = double(lcg >> 24) - 128;
            second[size_t(2 * i)] = int16_t(std::lround(level * std::sin(2 * M_PI * hz * i / rate) + n));
            second[size_t(2 * i + 1)] = int16_t(std::lround(8000 * std::sin(2 * M_PI * 250 * i / rate) + n));
        }
        if (f.write(reinterpret_cast<const char *>(second.data()), qint64(second.size() * 2)) < 0)
            return false;
    }
    return f.flush() && f.error() == QFileDevice::NoError;
}

}  // namespace Bench
