#include "platform/messagebox.h"

#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
UiSeam::MessageHandler g_messages;
UiSeam::ModalHandler g_modals;

MsgAnswer showReal(const MsgRequest &r)
{
    QMessageBox box;
    box.setWindowTitle(r.title);
    box.setText(r.text);
    switch (r.icon) {
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::None: break;
    }
    struct B { QMessageBox::StandardButton qt; MsgAnswer answer; const char *text; };
    std::vector<B> buttons;
    switch (r.buttons) {
    case MsgButtons::OK: buttons = {{QMessageBox::Ok, MsgAnswer::OK, "OK"}}; break;
    case MsgButtons::OKCancel:
        buttons = {{QMessageBox::Ok, MsgAnswer::OK, "OK"}, {QMessageBox::Cancel, MsgAnswer::Cancel, "Отмена"}};
        break;
    case MsgButtons::AbortRetryIgnore:
        buttons = {{QMessageBox::Abort, MsgAnswer::Abort, "Прервать"},
                   {QMessageBox::Retry, MsgAnswer::Retry, "Повтор"},
                   {QMessageBox::Ignore, MsgAnswer::Ignore, "Пропустить"}};
        break;
    case MsgButtons::YesNoCancel:
        buttons = {{QMessageBox::Yes, MsgAnswer::Yes, "Да"}, {QMessageBox::No, MsgAnswer::No, "Нет"},
                   {QMessageBox::Cancel, MsgAnswer::Cancel, "Отмена"}};
        break;
    case MsgButtons::YesNo:
        buttons = {{QMessageBox::Yes, MsgAnswer::Yes, "Да"}, {QMessageBox::No, MsgAnswer::No, "Нет"}};
        break;
    case MsgButtons::RetryCancel:
        buttons = {{QMessageBox::Retry, MsgAnswer::Retry, "Повтор"}, {QMessageBox::Cancel, MsgAnswer::Cancel, "Отмена"}};
        break;
    }
    QMessageBox::StandardButtons set;
    for (const B &b : buttons)
        set |= b.qt;
    box.setStandardButtons(set);
    for (const B &b : buttons)
        box.button(b.qt)->setText(QString::fromUtf8(b.text));
    const int chosen = box.exec();
    for (const B &b : buttons)
        if (chosen == b.qt)
            return b.answer;
    // Closing the box with Escape or the title bar counts as its cancelling button.
    return buttons.size() > 1 ? buttons.back().answer : buttons.front().answer;
}
}  // namespace

MsgAnswer MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title)
{
    const MsgRequest r{text, title, buttons, icon};
    if (g_messages)
        return g_messages(r);
    return showReal(r);
}

int ShowModal(QDialog *dialog)
{
    if (g_modals)
        return g_modals(dialog);
    return dialog->exec();
}

namespace UiSeam {
void SetMessageHandler(MessageHandler handler) { g_messages = std::move(handler); }
void SetModalHandler(ModalHandler handler) { g_modals = std::move(handler); }
}  // namespace UiSeam
