// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/openfile.h"

#include "platform/errors.h"
#include "platform/errortable.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/wavfile.h"

#include "files/wavlayout.h"
#include "files/workingcopy.h"
#include "platform/language.h"
#include "platform/messagebox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>
#include <new>

namespace {
const QString kWorkingFile = QStringLiteral("c:\\tmp.wav");
}

OpenFile::OpenFile(ScopeState &st, QWidget *parent) : QDialog(parent), st_(st)
{
    setObjectName(QStringLiteral("OpenFile"));
    setWindowTitle(tr("Открытие wav файла"));

    Browser = new FileBrowser(QStringLiteral("*.wav"), this);
    Drive1 = Browser->Drive1;
    Dir1 = Browser->Dir1;
    File1 = Browser->File1;

    Open = new QPushButton(tr(" Открыть"), this);
    Open->setObjectName(QStringLiteral("Open"));
    Open->setDefault(true);
    Esk = new QPushButton(tr("Отмена"), this);
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
    if (File1->FileName().isEmpty()) {
        RunTrapped(TrapSite::OpenAction, [] { RaiseError(Err::PathNotFound); });
        return;  // the dialog stays open
    }
    const QString source = FileBrowser::JoinPath(File1->Path(), File1->FileName());
    // A real folder's path is taken as it is: a backslash is a letter in a
    // file name here.
    const QString path = source.startsWith(QLatin1Char('/')) ? source : Paths::MapPath(source);
    QString shown;
    if (!OpenCheck::PrepareWorkingFile(this, path, &shown))
        return;
    st_.FlName = shown;
    ChosenPath = path;
    accept();
}

namespace OpenCheck {

bool PrepareWorkingFile(QWidget *parent, const QString &source, QString *shown)
{
    *shown = kWorkingFile;
    WavLayout::Layout layout;
    WavLayout::Verdict verdict = WavLayout::InspectFile(source, &layout);
    // The sound device reads the same file when it is shown: what it would
    // refuse is refused now, while the working file is still intact.
    if (verdict == WavLayout::Verdict::Ok && ReadWavInfo(source, nullptr) != 0)
        verdict = WavLayout::Verdict::NotWav;
    if (verdict != WavLayout::Verdict::Ok) {
        MsgBox(WavLayout::Message(verdict, QFileInfo(source).fileName(), layout), MsgButtons::OK,
               verdict == WavLayout::Verdict::NotSixteenBit ? MsgIcon::None : MsgIcon::Exclamation,
               Language::AppTitle());
        return false;
    }

    // Hours of recording are not copied to be looked at: minutes of
    // waiting and as much again of the disk. Such a file is read where it
    // lies (nothing this program writes goes to the file shown) and saved
    // from there.
    if (const QFileInfo info(source); info.isFile() && info.size() >= kShownInPlaceBytes) {
        *shown = info.absoluteFilePath();
        return true;
    }

    // A long copy (a big file, a slow disk) shows its progress after half a
    // second and can be cancelled; the window keeps answering meanwhile.
    // Until the progress shows, it repaints and its timers run, but what
    // the user does waits for the copy, as before.
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QProgressDialog> window;
    const auto progress = [&](int64_t done, int64_t total) {
        if (!window && clock.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!window && clock.elapsed() >= 500) {
            window = std::make_unique<QProgressDialog>(QCoreApplication::translate("OpenFile", "Копирование осциллограммы…"),
                                                       QCoreApplication::translate("OpenFile", "Отмена"), 0, 1000, parent);
            window->setWindowTitle(Language::AppTitle());
            window->setWindowModality(Qt::ApplicationModal);
            window->setMinimumDuration(0);
            window->show();
        }
        if (window) {
            window->setValue(total > 0 ? int(done * 1000 / total) : 1000);
            QCoreApplication::processEvents();
            if (window->wasCanceled())
                return false;
        }
        return true;
    };
    bool complete = false;
    const QString working = Paths::MapPath(kWorkingFile);
    if (!RunTrapped(TrapSite::OpenAction, [&] { complete = WorkingCopy::Copy(source, working, progress); }))
        return false;
    return complete;
}

}  // namespace OpenCheck
