// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/wavstream.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace Cli {
namespace {
constexpr int64_t kBlockFrames = 1 << 16;
}

QString ShownName(const QString &path)
{
    QString name = QFileInfo(path).fileName();
    if (name.isEmpty())
        name = path;
    // A name with a line break would make a refusal two lines.
    for (QChar &c : name)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    return name;
}

WavStream::~WavStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

WavLayout::Verdict WavStream::Open(const QString &path, QString *error)
{
    name_ = ShownName(path);
    const WavLayout::Verdict v = WavLayout::InspectFile(path, &layout_);
    if (v != WavLayout::Verdict::Ok) {
        *error = WavLayout::Message(v, name_, layout_);
        return v;
    }
    // Only a regular file passed the inspection; O_NONBLOCK keeps a FIFO
    // swapped in since from blocking the open.
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        *error = WavLayout::Message(WavLayout::Verdict::Unreadable, name_, layout_);
        return WavLayout::Verdict::Unreadable;
    }
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return v;
}

bool WavStream::readBlock(int64_t frame, int64_t frames, int16_t *to, QString *error) const
{
    const int64_t frameBytes = layout_.FrameBytes();
    const int64_t bytes = frames * frameBytes;
    const int64_t at = layout_.dataOffset + frame * frameBytes;
    auto *dst = reinterpret_cast<char *>(to);
    int64_t got = 0;
    while (got < bytes) {
        const ssize_t n = ::pread(fd_, dst + got, size_t(bytes - got), off_t(at + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = n < 0 ? QCoreApplication::translate("Cli", "не удалось прочитать «%1»: %2")
                                 .arg(name_, QString::fromLocal8Bit(std::strerror(errno)))
                           : QCoreApplication::translate("Cli", "файл «%1» стал короче, чем был при открытии").arg(name_);
            return false;
        }
        got += n;
    }
    if constexpr (std::endian::native != std::endian::little) {
        for (int64_t i = 0; i < frames * layout_.channels; ++i)
            to[i] = qFromLittleEndian(to[i]);
    }
    return true;
}

bool WavStream::Read(int64_t first, int64_t count, const Take &take, QString *error)
{
    // One thread: a second one reading ahead cost more in handing blocks
    // over than it saved (bench_cli).
    const int channels = layout_.channels;
    first = std::clamp<int64_t>(first, 0, Frames());
    count = std::clamp<int64_t>(count, 0, Frames() - first);
    buffer_.resize(size_t(kBlockFrames * channels));
    for (int64_t done = 0; done < count;) {
        const int64_t frames = std::min(kBlockFrames, count - done);
        if (!readBlock(first + done, frames, buffer_.data(), error))
            return false;
        take(buffer_.data(), frames);
        done += frames;
    }
    return true;
}

}  // namespace Cli
