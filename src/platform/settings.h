#pragma once
// Per-user settings store: application → section → key → text, kept in an
// INI file. Names compare without regard to case ("Sigm" and "SIGM" are one
// entry); a missing key yields the caller's default; reading never writes.
#include <QString>

namespace SettingsStore {

QString GetSetting(const QString &app, const QString &section, const QString &key,
                   const QString &defaultValue = QString());
void SaveSetting(const QString &app, const QString &section, const QString &key,
                 const QString &value);

// Where the store lives; tests point it at a folder of their own.
QString FilePath();
void SetFilePath(const QString &path);

}  // namespace SettingsStore
