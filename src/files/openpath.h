// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opening an oscillogram named from outside the window: the command line
// and a file dropped on the window. Both go through the same checks and
// messages as a file chosen in the open dialog.
#include <QObject>
#include <QString>

class Pribor;
class QMimeData;

namespace OpenPath {

// Opens `path` as "Открыть wav" would had the operator chosen it in the
// dialog. False when refused or failed (the reason has been shown).
bool OpenGivenFile(Pribor &window, const QString &path);

// The one local WAV file a drag carries, or an empty string.
QString DroppedWav(const QMimeData *mime);

// Lets the window take a WAV file dropped on it while opening is possible.
void AcceptDrops(Pribor &window);

}  // namespace OpenPath
