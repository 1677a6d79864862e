// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound device's view of WAV files: the format and length a file
// declares, and the canonical 16-bit PCM file a recording is saved as.
// The display reads samples on its own; this is only for the device.
#include <QByteArray>
#include <QString>

struct WavInfo {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    qint64 frames = 0;  // frames actually present in the data chunk

    qint64 LengthMs() const { return sampleRate > 0 ? frames * 1000 / sampleRate : 0; }
};

// 0, MciErr::FileNotFound for a missing file, or MciErr::InvalidFile for
// anything that is not a readable PCM WAV file.
int ReadWavInfo(const QString &path, WavInfo *info);

// Writes `samples` (native 16-bit, interleaved) as a PCM WAV file with a
// 46-byte header (see Wav16Header). 0 or MciErr::NotSaved.
int WriteWav16(const QString &path, int sampleRate, int channels, const char *samples, qint64 bytes);

constexpr int kWav16HeaderBytes = 46;
QByteArray Wav16Header(int sampleRate, int channels, qint64 dataBytes);
