// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/inputtool.h"

#include "acquisition/captureengine.h"
#include "acquisition/inputchoice.h"
#include "acquisition/inputwatch.h"
#include "acquisition/mci.h"
#include "app/scopestate.h"
#include "display/ris.h"
#include "platform/language.h"
#include "platform/messagebox.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTimer>

InputTool::InputTool(const ToolHost &host, QObject *parent) : QObject(parent), host_(host)
{
    InputMenu = host_.setupMenu->addMenu(tr("Звуковой вход"));
    InputMenu->setObjectName(QStringLiteral("InputMenu"));
    // Filled each time it opens, so it follows inputs plugged in or out.
    connect(InputMenu, &QMenu::aboutToShow, this, &InputTool::fillInputMenu);
    host_.surface->installEventFilter(this);
    InputLabel = new QLabel(host_.surface);
    InputLabel->setObjectName(QStringLiteral("InputLabel"));
    InputLabel->setTextFormat(Qt::PlainText);
    InputLabel->setStyleSheet(QStringLiteral("QLabel { background: rgba(255,255,255,200); color: black; "
                                             "border: 1px solid gray; padding: 1px 4px; }"));
    InputLabel->hide();
    // The engine outlives windows (tests make many): the listener checks
    // that this one still exists.
    QPointer<InputTool> self(this);
    CaptureEngine::Instance().SetInputListener([self](bool, const QString &description) {
        if (!self)
            return;
        InputTool *const tools = self;
        tools->inputInUse_ = description;
        const QString notice = CaptureEngine::Instance().TakeInputNotice();
        if (!notice.isEmpty()) {
            // Told from inside a device command: show the message once that is over.
            QTimer::singleShot(0, tools, [notice] {
                MsgBox(notice, MsgButtons::OK, MsgIcon::Exclamation, Language::AppTitle());
            });
        }
        tools->showInputLabel();
    });
    CaptureEngine::Instance().SetInputLostHandler([self](int error) {
        return self && self->FallBackFromLostInput(error);
    });
    auto *devices = new InputWatch(this);
    connect(devices, &InputWatch::InputsChanged, this, [this] {
        // An open menu shows the inputs as they are now.
        if (InputMenu->isVisible())
            fillInputMenu();
        inputsChanged();
    });
    // The sound server moves a stream whose input is removed to its default
    // input without a word: while capturing from a chosen input, look
    // whether it is still there, also when the server's word went astray.
    auto *watch = new QTimer(this);
    watch->setInterval(1500);
    connect(watch, &QTimer::timeout, this, [this] {
        if (host_.st->CaptureRunning && !storedChoice_.isEmpty())
            inputsChanged(false);
    });
    watch->start();
}

void InputTool::Load()
{
    storedChoice_ = InputChoice::Stored();
    chosenDescription_ = InputChoice::StoredDescription();
    CaptureEngine::Instance().SetPreferredInput(storedChoice_);
    showInputLabel();
}

void InputTool::PaintOver(const ScreenFrame &f, Ris &)
{
    if (f.mapValid)
        showInputLabel();
}

bool InputTool::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == host_.surface && event->type() == QEvent::Resize)
        QTimer::singleShot(0, this, [this] { showInputLabel(); });
    return false;
}

void InputTool::fillInputMenu()
{
    InputMenu->clear();
    const QString env = QString::fromLocal8Bit(qgetenv("SIGM_INPUT")).trimmed();
    const QString stored = InputChoice::Stored();
    QAction *now = InputMenu->addAction(tr("Сейчас: ") + InputChoice::MenuText(InputInUse()));
    now->setEnabled(false);
    if (!env.isEmpty()) {
        QAction *a =
            InputMenu->addAction(tr("Вход задан переменной SIGM_INPUT=") + InputChoice::MenuText(env));
        a->setEnabled(false);
    }
    InputMenu->addSeparator();
    auto *group = new QActionGroup(InputMenu);
    auto add = [&](const QString &caption, const QString &choice) {
        QAction *a = InputMenu->addAction(InputChoice::MenuText(caption));
        a->setCheckable(true);
        a->setChecked(choice == stored);
        a->setEnabled(env.isEmpty());
        a->setData(choice);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, choice] { ChooseInput(choice); });
    };
    add(tr("По умолчанию (вход звукового сервера)"), QString());
    bool storedListed = stored.isEmpty() || stored == QLatin1String(InputChoice::kDemo);
    for (const SoundInputInfo &i : InputChoice::List()) {
        add(InputChoice::Caption(i), i.name);
        storedListed = storedListed || i.name == stored;
    }
    if (!storedListed)
        add(tr("%1 (нет в системе)").arg(chosenDescription_.isEmpty() ? stored : chosenDescription_),
            stored);
    InputMenu->addSeparator();
    add(tr("Демонстрационный генератор"), QString::fromLatin1(InputChoice::kDemo));
}

