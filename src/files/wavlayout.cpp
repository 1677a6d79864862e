// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/wavlayout.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace WavLayout {
namespace {

uint32_t u32(const char *p)
{
    return uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8 | uint32_t(uint8_t(p[2])) << 16
           | uint32_t(uint8_t(p[3])) << 24;
}
uint64_t u64(const char *p)
{
    return uint64_t(u32(p)) | uint64_t(u32(p + 4)) << 32;
}
uint16_t u16(const char *p)
{
    return uint16_t(uint8_t(p[0]) | uint8_t(p[1]) << 8);
}

// Four printable ASCII characters: what a chunk's name looks like.
bool looksLikeChunkId(const char *p)
{
    for (int i = 0; i < 4; ++i)
        if (p[i] < 0x20 || p[i] > 0x7E)
            return false;
    return true;
}

// A hostile file can be nothing but empty chunks; walking millions of them
// would freeze the window, and no real file has this many.
constexpr int kMaxChunks = 4096;

}  // namespace

Verdict Inspect(const ReadAt &read, int64_t fileSize, Layout *out)
{
    Layout l;
    l.fileSize = fileSize;
    char head[12];
    const bool haveHead = fileSize >= 12 && read(0, head, 12) == 12;
    l.rf64 = haveHead && std::memcmp(head, "RF64", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
    if (fileSize > (l.rf64 ? kMaxRf64Bytes : kMaxFileBytes)) {
        if (out)
            *out = l;
        return Verdict::TooLong;
    }
    if (!haveHead)
        return Verdict::NotWav;
    if (!l.rf64 && (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0))
        return Verdict::NotWav;

    bool haveFmt = false;
    bool haveData = false;
    // RF64 keeps the data chunk's size in its ds64 chunk, which comes
    // first; the data chunk's own 32-bit field then says all ones.
    int64_t ds64Data = -1;
    int64_t declaredData = 0;
    int64_t pos = 12;
    for (int n = 0; n < kMaxChunks && pos + 8 <= fileSize; ++n) {
        char ch[8];
        if (read(pos, ch, 8) != 8)
            return Verdict::Unreadable;
        int64_t size = u32(ch + 4);
        const int64_t body = pos + 8;
        if (l.rf64 && std::memcmp(ch, "ds64", 4) == 0 && ds64Data < 0 && !haveData) {
            // The RIFF size, the data size, the frame count: only the data's matters.
            char d[8];
            if (size < 16 || body + 16 > fileSize)
                return Verdict::NotWav;
            if (read(body + 8, d, 8) != 8)
                return Verdict::Unreadable;
            // A size past what a file can hold is as good as none: "to the end".
            ds64Data = int64_t(std::min<uint64_t>(u64(d), uint64_t(INT64_MAX)));
        } else if (std::memcmp(ch, "fmt ", 4) == 0 && !haveFmt) {
            if (size < 16 || body + 16 > fileSize)
                return Verdict::NotWav;
            char f[40] = {};
            const int64_t want = std::min<int64_t>({size, 40, fileSize - body});
            if (read(body, f, want) != want)
                return Verdict::Unreadable;
            l.formatTag = u16(f);
            l.channels = u16(f + 2);
            l.sampleRate = int(std::min<uint32_t>(u32(f + 4), INT32_MAX));
            l.bitsPerSample = u16(f + 14);
            // The extensible form names the real format in its sub-format.
            if (l.formatTag == 0xFFFE)
                l.formatTag = want >= 26 ? u16(f + 24) : 0;
            haveFmt = true;
        } else if (std::memcmp(ch, "data", 4) == 0 && !haveData) {
            haveData = true;
            l.dataOffset = body;
            if (l.rf64 && size == 0xFFFFFFFFLL && ds64Data >= 0)
                size = ds64Data;
            declaredData = size;
        }
        if (haveFmt && haveData)
            break;
        // A chunk that runs past the end ends the walk (and an RF64 size
        // near 2^63 cannot wrap the position round).
        if (size > fileSize - body)
            break;
        pos = body + size + (size & 1);
    }
    // A refusal says what the file holds (its channels, its rate).
    if (out)
        *out = l;
    if (!haveFmt || !haveData)
        return Verdict::NotWav;
    // The window counts the first sample's byte in 32 bits; no writer puts
    // 2 GiB of other chunks before the samples.
    if (l.dataOffset >= INT32_MAX)
        return Verdict::NotWav;
    if (l.formatTag != 1)
        return Verdict::NotPcm;
    if (l.bitsPerSample != 16)
        return Verdict::NotSixteenBit;
    if (l.channels != 1 && l.channels != 2)
        return Verdict::Channels;
    if (l.sampleRate < kMinRate || l.sampleRate > kMaxRate)
        return Verdict::Rate;

    // Trust the bytes present, as robust players do: a size field larger
    // than the file (a recording cut short), 0 or all ones (a writer that
    // never came back to fill it in) means "to the end". A smaller one is
    // believed only when a chunk really follows it; otherwise the samples go
    // on to the end of the file.
    const int64_t present = std::max<int64_t>(0, fileSize - l.dataOffset);
    int64_t bytes = present;
    if (declaredData > 0 && declaredData < present && declaredData != 0xFFFFFFFFLL) {
        const int64_t next = l.dataOffset + declaredData + (declaredData & 1);
        char id[4];
        if (next + 8 <= fileSize && read(next, id, 4) == 4 && looksLikeChunkId(id))
            bytes = declaredData;
    }
    l.dataBytes = bytes - bytes % l.FrameBytes();
    if (out)
        *out = l;
    return Verdict::Ok;
}

Verdict Inspect(const QByteArray &bytes, Layout *out)
{
    const ReadAt read = [&bytes](int64_t offset, char *buffer, int64_t count) -> int64_t {
        if (offset < 0 || offset > bytes.size())
            return -1;
        const int64_t n = std::min<int64_t>(count, bytes.size() - offset);
        std::memcpy(buffer, bytes.constData() + offset, size_t(n));
        return n;
    };
    return Inspect(read, bytes.size(), out);
}

Verdict InspectFile(const QString &path, Layout *out)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR || errno == ELOOP ? Verdict::Missing : Verdict::Unreadable;
    if (!S_ISREG(st.st_mode))
        return Verdict::NotRegular;
    // O_NONBLOCK: should the name have been swapped for a FIFO since the
    // check, opening it must not wait for a writer.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Verdict::Unreadable;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return Verdict::NotRegular;
    }
    const ReadAt read = [fd](int64_t offset, char *buffer, int64_t count) -> int64_t {
        int64_t done = 0;
        while (done < count) {
            const ssize_t n = ::pread(fd, buffer + done, size_t(count - done), off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return -1;
            if (n == 0)
                break;
            done += n;
        }
        return done;
    };
    const Verdict v = Inspect(read, int64_t(opened.st_size), out);
    ::close(fd);
    return v;
}

