// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/messagebox.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

namespace {
UiSeam::MessageHandler g_messages;
UiSeam::ModalHandler g_modals;

// The window a box belongs to: the dialog or window the user is in, else
// the program's main window.
QWidget *ownerWindow()
{
    if (QWidget *w = QApplication::activeModalWidget())
        return w;
    if (QWidget *w = QApplication::activeWindow())
        return w;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->inherits("QMainWindow"))
            return w;
    return nullptr;
}

MsgAnswer showReal(const MsgRequest &r)
{
    QMessageBox box;
    box.setWindowTitle(r.title);
    // Messages carry paths, device names and error texts from outside: a
    // tag in them is text, never an image to load.
    box.setTextFormat(Qt::PlainText);
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
        buttons = {{QMessageBox::Ok, MsgAnswer::OK, "OK"}, {QMessageBox::Cancel, MsgAnswer::Cancel, QT_TRANSLATE_NOOP("MessageBox", "Отмена")}};
        break;
    case MsgButtons::AbortRetryIgnore:
        buttons = {{QMessageBox::Abort, MsgAnswer::Abort, QT_TRANSLATE_NOOP("MessageBox", "Прервать")},
                   {QMessageBox::Retry, MsgAnswer::Retry, QT_TRANSLATE_NOOP("MessageBox", "Повтор")},
                   {QMessageBox::Ignore, MsgAnswer::Ignore, QT_TRANSLATE_NOOP("MessageBox", "Пропустить")}};
        break;
    case MsgButtons::YesNoCancel:
        buttons = {{QMessageBox::Yes, MsgAnswer::Yes, QT_TRANSLATE_NOOP("MessageBox", "Да")}, {QMessageBox::No, MsgAnswer::No, QT_TRANSLATE_NOOP("MessageBox", "Нет")},
                   {QMessageBox::Cancel, MsgAnswer::Cancel, QT_TRANSLATE_NOOP("MessageBox", "Отмена")}};
        break;
    case MsgButtons::YesNo:
        buttons = {{QMessageBox::Yes, MsgAnswer::Yes, QT_TRANSLATE_NOOP("MessageBox", "Да")}, {QMessageBox::No, MsgAnswer::No, QT_TRANSLATE_NOOP("MessageBox", "Нет")}};
        break;
    case MsgButtons::RetryCancel:
        buttons = {{QMessageBox::Retry, MsgAnswer::Retry, QT_TRANSLATE_NOOP("MessageBox", "Повтор")}, {QMessageBox::Cancel, MsgAnswer::Cancel, QT_TRANSLATE_NOOP("MessageBox", "Отмена")}};
        break;
    }
    QMessageBox::StandardButtons set;
    for (const B &b : buttons)
        set |= b.qt;
    box.setStandardButtons(set);
    for (const B &b : buttons)
        box.button(b.qt)->setText(QCoreApplication::translate("MessageBox", b.text));
    // The box stands centred over the window it belongs to, and the window
    // manager keeps it with that window. It is not made that window's child:
    // a window closed while the box is up must not take the box with it.
    if (QWidget *owner = ownerWindow()) {
        box.adjustSize();
        box.move(owner->frameGeometry().center() - box.rect().center());
        box.winId();
        if (QWindow *ownerHandle = owner->window()->windowHandle())
            box.windowHandle()->setTransientParent(ownerHandle);
    }
    const int chosen = box.exec();
    for (const B &b : buttons)
        if (chosen == b.qt)
            return b.answer;
    // Closing the box with Escape or the title bar counts as its cancelling button.
    return buttons.size() > 1 ? buttons.back().answer : buttons.front().answer;
}
}  // namespace

namespace {
// A box raised from a press on a scroll bar takes the mouse release: the bar
// would go on repeating its step behind the box and raise it again and
// again. Release every pressed bar first, as if the button had come up.
void releasePressedSliders()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget *w : widgets) {
        // A bar that is not pressed ignores a release.
        auto *slider = qobject_cast<QAbstractSlider *>(w);
        if (!slider || !slider->isVisible())
            continue;
        const QPointF inside(slider->width() / 2.0, slider->height() / 2.0);
        QMouseEvent release(QEvent::MouseButtonRelease, inside, slider->mapToGlobal(inside), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(slider, &release);
    }
}
}  // namespace

MsgAnswer MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title)
{
    const MsgRequest r{text, title, buttons, icon};
    releasePressedSliders();
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
