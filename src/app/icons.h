// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>

// Pictures of the front-panel buttons, drawn in code so the program needs no
// image files: "open", "save", "print", "stop", "memory", "run".
QIcon PanelIcon(const QString &name);