QString Message(Verdict verdict, const QString &fileName, const Layout &layout)
{
    const QString q = QStringLiteral("«") + fileName + QStringLiteral("»");
    switch (verdict) {
    case Verdict::Ok:
        return QString();
    case Verdict::Missing:
        return QCoreApplication::translate("Files", "Файл %1 не найден, выберите файл ещё раз!").arg(q);
    case Verdict::NotRegular:
        return QCoreApplication::translate("Files", "%1 не является обычным файлом, открыть можно только файл осциллограммы!").arg(q);
    case Verdict::Unreadable:
        return QCoreApplication::translate("Files", "Файл %1 не удаётся прочитать: нет прав на чтение или файл недоступен!").arg(q);
    case Verdict::NotWav:
        return QCoreApplication::translate("Files", "Файл %1 не является звуковым файлом WAV или повреждён!").arg(q);
    case Verdict::NotPcm:
        return QCoreApplication::translate("Files", "Файл %1 записан в сжатом виде или с плавающей точкой, программа обрабатывает "
                              "только 16-разрядные файлы без сжатия!")
            .arg(q);
    case Verdict::NotSixteenBit:
        return QCoreApplication::translate("Files", "Прошу прощения, но данная версия программы обрабатывает только 16-разрядные звуковые файлы!");
    case Verdict::Channels:
        return QCoreApplication::translate("Files", "В файле %1 каналов: %2. Программа показывает только одно- и двухканальные записи!")
            .arg(q, QString::number(layout.channels));
    case Verdict::Rate:
        return QCoreApplication::translate("Files", "Частота дискретизации файла %1 (%2 Гц) вне пределов, которые может показать "
                              "программа (от %3 до %4 Гц)!")
            .arg(q, QString::number(layout.sampleRate), QString::number(kMinRate), QString::number(kMaxRate));
    case Verdict::TooLong:
        if (layout.rf64)
            return QCoreApplication::translate("Files", "Файл %1 слишком велик: программа показывает файлы RF64 размером до 16 ТБ!").arg(q);
        return QCoreApplication::translate("Files", "Файл %1 слишком велик: программа показывает файлы WAV размером до 4 ГБ!").arg(q);
    }
    return QString();
}

}  // namespace WavLayout
