// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/prhelp.h"

#include "help/browser.h"
#include "platform/settings.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PrHelp::PrHelp(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrHelp"));
    setWindowTitle(tr("Помощь Сигмалит"));
    Label1 = new QLabel(tr("   Для обучения работе с программой нажми ОК"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Check1 = new QCheckBox(tr("Не  показывать больше это окно."), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Check1);
    buttons->addStretch();
    buttons->addWidget(Command1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void PrHelp::Command1_Click()
{
    HelpPage::Open();
    accept();
}

void PrHelp::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    if (Check1->isChecked())
        SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("Setting"), QStringLiteral("help"),
                                   QStringLiteral("1"));
}

void PrHelp::done(int result)
{
    Form_Unload();
    QDialog::done(result);
}
