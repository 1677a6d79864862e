// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every message box and every modal window of the program passes through
// here, so tests can answer them and read back exactly what was shown.
#include <QString>
#include <functional>

class QDialog;

enum class MsgButtons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgAnswer { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MsgRequest {
    QString text;
    QString title;
    MsgButtons buttons = MsgButtons::OK;
    MsgIcon icon = MsgIcon::None;
};

MsgAnswer MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title);

// Shows a dialog modally and returns its result code (QDialog::Accepted...).
int ShowModal(QDialog *dialog);

namespace UiSeam {
using MessageHandler = std::function<MsgAnswer(const MsgRequest &)>;
using ModalHandler = std::function<int(QDialog *)>;
// An empty handler restores the real windows.
void SetMessageHandler(MessageHandler handler);
void SetModalHandler(ModalHandler handler);
}  // namespace UiSeam
