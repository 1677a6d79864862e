// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The menu item «Генератор» and the window it opens and closes.
#include "app/toolhost.h"

#include <QObject>
#include <QPointer>

class GeneratorWindow;

class GeneratorTool : public QObject {
    Q_OBJECT
public:
    GeneratorTool(const ToolHost &host, QObject *parent);
    QAction *MenuItem = nullptr;
    GeneratorWindow *Window() const;

private:
    void toggle();

    ToolHost host_;
    QPointer<GeneratorWindow> window_;
};