void InputTool::ChooseInput(const QString &choice)
{
    InputChoice::Store(choice);
    storedChoice_ = choice;
    chosenDescription_ = InputChoice::StoredDescription();
    fellBack_ = false;
    CaptureEngine::Instance().SetPreferredInput(choice);
    retakeInput();
    showInputLabel();
}

bool InputTool::retakeInput()
{
    CaptureEngine &engine = CaptureEngine::Instance();
    if (host_.st->CaptureRunning && !host_.recordingToMemory()) {
        // Live capture goes on at once, from the input it looks up afresh.
        host_.stopCapture();
        engine.Shutdown();
        host_.startCapture();
        return true;
    }
    if (engine.Recording())
        return false;
    engine.Shutdown();
    inputInUse_.clear();
    return true;
}

namespace {
// Without `fresh`, the last look at the server will do (the watch's
// every look: a new one each time would hold the window up for it).
bool chosenInputGone(bool fresh = true)
{
    const QString choice = InputChoice::Stored();
    if (choice.isEmpty() || choice == QLatin1String(InputChoice::kDemo) || !qgetenv("SIGM_INPUT").trimmed().isEmpty())
        return false;
    for (const SoundInputInfo &i : InputChoice::List(fresh))
        if (i.name == choice)
            return false;
    return true;
}
}  // namespace

bool InputTool::FallBackFromLostInput(int error)
{
    if (error != MciErr::DeviceLost || host_.recordingToMemory() || !chosenInputGone())
        return false;
    fellBack_ = true;
    mciSendString(QStringLiteral("Close Zvuk"));
    host_.endCaptureAfterFailure();
    CaptureEngine::Instance().Shutdown();
    host_.startCapture();
    return true;
}

void InputTool::inputsChanged(bool fresh)
{
    if (fellBack_) {
        // The chosen input is back (a device plugged in again): capture
        // returns to it as if it were chosen again, the label saying so. A
        // recording to memory keeps the input it started with.
        if (chosenInputGone(fresh) || host_.recordingToMemory())
            return;
        if (retakeInput())
            fellBack_ = false;
        showInputLabel();
        return;
    }
    if (!host_.st->CaptureRunning || host_.recordingToMemory() || !chosenInputGone(fresh))
        return;
    // The chosen input went away: capture carries on from the default one
    // and the lookup tells the user so.
    fellBack_ = true;
    retakeInput();
}

QString InputTool::InputInUse() const
{
    const QString running = CaptureEngine::Instance().InputDescription();
    if (!running.isEmpty())
        return running;
    const QString stored = storedChoice_;
    if (stored.isEmpty())
        return inputInUse_.isEmpty() ? tr("по умолчанию") : tr("по умолчанию — ") + inputInUse_;
    if (stored == QLatin1String(InputChoice::kDemo))
        return tr("Демонстрационный генератор");
    return chosenDescription_.isEmpty() ? stored : chosenDescription_;
}

void InputTool::showInputLabel()
{
    // Shown once the user has chosen an input; the default stays as before.
    // (Called on every frame: the choice is kept here, not read from disk.)
    const bool chosen = !storedChoice_.isEmpty();
    InputLabel->setVisible(chosen);
    if (!chosen)
        return;
    InputLabel->setText(InputLabel->fontMetrics().elidedText(tr("Вход: ") + InputChoice::OneLine(InputInUse()),
                                                            Qt::ElideRight, std::max(40, host_.surface->width() - 20)));
    InputLabel->adjustSize();
    InputLabel->move(4, std::max(0, host_.surface->height() - InputLabel->height() - 4));
    InputLabel->raise();
}
