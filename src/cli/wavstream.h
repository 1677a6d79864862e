// SPDX-License-Identifier: GPL-3.0-or-later
// A WAV oscillogram read from the command line: checked as the window
// checks a file it opens, then read in blocks of whole frames, so memory
// stays flat however long the recording.
#pragma once
#include "files/wavlayout.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace Cli {

class WavStream {
public:
    WavStream() = default;
    ~WavStream();
    WavStream(const WavStream &) = delete;
    WavStream &operator=(const WavStream &) = delete;

    // Ok, or why the file is refused (*error says it in one line).
    WavLayout::Verdict Open(const QString &path, QString *error);
    int Channels() const { return layout_.channels; }
    int SampleRate() const { return layout_.sampleRate; }
    int64_t Frames() const { return layout_.FrameBytes() > 0 ? layout_.dataBytes / layout_.FrameBytes() : 0; }
    const WavLayout::Layout &Layout() const { return layout_; }

    // Calls `take(samples, frames)` with interleaved samples for frames
    // first … first + count − 1, a block at a time (the last may be
    // shorter). False, with *error, when the file could not be read.
    using Take = std::function<void(const int16_t *samples, int64_t frames)>;
    bool Read(int64_t first, int64_t count, const Take &take, QString *error);

private:
    bool readBlock(int64_t frame, int64_t frames, int16_t *to, QString *error) const;

    WavLayout::Layout layout_;
    QString name_;
    int fd_ = -1;
    std::vector<int16_t> buffer_;
};

// How the user knows a file: its name without folders, on one line.
QString ShownName(const QString &path);

}  // namespace Cli
