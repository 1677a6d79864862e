#pragma once
// Command-string interface to the sound device: "open c:\zvuk.wav type
// waveaudio alias Zvuk", "Record Zvuk", "Save Zvuk c:\tmp.wav", "status Zvuk
// length"... Each call returns 0 or an error number; the number's text is
// what the program shows the user.
#include <QString>

int mciSendString(const QString &command, QString *answer = nullptr);
QString mciGetErrorString(int code);
