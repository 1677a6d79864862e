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

// Told whenever recording starts on a sound input, so the main
// window can say plainly when the demo generator stands in for a card.
void mciSetInputListener(std::function<void(bool demo, const QString &description)> listener);

// Told, from the event loop, when the input is found lost while a recording
// runs (the next device command reports it as well).
void mciSetLossListener(std::function<void()> listener);
