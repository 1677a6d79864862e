// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The about box: title, version, the program's web page and a button that
// starts the system information tool.
#include <QDialog>
#include <QUrl>

class QLabel;
class QPushButton;

namespace About {
// The title the about box and its messages carry.
QString ProductTitle();
// The program's web page: the help page that ships beside the program,
// which works without a network.
QUrl WebPage();
// Starts the system information tool found through the key store;
// tells the user when there is none or it does not start.
void StartSysInfo();
}  // namespace About

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    QLabel *picIcon, *lblTitle, *lblVersion, *lblDescription, *Label1;
    QPushButton *cmdOK, *cmdSysInfo;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void Label1_Click();
};
