// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command-string interface to the sound device: "open c:\zvuk.wav type
// waveaudio alias Zvuk", "Record Zvuk", "Save Zvuk c:\tmp.wav", "status Zvuk
// length"... Each call returns 0 or an error number; the number's text is
// what the program shows the user.
#include "platform/mcierr.h"

#include <QString>
#include <functional>

int mciSendString(const QString &command, QString *answer = nullptr);
QString mciGetErrorString(int code);

// "Record A from 0 to N notify" starts as "… wait" does but returns at once;
// `done` is told from the event loop with 0 once the recording holds its
// N ms, or with the failure that ended it, and not at all when the device
// records anew or is closed first. Other commands run as mciSendString.
int mciSendNotify(const QString &command, std::function<void(int error)> done);

// Told whenever recording starts on a sound input, so the main
// window can say plainly when the demo generator stands in for a card.
void mciSetInputListener(std::function<void(bool demo, const QString &description)> listener);

// Told, from the event loop, when the input is found lost while a recording
// runs (the next device command reports it as well).
void mciSetLossListener(std::function<void()> listener);
