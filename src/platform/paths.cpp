// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace Paths {
namespace {

QString g_program, g_working, g_mem, g_references, g_cache;

QString userDataFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/sigmalit");
}

bool isProgramFolder(const QString &dir)
{
    return !dir.isEmpty() && QFileInfo(dir + QStringLiteral("/Sound")).isDir();
}

QString ensured(const QString &dir)
{
    QDir().mkpath(dir);
    return dir;
}

// The data folder of an installed program (beside ../share of the
// executable, or where the build installs it): shared by every user and
// never written to.
QString installedProgramFolder()
{
    const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (isProgramFolder(exeDir))
        return QString();
    const QString installed = exeDir.isEmpty() ? QString()
                                               : QDir::cleanPath(exeDir + QStringLiteral("/../share/sigmalit"));
    if (isProgramFolder(installed))
        return installed;
    if (isProgramFolder(QStringLiteral(SIGM_INSTALLED_DATA_DIR)))
        return QStringLiteral(SIGM_INSTALLED_DATA_DIR);
    return QString();
}

// A user's own Mem starts with the oscillograms the program ships (the
// demo), so the open dialog has something to show on the first run.
QString seededUserMem(const QString &shipped)
{
    const QString mem = userDataFolder() + QStringLiteral("/Mem");
    if (QFileInfo(mem).isDir())
        return mem;
    QDir().mkpath(mem);
    const QDir from(shipped + QStringLiteral("/Mem"));
    for (const QString &name : from.entryList({QStringLiteral("*.wav")}, QDir::Files))
        QFile::copy(from.filePath(name), mem + QLatin1Char('/') + name);
    return mem;
}

}  // namespace

bool ProgramFolderInstalled()
{
    return g_program.isEmpty() && qgetenv("SIGM_PROGRAM_DIR").isEmpty() && !installedProgramFolder().isEmpty();
}

QString ProgramFolder()
{
    if (!g_program.isEmpty())
        return g_program;
    if (const QByteArray env = qgetenv("SIGM_PROGRAM_DIR"); !env.isEmpty())
        return QDir::cleanPath(QString::fromLocal8Bit(env));
    const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (isProgramFolder(exeDir))
        return exeDir;
    if (const QString installed = installedProgramFolder(); !installed.isEmpty())
        return installed;
    return QStringLiteral(SIGM_SOURCE_DATA_DIR);
}

namespace {
QString workingFolderPath()
{
    if (!g_working.isEmpty())
        return g_working;
    if (const QByteArray env = qgetenv("SIGM_WORK_DIR"); !env.isEmpty())
        return QString::fromLocal8Bit(env);
    return userDataFolder() + QStringLiteral("/work");
}

// Each running program owns its working files: two programs sharing
// tmp.wav would show each other's oscillograms and delete them on exit. The
// first program takes the classic names; the next ones, while the first
// runs, take tmp-2.wav, tmp-3.wav ... An flock on a file beside the working
// file says which names are taken. The kernel lets go of it when its
// program ends, however it ends, so a crashed program's names are simply
// taken by the next one to start. The lock files stay: removing one another
// program has just opened would let two programs hold the same name.
constexpr int kMaxInstances = 99;

struct Claim {
    QString folder;
    int number = 0;  // 0: not claimed yet
    int fd = -1;
};
Claim g_claim;

void releaseClaim()
{
    if (g_claim.fd >= 0)
        ::close(g_claim.fd);
    g_claim = Claim();
}

QString numbered(const QString &name, int number)
{
    if (number <= 1)
        return name;
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    const QString suffix = QLatin1Char('-') + QString::number(number);
    return dot < 0 ? name + suffix : name.left(dot) + suffix + name.mid(dot);
}

int claimedNumber(const QString &folder)
{
    if (g_claim.number != 0 && g_claim.folder == folder)
        return g_claim.number;
    releaseClaim();
    g_claim.folder = folder;
    g_claim.number = 1;  // a folder that takes no lock file: the classic name, unguarded
    QDir().mkpath(folder);
    for (int n = 1; n <= kMaxInstances; ++n) {
        const QByteArray lock =
            QFile::encodeName(folder + QLatin1Char('/') + numbered(QStringLiteral("tmp.wav"), n) + QStringLiteral(".lock"));
        // Close-on-exec: a program started from here must not keep the name
        // taken after this one has ended. Read-only: a file held open for
        // writing would keep the folder's disk from turning read-only.
        const int fd = ::open(lock.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0)
            break;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            g_claim.number = n;
            g_claim.fd = fd;
            break;
        }
        const int e = errno;
        ::close(fd);
        if (e != EWOULDBLOCK && e != EINTR)
            break;
    }
    return g_claim.number;
}

bool onDriveC(const QString &p)
{
    return p.size() >= 3 && p[1] == QLatin1Char(':') && (p[2] == QLatin1Char('\\') || p[2] == QLatin1Char('/'))
           && p[0].toLower() == QLatin1Char('c');
}

// The drive root holds only this program's own files (tmp.wav, zvuk.wav),
// so every name on it is this instance's.
QString mapped(const QString &path, const QString &working)
{
    QString p = onDriveC(path) ? working + QLatin1Char('/') + numbered(path.mid(3), claimedNumber(working)) : path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}
}  // namespace

QString WorkingFolder()
{
    return ensured(workingFolderPath());
}

QString MemFolder()
{
    if (!g_mem.isEmpty())
        return ensured(g_mem);
    // An installed program's folder may be writable (run as root) but is
    // still not the user's to fill.
    if (ProgramFolderInstalled())
        return seededUserMem(ProgramFolder());
    const QString inProgram = ProgramFolder() + QStringLiteral("/Mem");
    const QFileInfo prog(ProgramFolder());
    if (prog.isWritable()) {
        if (QFileInfo(inProgram).isDir() ? QFileInfo(inProgram).isWritable() : true)
            return ensured(inProgram);
    }
    return ensured(userDataFolder() + QStringLiteral("/Mem"));
}

QString MapPath(const QString &path)
{
    return mapped(path, onDriveC(path) ? WorkingFolder() : QString());
}

QString MapPathForReading(const QString &path)
{
    return mapped(path, workingFolderPath());
}

QString WorkingFile()
{
    return MapPath(QStringLiteral("c:\\tmp.wav"));
}

QString RecordingFile()
{
    return MapPath(QStringLiteral("c:\\zvuk.wav"));
}

void SetProgramFolder(const QString &folder) { g_program = folder; }
int Instance()
{
    return claimedNumber(workingFolderPath());
}

void SetWorkingFolder(const QString &folder)
{
    g_working = folder;
    releaseClaim();
}
void SetMemFolder(const QString &folder) { g_mem = folder; }

QString ReferenceFolder()
{
    return ensured(g_references.isEmpty() ? userDataFolder() + QStringLiteral("/references") : g_references);
}
void SetReferenceFolder(const QString &folder) { g_references = folder; }

QString CacheFolder()
{
    if (!g_cache.isEmpty())
        return g_cache;
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/sigmalit");
}
void SetCacheFolder(const QString &folder) { g_cache = folder; }

}  // namespace Paths
