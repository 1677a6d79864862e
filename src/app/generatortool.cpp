// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/generatortool.h"

#include "generator/generatorwindow.h"

#include <QAction>
#include <QMenu>

GeneratorTool::GeneratorTool(const ToolHost &host, QObject *parent) : QObject(parent), host_(host)
{
    MenuItem = host_.setupMenu->addAction(tr("Генератор"));
    MenuItem->setObjectName(QStringLiteral("GeneratorMenu"));
    MenuItem->setCheckable(true);
    connect(MenuItem, &QAction::triggered, this, [this] { toggle(); });
}

GeneratorWindow *GeneratorTool::Window() const
{
    return window_.data();
}

void GeneratorTool::toggle()
{
    if (window_) {
        window_->close();
        return;
    }
    window_ = new GeneratorWindow(host_.window);
    connect(window_, &GeneratorWindow::closed, this, [this] { MenuItem->setChecked(false); });
    MenuItem->setChecked(true);
    // Beside the main window, not over its screen.
    const QRect owner = host_.window->frameGeometry();
    window_->move(owner.right() + 8, owner.top());
    window_->show();
}
