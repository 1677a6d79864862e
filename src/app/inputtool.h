// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The choice of sound input: the setup menu's list of inputs, the label
// on the screen that names the input in use, and carrying capture on from
// the default input when the chosen one goes (and back when it returns).
#include "app/toolhost.h"
#include "display/screenreaders.h"

#include <QObject>
#include <QString>

class InputTool : public QObject, public ScreenReader {
    Q_OBJECT
public:
    InputTool(const ToolHost &host, QObject *parent);
    void Load();  // the stored choice

    void ChooseInput(const QString &choice);
    QString InputInUse() const;
    // A refresh failed with `error`: when that is the chosen input gone,
    // capture starts again from the default input (the user is told) and
    // true is returned.
    bool FallBackFromLostInput(int error);

    // The label follows every screen.
    void PaintOver(const ScreenFrame &f, Ris &surface) override;

    QMenu *InputMenu = nullptr;
    QLabel *InputLabel = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillInputMenu();
    // An input plugged in or out (fresh), or the watch's look (the last
    // answer will do).
    void inputsChanged(bool fresh = true);
    void showInputLabel();
    // Capture takes the input it looks up now: live capture restarts at
    // once, a stopped engine lets go of its input for the next start. A
    // recording to memory keeps its input (false).
    bool retakeInput();

    ToolHost host_;
    QString inputInUse_;
    QString chosenDescription_;  // the stored choice's name in the menu
    QString storedChoice_;  // the stored input choice, as last read or chosen
    // Capture went over to the default input because the chosen one is
    // gone: once is enough (the watch would otherwise restart it, and tell
    // the user again, every time it looks). A new choice clears it.
    bool fellBack_ = false;
};
