// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File operations that fail with the program's error numbers (VbError), so
// that every error trap can word the failure for the user.
#include <QString>
#include <cstdint>

namespace FileOps {
// Copies `from` over `to`, replacing it; paths go through Paths::MapPath.
void FileCopy(const QString &from, const QString &to);
// Deletes one file; a missing file raises 53.
void Kill(const QString &path);
// Length in bytes; a missing file raises 53, a length beyond 32 bits raises 6.
int32_t FileLen(const QString &path);
// Reads `bytes` from byte `at` whole, through short reads and
// interruptions. False when the file ends first (errno then 0) or the
// system refuses (errno tells why).
bool ReadAt(int fd, char *to, int64_t bytes, int64_t at);
// The system's own words for errno `e`.
QString ErrnoText(int e);
}  // namespace FileOps
