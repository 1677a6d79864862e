// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Per-user settings store: application → section → key → text, kept in an
// INI file. Names compare without regard to case ("Sigm" and "SIGM" are one
// entry); a missing key yields the caller's default; reading never writes.
// The file is read once, on first use, and kept in memory; blanks around "="
// and around a value are not part of it, and writing a value leaves every
// other line as it was. A settings path that is not a regular file reads as
// no file (with a line on stderr) and is never written.
//
// Writing a value changes it in memory. The file is stored once per user
// action: a write outside any Batch is stored at once, writes inside one are
// stored together when the outermost Batch ends. A store writes a new file
// beside the old one and puts it in place only when complete; when the file
// was written by another program since it was read, this program's changed
// values go on top of it and every other value of that file is kept.
#include <QString>
#include <functional>

namespace SettingsStore {

QString GetSetting(const QString &app, const QString &section, const QString &key,
                   const QString &defaultValue = QString());
void SaveSetting(const QString &app, const QString &section, const QString &key,
                 const QString &value);

// Writes made while one is alive are stored together when the outermost
// one ends.
class Batch {
public:
    Batch();
    ~Batch();
    Batch(const Batch &) = delete;
    Batch &operator=(const Batch &) = delete;
};

// Stores the values changed since the last store, if any. False when the
// file could not be written: the old file is left as it was, the handler
// is told what failed, and the values are tried again at the next store.
bool Store();
QString LastError();
// Told what failed, in words for the user; an empty handler says it on stderr.
using FailureHandler = std::function<void(const QString &message)>;
void SetFailureHandler(FailureHandler handler);
// How many times the file has been written since the program started.
quint64 FileWrites();

// Where the store lives; tests point it at a folder of their own.
QString FilePath();
void SetFilePath(const QString &path);
// Forgets what was read and what was not stored yet: the next access reads
// the file again.
void Reload();

}  // namespace SettingsStore
