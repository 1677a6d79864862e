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
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

namespace Bench {

// Working files, oscillograms and settings under `root`, so a benchmark
// never touches the user's own; the start-up hint is already dismissed.
inline void UseScratchFolders(const QString &root)
{
    Paths::SetWorkingFolder(root + "/work");
    Paths::SetMemFolder(root + "/Mem");
    SettingsStore::SetFilePath(root + "/settings.ini");
    SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
}

inline double processCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
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

}  // namespace Bench
