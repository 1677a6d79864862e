// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Copying a chosen oscillogram over the working file: all or nothing. The
// copy goes to a file beside the working file and replaces it only when
// complete, so a failed or cancelled copy leaves the working file as it was.
#include <QString>
#include <cstdint>
#include <functional>

namespace WorkingCopy {

// Told the bytes copied so far and the total after each block; returns
// false to cancel.
using Progress = std::function<bool(int64_t done, int64_t total)>;

// Copies `from` (a regular file; anything else raises 75) over `to`. Only
// the bytes the source held when the copy began are copied, so a file that
// keeps growing cannot fill the disk. Runs of zeros are left as holes.
// Raises the program's error numbers (61 disk full, 70 permission...);
// false when cancelled. Nothing is left behind either way.
bool Copy(const QString &from, const QString &to, const Progress &progress = {});

// The unfinished copy's name beside `to` (left only by a crash).
QString PartialName(const QString &to);

}  // namespace WorkingCopy
