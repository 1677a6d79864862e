// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The overview of a recording read from its file once, and kept in a cache
// file of its own (per-user cache folder) so the next open of the same file
// has it at once. A cache file names the file it was made from by what can
// be seen of it cheaply: its size, its modification time and a hash of its
// first and last 64 KiB, with the samples' place, rate and channels. A file
// changed since gets a new overview; a cache file that is damaged, of
// another version or of another file is refused (and made anew).
#include "analysis/envelope.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace EnvelopeCache {

struct Identity {
    int64_t size = 0;
    int64_t modifiedNs = 0;  // since the epoch
    QByteArray edges;        // SHA-256 of the first and the last 64 KiB
    int64_t dataOffset = 0;  // 0-based byte of the first sample
    int64_t dataBytes = 0;   // bytes of samples from there
    int32_t sampleRate = 0;
    int32_t channels = 0;
    bool operator==(const Identity &) const = default;
};

// What identifies `path` now, for the samples at [dataOffset, dataOffset +
// dataBytes). False, with the reason, when it cannot be read.
bool Identify(const QString &path, int64_t dataOffset, int64_t dataBytes, int32_t sampleRate, int channels,
              Identity *out, QString *error);

// The cache file's name for `id` (hex digits and ".env").
QString FileName(const Identity &id);

// Writes `levels` for `id` to `file`, all or nothing.
bool Save(const QString &file, const Identity &id, const Envelope::Levels &levels, QString *error);

// The levels kept in `file` for `id`; nothing when the file is missing,
// damaged, of another version or made from another file.
std::optional<Envelope::Levels> Load(const QString &file, const Identity &id);

// Reads the samples `id` names from `path` and builds their levels.
// `progress` is told the bytes read so far and the total after each block
// and returns false to cancel (nothing is returned then).
using Progress = std::function<bool(int64_t done, int64_t total)>;
std::optional<Envelope::Levels> Build(const QString &path, const Identity &id, const Progress &progress,
                                      QString *error);

// Keeps at most `keep` cache files in `folder`, the most recently used.
void Prune(const QString &folder, int keep);

}  // namespace EnvelopeCache
