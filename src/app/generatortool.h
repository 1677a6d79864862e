// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The menu items «Генератор» and «АЧХ и ФЧХ…» and the windows they open and close.
#include "app/toolhost.h"

#include <QObject>
#include <QPointer>

class GeneratorWindow;
class ResponseWindow;

class GeneratorTool : public QObject {
    Q_OBJECT
public:
    GeneratorTool(const ToolHost &host, QObject *parent);
    QAction *MenuItem = nullptr;
    QAction *ResponseItem = nullptr;
    GeneratorWindow *Window() const;
    ResponseWindow *Response() const;

private:
    void toggle();
    void showResponse();

    ToolHost host_;
    QPointer<GeneratorWindow> window_;
    QPointer<ResponseWindow> response_;
};
