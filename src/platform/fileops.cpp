// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fileops.h"

#include "platform/errors.h"
#include "platform/paths.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace FileOps {

namespace {
[[noreturn]] void raiseErrno()
{
    RaiseError(ErrorNumberFromErrno(errno));
}

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};
}  // namespace

void FileCopy(const QString &from, const QString &to)
{
    const QByteArray src = QFile::encodeName(Paths::MapPath(from));
    const QByteArray dst = QFile::encodeName(Paths::MapPath(to));
    Fd in;
    in.fd = ::open(src.constData(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0)
        raiseErrno();
    struct stat st {};
    if (::fstat(in.fd, &st) != 0)
        raiseErrno();
    if (S_ISDIR(st.st_mode))
        RaiseError(Err::PathFileAccess);
    // Copying a file onto itself would truncate it before reading: nothing to do.
    struct stat target {};
    if (::stat(dst.constData(), &target) == 0 && target.st_dev == st.st_dev && target.st_ino == st.st_ino)
        return;
    Fd out;
    out.fd = ::open(dst.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out.fd < 0) {
        // A target folder that is missing (it could not be created) is a
        // folder we may not write, not a missing source file.
        if (errno == ENOENT || errno == ENOTDIR)
            RaiseError(Err::PermissionDenied);
        raiseErrno();
    }
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in.fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            raiseErrno();
        }
        if (n == 0)
            break;
        ssize_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(out.fd, buffer.data() + done, size_t(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                raiseErrno();
            }
            done += w;
        }
    }
    if (::close(out.fd) != 0) {
        out.fd = -1;
        raiseErrno();
    }
    out.fd = -1;
}

void Kill(const QString &path)
{
    const QByteArray p = QFile::encodeName(Paths::MapPath(path));
    if (::unlink(p.constData()) != 0)
        raiseErrno();
}

int32_t FileLen(const QString &path)
{
    const QByteArray p = QFile::encodeName(Paths::MapPath(path));
    struct stat st {};
    if (::stat(p.constData(), &st) != 0)
        raiseErrno();
    if (st.st_size > INT32_MAX)
        RaiseError(Err::Overflow);
    return int32_t(st.st_size);
}

bool ReadAt(int fd, char *to, int64_t bytes, int64_t at)
{
    while (bytes > 0) {
        const ssize_t n = ::pread(fd, to, size_t(bytes), off_t(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = 0;
            return false;
        }
        to += n;
        at += n;
        bytes -= n;
    }
    return true;
}

QString ErrnoText(int e)
{
    return QString::fromLocal8Bit(std::strerror(e));
}

}  // namespace FileOps
