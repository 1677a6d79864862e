#pragma once
// Which sound input to look at, chosen in the window: the sound server's
// inputs including the monitors of its outputs (what the computer itself
// plays), or the demo generator. The choice is kept by the server's own
// name for the input, which stays the same from run to run.
#include "acquisition/capturesource.h"

#include <QList>
#include <QString>
#include <memory>

struct SoundInputInfo {
    QString id;           // the sound server's name of the input
    QString description;  // what the user sees
    bool monitor = false; // the monitor of an output
    bool operator==(const SoundInputInfo &) const = default;
};

namespace InputChoice {

inline constexpr char kDemo[] = "demo";

// The inputs in the long listing of "pactl list sources" (C locale).
QList<SoundInputInfo> ParseSourceList(const QString &pactlText);
// The server's inputs now; Qt's list when the server cannot be asked.
QList<SoundInputInfo> List();

// The stored choice: empty = the server's default input, kDemo, or an id.
// Section "Input" of the settings, key "Source".
QString Stored();
void Store(const QString &choice);

// The input for `choice`. A chosen input that is gone gives the default
// input and a notice for the user in *notice. nullptr with *error as
// MakeSoundInput does when there is no input at all.
std::unique_ptr<CaptureSource> Make(const QString &choice, int *error, QString *notice);

// A server input that Qt does not list (monitors), read through parec.
std::unique_ptr<CaptureSource> MakeServerSource(const SoundInputInfo &input);

}  // namespace InputChoice
