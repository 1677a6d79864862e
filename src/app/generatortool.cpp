// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/generatortool.h"

#include "acquisition/inputchoice.h"
#include "generator/generatorwindow.h"
#include "generator/responsewindow.h"

#include <QAction>
#include <QMenu>

GeneratorTool::GeneratorTool(const ToolHost &host, QObject *parent) : QObject(parent), host_(host)
{
    MenuItem = host_.setupMenu->addAction(tr("Генератор"));
    MenuItem->setObjectName(QStringLiteral("GeneratorMenu"));
    MenuItem->setCheckable(true);
    connect(MenuItem, &QAction::triggered, this, [this] { toggle(); });
    ResponseItem = host_.setupMenu->addAction(tr("АЧХ и ФЧХ…"));
    ResponseItem->setObjectName(QStringLiteral("ResponseMenu"));
    connect(ResponseItem, &QAction::triggered, this, [this] { showResponse(); });
}

ResponseWindow *GeneratorTool::Response() const
{
    return response_.data();
}

void GeneratorTool::showResponse()
{
    if (!response_) {
        // The measurement plays through a stream of its own: the generator's
        // tones would add to its steps.
        if (window_)
            window_->close();
        response_ = new ResponseWindow(host_.window, InputChoice::Stored());
        const QRect owner = host_.window->frameGeometry();
        response_->move(owner.left() + 40, owner.top() + 40);
    }
    response_->show();
    response_->raise();
    response_->activateWindow();
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
    connect(window_, &GeneratorWindow::responseWanted, this, [this] { showResponse(); });
    MenuItem->setChecked(true);
    // Beside the main window, not over its screen.
    const QRect owner = host_.window->frameGeometry();
    window_->move(owner.right() + 8, owner.top());
    window_->show();
}
