// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wavfile.h"

#include "platform/mcierr.h"

#include <QFile>
#include <QFileInfo>

#include <sndfile.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

int bitsOf(int subtype)
{
    switch (subtype) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_S8:
        return 8;
    case SF_FORMAT_PCM_16:
        return 16;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
        return 32;
    default:
        return 0;  // float, companded or compressed: not PCM
    }
}

}  // namespace

int ReadWavInfo(const QString &path, WavInfo *info)
{
    const QFileInfo fi(path);
    if (!fi.exists())
        return MciErr::FileNotFound;
    if (!fi.isFile())
        return MciErr::InvalidFile;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? MciErr::FileNotFound : MciErr::InvalidFile;
    SF_INFO sf{};
    SNDFILE *file = sf_open_fd(fd, SFM_READ, &sf, SF_TRUE);
    if (!file)
        return MciErr::InvalidFile;  // sf_open_fd closes the descriptor on failure too
    const int major = sf.format & SF_FORMAT_TYPEMASK;
    const int bits = bitsOf(sf.format & SF_FORMAT_SUBMASK);
    sf_close(file);
    // RF64 is the WAV file past 4 GiB, as long recordings are written.
    if ((major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX && major != SF_FORMAT_RF64) || bits == 0
        || sf.samplerate <= 0 || sf.channels <= 0)
        return MciErr::InvalidFile;
    if (info) {
        info->sampleRate = sf.samplerate;
        info->channels = sf.channels;
        info->bitsPerSample = bits;
        info->frames = sf.frames;
    }
    return 0;
}

namespace {
// Writes what it can; the number of bytes written.
qint64 writeAll(int fd, const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}
}  // namespace

int WriteWav16(const QString &path, int sampleRate, int channels, const char *samples, qint64 bytes)
{
    if (sampleRate <= 0 || channels <= 0 || bytes < 0 || bytes > 0x7FFFFF00LL)
        return MciErr::NotSaved;
    const QByteArray name = QFile::encodeName(path);
    // A new file rather than a truncated one: ext4 flushes a file that is
    // truncated and written again, which costs milliseconds every refresh.
    if (::unlink(name.constData()) != 0 && errno != ENOENT)
        return MciErr::NotSaved;
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return MciErr::NotSaved;
    const QByteArray header = Wav16Header(sampleRate, channels, bytes);
    const bool headerWritten = writeAll(fd, header.constData(), header.size()) == header.size();
    const qint64 written = headerWritten ? writeAll(fd, samples, bytes) : 0;
    bool ok = headerWritten && written == bytes;
    if (!ok && headerWritten) {
        // The disk filled up or went away part way: the file keeps the whole
        // frames it holds and a header that says exactly that, never more.
        const qint64 kept = written - written % (qint64(channels) * 2);
        const QByteArray shorter = Wav16Header(sampleRate, channels, kept);
        if (::ftruncate(fd, kept + header.size()) != 0
            || ::pwrite(fd, shorter.constData(), size_t(shorter.size()), 0) != shorter.size())
            ::unlink(name.constData());
    }
    ok = ::close(fd) == 0 && ok;
    if (!headerWritten)
        ::unlink(name.constData());
    return ok ? 0 : MciErr::NotSaved;
}

QByteArray Wav16Header(int sampleRate, int channels, qint64 dataBytes)
{
    // The format chunk carries the 18-byte form with an empty extension, so
    // the samples start at byte 47: the live refresh reads from byte 51,
    // which is then a frame boundary and keeps the two channels in order.
    QByteArray h;
    auto u32 = [&h](quint32 v) {
        for (int i = 0; i < 4; ++i)
            h.append(char((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&h](quint16 v) {
        h.append(char(v & 0xFF));
        h.append(char(v >> 8));
    };
    const quint16 blockAlign = quint16(channels * 2);
    h.append("RIFF", 4);
    u32(quint32(kWav16HeaderBytes - 8 + dataBytes));
    h.append("WAVEfmt ", 8);
    u32(18);
    u16(1);
    u16(quint16(channels));
    u32(quint32(sampleRate));
    u32(quint32(sampleRate) * blockAlign);
    u16(blockAlign);
    u16(16);
    u16(0);
    h.append("data", 4);
    u32(quint32(dataBytes));
    return h;
}
