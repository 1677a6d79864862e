// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/workingcopy.h"

#include "platform/errors.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace WorkingCopy {
namespace {

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Removes the unfinished copy unless it was put in place.
struct Partial {
    QByteArray path;
    bool keep = false;
    ~Partial()
    {
        if (!keep && !path.isEmpty())
            ::unlink(path.constData());
    }
};

[[noreturn]] void raiseErrno(int e)
{
    RaiseError(ErrorNumberFromErrno(e));
}

bool allZero(const char *p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

}  // namespace

bool Copy(const QString &from, const QString &to, const Progress &progress)
{
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    Fd in;
    // Non-blocking, so a FIFO put in the file's place never blocks the open.
    in.fd = ::open(src.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in.fd < 0)
        raiseErrno(errno);
    struct stat st {};
    if (::fstat(in.fd, &st) != 0)
        raiseErrno(errno);
    if (!S_ISREG(st.st_mode))
        RaiseError(Err::PathFileAccess);
    // The working file chosen itself: it already holds what is wanted.
    struct stat target {};
    if (::stat(dst.constData(), &target) == 0 && target.st_dev == st.st_dev && target.st_ino == st.st_ino)
        return true;

    const int64_t total = st.st_size;
    Partial partial;
    partial.path = QFile::encodeName(PartialName(to));
    ::unlink(partial.path.constData());
    Fd out;
    out.fd = ::open(partial.path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out.fd < 0)
        raiseErrno(errno);

    std::vector<char> buffer(1 << 20);
    int64_t done = 0;
    while (done < total) {
        const size_t want = size_t(std::min<int64_t>(int64_t(buffer.size()), total - done));
        const ssize_t n = ::read(in.fd, buffer.data(), want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            raiseErrno(errno);
        }
        if (n == 0)
            break;  // the file shrank since: what it holds now is the copy
        if (allZero(buffer.data(), size_t(n))) {
            if (::lseek(out.fd, n, SEEK_CUR) < 0)
                raiseErrno(errno);
        } else {
            ssize_t written = 0;
            while (written < n) {
                const ssize_t w = ::write(out.fd, buffer.data() + written, size_t(n - written));
                if (w < 0) {
                    if (errno == EINTR)
                        continue;
                    raiseErrno(errno);
                }
                written += w;
            }
        }
        done += n;
        if (progress && !progress(done, total))
            return false;
    }
    // A trailing run of zeros was skipped: give the file its length.
    if (::ftruncate(out.fd, done) != 0)
        raiseErrno(errno);
    // A whole copy keeps the file's modification time, as `cp -p` does: the
    // same file opened again is known for the same (its overview is taken
    // from the cache). Not kept, the copy simply looks new.
    if (done == total) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out.fd, times);
    }
    const int closed = ::close(out.fd);
    out.fd = -1;
    if (closed != 0)
        raiseErrno(errno);
    if (::rename(partial.path.constData(), dst.constData()) != 0)
        raiseErrno(errno);
    partial.keep = true;
    return true;
}

QString PartialName(const QString &to)
{
    return to + QStringLiteral(".part");
}

}  // namespace WorkingCopy
