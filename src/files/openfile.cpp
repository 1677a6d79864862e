#include "files/openfile.h"

#include "acquisition/errortable.h"
#include "platform/errors.h"
#include "platform/fileops.h"
#include "platform/paths.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <new>

namespace {
const QString kWorkingFile = QStringLiteral("c:\\tmp.wav");
}

OpenFile::OpenFile(ScopeState &st, QWidget *parent) : QDialog(parent), st_(st)
{
    setObjectName(QStringLiteral("OpenFile"));
    setWindowTitle(QStringLiteral("Открытие wav файла"));

    Browser = new FileBrowser(QStringLiteral("*.wav"), this);
    Drive1 = Browser->Drive1;
    Dir1 = Browser->Dir1;
    File1 = Browser->File1;

    Open = new QPushButton(QStringLiteral(" Открыть"), this);
    Open->setObjectName(QStringLiteral("Open"));
    Open->setDefault(true);
    Esk = new QPushButton(QStringLiteral("Отмена"), this);
    Esk->setObjectName(QStringLiteral("Esk"));

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(Open);
    buttons->addWidget(Esk);
    buttons->addStretch(1);
    auto *row = new QHBoxLayout(this);
    row->addWidget(Browser, 1);
    row->addLayout(buttons);
    resize(560, 320);

    connect(Open, &QPushButton::clicked, this, [this] { OpenAction(); });
    connect(Esk, &QPushButton::clicked, this, [this] { Esk_Click(); });
    connect(File1, &FileListBox::DblClick, this, [this] { OpenAction(); });

    Browser->Form_Load();
}

void OpenFile::Esk_Click()
{
    reject();
}

void OpenFile::OpenAction()
{
    const QString source = FileBrowser::JoinPath(File1->Path(), File1->FileName());
    const bool nothingChosen = File1->FileName().isEmpty();
    st_.FlName = kWorkingFile;

    const auto copy = [&] {
        if (nothingChosen)
            RaiseError(Err::PathNotFound);
        // FileCopy leaves a file copied onto itself (the working file chosen) as it is.
        FileOps::FileCopy(source, kWorkingFile);
    };
    if (!RunTrapped(TrapSite::OpenAction, copy))
        return;  // the dialog stays open
    accept();
}
