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

inline QByteArray Samples(const std::vector<int16_t> &interleaved)
{
    QByteArray d;
    d.reserve(int(interleaved.size() * 2));
    for (int16_t s : interleaved)
        put16(d, quint16(s));
    return d;
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
