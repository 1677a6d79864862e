// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The start-up hint: offers the help page until the user ticks the box
// that hides it for good.
#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

class PrHelp : public QDialog {
    Q_OBJECT
public:
    explicit PrHelp(QWidget *parent = nullptr);

    QLabel *Label1;
    QCheckBox *Check1;
    QPushButton *Command1;

    void Command1_Click();
    // Runs once however the window closes (its button or its close box).
    void Form_Unload();

    void done(int result) override;

private:
    bool unloaded_ = false;
};
