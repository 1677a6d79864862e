// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Per-user settings store: application → section → key → text, kept in an
// INI file. Names compare without regard to case ("Sigm" and "SIGM" are one
// entry); a missing key yields the caller's default; reading never writes.
// The file is read once, on first use; blanks around "=" and around a value
// are not part of it, and writing a value leaves every other line as it was.
// A settings path that is not a regular file reads as no file (with a line
// on stderr) and is never written.
#include <QString>

namespace SettingsStore {

QString GetSetting(const QString &app, const QString &section, const QString &key,
                   const QString &defaultValue = QString());
void SaveSetting(const QString &app, const QString &section, const QString &key,
                 const QString &value);

// Where the store lives; tests point it at a folder of their own.
QString FilePath();
void SetFilePath(const QString &path);
// Forgets what was read: the next access reads the file again.
void Reload();

}  // namespace SettingsStore
