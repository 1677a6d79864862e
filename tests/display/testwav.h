// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// WAV files for the display and file tests: exact sample contents written
// here, or real files made by sox.
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtEndian>
#include <cstdint>
#include <vector>

namespace TestWav {

inline void put32(QByteArray &b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}
inline void put16(QByteArray &b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}

// RIFF header of a PCM file; `extra` is a whole chunk put between "fmt "
// and "data" (which pushes the data tag further into the file).
inline QByteArray Header(int rate, int channels, int bits, quint32 dataBytes, const QByteArray &extra = {})
{
    QByteArray h;
    h += "RIFF";
    put32(h, quint32(36 + extra.size()) + dataBytes);
    h += "WAVEfmt ";
    put32(h, 16);
    put16(h, 1);
    put16(h, quint16(channels));
    put32(h, quint32(rate));
    put32(h, quint32(rate * channels * bits / 8));
    put16(h, quint16(channels * bits / 8));
    put16(h, quint16(bits));
    h += extra;
    h += "data";
    put32(h, dataBytes);
    return h;
}

// The header of an RF64 file as libsndfile leaves it once a recording has
// grown past 4 GiB: "ds64" with the 64-bit sizes, the extensible format,
// an empty "PAD " chunk that keeps the samples where the plain WAV header
// had them, and a data chunk whose 32-bit size says all ones. 112 bytes.
inline QByteArray Rf64Header(int rate, int channels, qint64 dataBytes)
{
    auto put64 = [](QByteArray &b, quint64 v) {
        put32(b, quint32(v));
        put32(b, quint32(v >> 32));
    };
    const int align = 2 * channels;
    QByteArray h;
    h += "RF64";
    put32(h, 0xFFFFFFFFu);
    h += "WAVEds64";
    put32(h, 28);
    put64(h, quint64(112 - 8 + dataBytes));
    put64(h, quint64(dataBytes));
    put64(h, quint64(dataBytes / align));
    put32(h, 0);
    h += "fmt ";
    put32(h, 40);
    put16(h, 0xFFFE);
    put16(h, quint16(channels));
    put32(h, quint32(rate));
    put32(h, quint32(rate * align));
    put16(h, quint16(align));
    put16(h, 16);
    put16(h, 22);
    put16(h, 16);
    put32(h, channels == 2 ? 3 : 4);  // the channel mask
    put32(h, 1);                      // the PCM sub-format's GUID
    put16(h, 0);
    put16(h, 0x10);
    h.append("\x80\x00\x00\xaa\x00\x38\x9b\x71", 8);
    h += "PAD ";
    put32(h, 0);
    h += "data";
    put32(h, 0xFFFFFFFFu);
    return h;
}

inline QByteArray Samples(const std::vector<int16_t> &interleaved)
{
    QByteArray d;
    d.reserve(int(interleaved.size() * 2));
    for (int16_t s : interleaved)
        put16(d, quint16(s));
    return d;
}

inline QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A 16-bit PCM file with the canonical 44-byte header (samples from byte 45).
inline bool Write(const QString &path, int rate, int channels, const std::vector<int16_t> &interleaved,
                  const QByteArray &extraChunk = {})
{
    const QByteArray data = Samples(interleaved);
    return WriteBytes(path, Header(rate, channels, 16, quint32(data.size()), extraChunk) + data);
}

// Runs sox with `args`; true when it succeeded.
inline bool Sox(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("sox"), args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace TestWav
