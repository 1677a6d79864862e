// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/demonotice.h"

#include "acquisition/captureengine.h"
#include "acquisition/mci.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPointer>

namespace {

// Keeps the notice in the top-right corner while the drawing area resizes.
class CornerKeeper : public QObject {
public:
    CornerKeeper(QLabel *label, QWidget *area) : QObject(label), label_(label), area_(area)
    {
        area->installEventFilter(this);
        place();
    }

    void place()
    {
        label_->adjustSize();
        label_->move(std::max(0, area_->width() - label_->width() - 4), 4);
        label_->raise();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == area_ && event->type() == QEvent::Resize)
            place();
        return false;
    }

private:
    QLabel *label_;
    QWidget *area_;
};

}  // namespace

QLabel *CreateDemoNotice(QWidget *drawingArea)
{
    auto *label = new QLabel(drawingArea);
    label->setObjectName(QStringLiteral("DemoNotice"));
    label->setTextFormat(Qt::PlainText);
    label->setText(QCoreApplication::translate("Capture", "Демо-генератор вместо звукового входа"));
    label->setToolTip(QCoreApplication::translate("Capture", "Звуковой вход не найден (или выбран SIGM_INPUT=demo): показаны сигналы "
                                     "встроенного генератора — 1000 Гц в 1-м канале, 250 Гц во 2-м."));
    label->setStyleSheet(QStringLiteral("QLabel { background: #ffd21f; color: black; font-weight: bold; "
                                        "border: 1px solid black; padding: 2px 6px; }"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    auto *keeper = new CornerKeeper(label, drawingArea);
    label->setVisible(CaptureEngine::Instance().InputIsDemo());
    QPointer<QLabel> notice(label);
    mciSetInputListener([notice, keeper](bool demo, const QString &) {
        if (!notice)
            return;
        keeper->place();
        notice->setVisible(demo);
    });
    return label;
}
