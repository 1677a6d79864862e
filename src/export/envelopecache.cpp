// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/envelopecache.h"

#include "export/atomicfile.h"
#include "platform/fileops.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace EnvelopeCache {
namespace {

constexpr char kMagic[8] = {'S', 'I', 'G', 'M', 'E', 'N', 'V', '\n'};
constexpr uint32_t kVersion = 1;
constexpr int64_t kEdgeBytes = 64 * 1024;
constexpr int kHashBytes = 32;

// The header as it lies in the file (little-endian, as the samples).
struct Header {
    char magic[8];
    uint32_t version;
    uint32_t headerBytes;
    int64_t size;
    int64_t modifiedNs;
    char edges[kHashBytes];
    int64_t dataOffset;
    int64_t dataBytes;
    int32_t sampleRate;
    int32_t channels;
    int32_t bucketFrames;
    int32_t reserved;
    int64_t frames;
    int64_t buckets;
    uint64_t checksum;  // of the buckets that follow
};
static_assert(sizeof(Header) == 120);

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

uint64_t checksum(const char *p, size_t bytes)
{
    uint64_t h = 0x9E3779B97F4A7C15ull;
    size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ (w * 0xBF58476D1CE4E5B9ull)) * 0x94D049BB133111EBull;
        h ^= h >> 29;
    }
    for (; i < bytes; ++i)
        h = (h ^ uint8_t(p[i])) * 0x100000001B3ull;
    return h;
}

int64_t framesOf(const Identity &id)
{
    return id.channels > 0 ? id.dataBytes / (2 * int64_t(id.channels)) : 0;
}

}  // namespace

bool Identify(const QString &path, int64_t dataOffset, int64_t dataBytes, int32_t sampleRate, int channels,
              Identity *out, QString *error)
{
    Fd f;
    // Non-blocking: a FIFO in the file's place must not hold the reader.
    f.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0) {
        *error = FileOps::ErrnoText(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = QCoreApplication::translate("Files", "это не обычный файл");
        return false;
    }
    Identity id;
    id.size = st.st_size;
    id.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.dataOffset = dataOffset;
    id.dataBytes = dataBytes;
    id.sampleRate = sampleRate;
    id.channels = channels;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::vector<char> edge(static_cast<size_t>(kEdgeBytes));
    const int64_t head = std::min(kEdgeBytes, id.size);
    const int64_t tailAt = std::max<int64_t>(0, id.size - kEdgeBytes);
    if (!FileOps::ReadAt(f.fd, edge.data(), head, 0)) {
        *error = QCoreApplication::translate("Files", "не удалось прочитать файл");
        return false;
    }
    hash.addData(QByteArrayView(edge.data(), head));
    if (!FileOps::ReadAt(f.fd, edge.data(), id.size - tailAt, tailAt)) {
        *error = QCoreApplication::translate("Files", "не удалось прочитать файл");
        return false;
    }
    hash.addData(QByteArrayView(edge.data(), id.size - tailAt));
    id.edges = hash.result();
    *out = id;
    return true;
}

QString FileName(const Identity &id)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const int64_t numbers[] = {id.size, id.modifiedNs, id.dataOffset, id.dataBytes, id.sampleRate, id.channels};
    hash.addData(QByteArrayView(reinterpret_cast<const char *>(numbers), sizeof numbers));
    hash.addData(id.edges);
    return QString::fromLatin1(hash.result().left(16).toHex()) + QStringLiteral(".env");
}

bool Save(const QString &file, const Identity &id, const Envelope::Levels &levels, QString *error)
{
    if (id.edges.size() != kHashBytes || levels.Channels() != id.channels || levels.Frames() != framesOf(id)) {
        *error = QCoreApplication::translate("Files", "обзор не соответствует файлу");
        return false;
    }
    const std::vector<Envelope::Extremes> &base = levels.Base();
    const char *payload = reinterpret_cast<const char *>(base.data());
    const size_t payloadBytes = base.size() * sizeof(Envelope::Extremes);
    Header h{};
    std::memcpy(h.magic, kMagic, sizeof kMagic);
    h.version = kVersion;
    h.headerBytes = sizeof(Header);
    h.size = id.size;
    h.modifiedNs = id.modifiedNs;
    std::memcpy(h.edges, id.edges.constData(), kHashBytes);
    h.dataOffset = id.dataOffset;
    h.dataBytes = id.dataBytes;
    h.sampleRate = id.sampleRate;
    h.channels = id.channels;
    h.bucketFrames = levels.BucketFrames();
    h.frames = levels.Frames();
    h.buckets = levels.Buckets();
    h.checksum = checksum(payload, payloadBytes);
    QDir().mkpath(QFileInfo(file).absolutePath());
    AtomicFile::Writer w(file);
    return w.Open(error) && w.Write(reinterpret_cast<const char *>(&h), sizeof h, error)
           && w.Write(payload, qint64(payloadBytes), error) && w.Commit(error);
}

