// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/savezvuk.h"

#include "platform/twips.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

SaveZvuk::SaveZvuk(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SaveZvuk"));
    setWindowTitle(tr("Индикатор запоминания"));
    setModal(false);
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(tr("Идет запись осциллограммы на диск, по истечении 1-ой минуты запись будет "
                                       "остановленна автоматически!  Для принудительной остановки нажмите любую "
                                       "клавишу!"),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 60);
    ProgressBar1->setValue(0);
    ProgressBar1->setFormat(tr("%v с"));
    Stop = new QPushButton(tr("Остановка записи осциллограммы"), this);
    Stop->setObjectName(QStringLiteral("Stop"));
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Stop);
    resize(Twips::ToPixels(5400), Twips::ToPixels(2200));
    connect(Stop, &QPushButton::clicked, this, [this] {
        if (OnStop)
            OnStop();
    });
}

void SaveZvuk::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (OnStop)
        OnStop();
}

void SaveZvuk::closeEvent(QCloseEvent *event)
{
    // Closing the window by its close box is a stop like any other: the
    // recording must not go on without its window.
    event->accept();
    if (OnStop)
        OnStop();
}

void SaveZvuk::ShowLongRecording(int lengthSeconds)
{
    // The text of the classic minute would be untrue here.
    Label1->setText(lengthSeconds > 0
                        ? tr("Идет запись осциллограммы прямо на диск, по истечении заданного времени "
                                         "запись будет остановлена автоматически.  Стоп или любая клавиша "
                                         "останавливают её раньше, всё записанное сохраняется.")
                        : tr("Идет запись осциллограммы прямо на диск до остановки.  Стоп или любая "
                                         "клавиша останавливают её, всё записанное сохраняется."));
    Label1->setTextFormat(Qt::PlainText);
    if (!Label2) {
        Label2 = new QLabel(this);
        Label2->setObjectName(QStringLiteral("Label2"));
        // Holds a path's free space only; still never read as markup.
        Label2->setTextFormat(Qt::PlainText);
        static_cast<QVBoxLayout *>(layout())->insertWidget(2, Label2);
    }
    // The bar counts seconds up to the length; until stopped it only shows
    // that the recording runs.
    ProgressBar1->setRange(0, lengthSeconds > 0 ? lengthSeconds : 0);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Stop->setText(tr("Стоп"));
}
