// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether a file is a WAV oscillogram the display can show, and where its
// samples are. A chosen file is untrusted: it is inspected here, before
// anything of the program's is touched, and either described or refused
// with one reason. No widgets; the fuzz target calls these same functions.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

namespace WavLayout {

enum class Verdict {
    Ok,
    Missing,        // the name points at nothing
    NotRegular,     // a directory, FIFO, socket or device
    Unreadable,     // exists but cannot be read
    NotWav,         // not a RIFF/WAVE file, or its chunks are broken
    NotPcm,         // compressed or floating-point samples
    NotSixteenBit,  // PCM of another width
    Channels,       // other than one or two channels
    Rate,           // a sample rate outside kMinRate..kMaxRate
    TooLong,        // beyond what a WAV (or RF64) file can address
};

constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;
// A RIFF file addresses 4 GiB after its 8-byte chunk header.
constexpr int64_t kMaxFileBytes = int64_t(0xFFFFFFFFu) + 8;
// An RF64 file (a WAV file whose sizes are 64-bit, held in its "ds64"
// chunk) goes further. Its bound is where a step of the horizontal bar,
// a 32-bit count of bytes, would no longer hold a 16000th of the file:
// 16 TiB, months of the fastest stereo recording.
constexpr int64_t kMaxRf64Bytes = int64_t(1) << 44;

struct Layout {
    int formatTag = 0;      // 1 for PCM (also when given inside an extensible format)
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    int64_t fileSize = 0;
    int64_t dataOffset = 0;  // 0-based offset of the first sample byte
    int64_t dataBytes = 0;   // whole frames of samples really present
    bool rf64 = false;       // an RF64 file (sizes in its ds64 chunk)
    int64_t FrameBytes() const { return int64_t(channels) * 2; }
};

// Reads up to `count` bytes at the 0-based `offset` into `buffer`; returns
// how many it got (fewer at the end, -1 on a read failure).
using ReadAt = std::function<int64_t(int64_t offset, char *buffer, int64_t count)>;

// Walks the RIFF chunks of a file of `fileSize` bytes read through `read`.
// Size fields are not trusted: a data chunk is what is present of it,
// whole frames only. A file refused for its format still gives what its
// format chunk says, for the message.
Verdict Inspect(const ReadAt &read, int64_t fileSize, Layout *out);
// The same over bytes in memory.
Verdict Inspect(const QByteArray &bytes, Layout *out);
// The same over a named file: what the name points at is checked first
// (only regular files are opened, so a FIFO or device never blocks).
Verdict InspectFile(const QString &path, Layout *out);

// The message a refusal is shown with. `fileName` is how the user knows
// the file (its name without folders).
QString Message(Verdict verdict, const QString &fileName, const Layout &layout);

}  // namespace WavLayout