std::optional<Envelope::Levels> Load(const QString &file, const Identity &id)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    Header h{};
    if (f.read(reinterpret_cast<char *>(&h), sizeof h) != qint64(sizeof h))
        return std::nullopt;
    if (std::memcmp(h.magic, kMagic, sizeof kMagic) != 0 || h.version != kVersion || h.headerBytes != sizeof h)
        return std::nullopt;
    Identity stored;
    stored.size = h.size;
    stored.modifiedNs = h.modifiedNs;
    stored.edges = QByteArray(h.edges, kHashBytes);
    stored.dataOffset = h.dataOffset;
    stored.dataBytes = h.dataBytes;
    stored.sampleRate = h.sampleRate;
    stored.channels = h.channels;
    if (!(stored == id) || h.channels < 1 || h.channels > Envelope::kMaxChannels || h.bucketFrames < 1
        || h.frames != framesOf(id) || h.buckets != (h.frames + h.bucketFrames - 1) / h.bucketFrames
        || h.buckets > 4 * Envelope::kMaxBuckets)
        return std::nullopt;
    const qint64 payloadBytes = qint64(h.buckets) * h.channels * qint64(sizeof(Envelope::Extremes));
    if (f.size() != qint64(sizeof h) + payloadBytes)
        return std::nullopt;
    std::vector<Envelope::Extremes> base(size_t(h.buckets) * size_t(h.channels));
    if (f.read(reinterpret_cast<char *>(base.data()), payloadBytes) != payloadBytes
        || checksum(reinterpret_cast<const char *>(base.data()), size_t(payloadBytes)) != h.checksum)
        return std::nullopt;
    for (const Envelope::Extremes &e : base)
        if (e.Empty())
            return std::nullopt;
    f.close();
    // Used now: the pruning keeps it longer than those not opened since.
    ::utimes(QFile::encodeName(file).constData(), nullptr);
    Envelope::Levels levels(h.channels, h.bucketFrames);
    levels.SetBase(std::move(base), h.frames);
    return levels;
}

std::optional<Envelope::Levels> Build(const QString &path, const Identity &id, const Progress &progress,
                                      QString *error)
{
    Fd f;
    f.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (f.fd < 0) {
        *error = FileOps::ErrnoText(errno);
        return std::nullopt;
    }
    if (id.channels < 1 || id.channels > Envelope::kMaxChannels) {
        *error = QCoreApplication::translate("Files", "неверное число каналов");
        return std::nullopt;
    }
    const int frameBytes = 2 * id.channels;
    const int64_t frames = framesOf(id);
    const int64_t total = frames * frameBytes;
    ::posix_fadvise(f.fd, off_t(id.dataOffset), off_t(total), POSIX_FADV_SEQUENTIAL);
    Envelope::Builder builder(id.channels, Envelope::BucketFramesFor(frames));
    // A block of whole frames, a whole number of the smallest buckets, and
    // small enough (256 KiB in stereo) to be still in the processor's cache
    // when it is gone over after the read: with 1 MiB blocks the pass cost
    // half as much again as the read, with these a fraction of it.
    const int64_t blockBytes = int64_t(frameBytes) * Envelope::kMinBucketFrames * 1024;
    std::vector<int16_t> block(size_t(blockBytes / 2));
    int64_t done = 0;
    while (done < total) {
        const int64_t want = std::min(blockBytes, total - done);
        errno = 0;
        if (!FileOps::ReadAt(f.fd, reinterpret_cast<char *>(block.data()), want, id.dataOffset + done)) {
            *error = errno ? FileOps::ErrnoText(errno) : QCoreApplication::translate("Files", "файл стал короче");
            return std::nullopt;
        }
        builder.Add(block.data(), size_t(want / frameBytes));
        done += want;
        if (progress && !progress(done, total))
            return std::nullopt;
    }
    return builder.Finish();
}

void Prune(const QString &folder, int keep)
{
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*.env")}, QDir::Files, QDir::Time);  // newest first
    for (qsizetype i = keep; i < files.size(); ++i)
        QFile::remove(files[i].filePath());
}

}  // namespace EnvelopeCache
