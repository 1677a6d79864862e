// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which sound input to look at, chosen in the window: the sound server's
// inputs including the monitors of its outputs (what the computer itself
// plays), or the demo generator. The choice is kept by the server's own
// name for the input, which stays the same from run to run.
#include "acquisition/capturesource.h"

#include <QList>
#include <QString>
#include <limits>
#include <memory>

namespace InputChoice {

inline constexpr char kDemo[] = "demo";

// The server's inputs now, monitors of its outputs included (without
// `waitForAnswer`, perhaps as of the last look: see ListSoundInputs).
QList<SoundInputInfo> List(bool waitForAnswer = true);

// The stored choice: empty = the server's default input, kDemo, or an id.
// Section "Input" of the settings, key "Source"; with it, under
// "Description", the input's name as the menu showed it, for telling the
// user about it once it is gone (the id is the server's, not a person's).
QString Stored();
QString StoredDescription();
void Store(const QString &choice);
// The menu's name for input `i`, and for input `choice` while the server
// lists it (else "").
QString Caption(const SoundInputInfo &i);
QString DescriptionOf(const QString &choice);
// Any program can name an input: its name as one line (control characters
// and line breaks become blanks) of at most `maxChars` characters, a longer
// one losing its middle; and as a menu item, of at most 100 characters and
// with '&' kept from marking a shortcut.
QString OneLine(const QString &name, int maxChars = std::numeric_limits<int>::max());
QString MenuText(const QString &name);

// The input for `choice`. A chosen input that is gone gives the default
// input and a notice for the user in *notice. nullptr with *error as
// MakeSoundInput does when there is no input at all; whether the demo
// generator may stand in is the engine's decision.
std::unique_ptr<CaptureSource> Make(const QString &choice, int *error, QString *notice);

}  // namespace InputChoice
