// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/savefile.h"

#include "platform/errors.h"
#include "platform/errortable.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <cerrno>
#include <cstdio>
#include <new>

namespace {

const QString kWorkingFile = QStringLiteral("c:\\tmp.wav");

[[noreturn]] void raiseFileError(const QFileDevice &file, int errnoValue)
{
    const int number = ErrorNumberFromFileError(file.error(), errnoValue);
    RaiseError(number == 0 ? Err::DeviceIO : number);
}

}  // namespace

namespace SaveRules {

QString WithWavExtension(const QString &name)
{
    if (name.right(3) == QLatin1String("wav"))
        return name;
    return name + QStringLiteral(".wav");
}

void CopyReplacing(const QString &from, const QString &to)
{
    QFile in(from);
    errno = 0;
    if (!in.open(QIODevice::ReadOnly))
        raiseFileError(in, errno);
    // A folder of that name cannot be replaced by a file.
    if (QFileInfo(to).isDir())
        RaiseError(Err::PathFileAccess);
    QSaveFile out(to);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly))
        raiseFileError(out, errno);
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        errno = 0;
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            raiseFileError(in, errno);
        if (n == 0)
            break;
        errno = 0;
        if (out.write(buffer.constData(), n) != n) {
            const int e = errno;
            out.cancelWriting();
            raiseFileError(out, e);
        }
    }
    errno = 0;
    if (!out.commit())
        raiseFileError(out, errno);
}

bool MoveReplacing(const QString &from, const QString &to,
                   const std::function<bool(qint64 done, qint64 total)> &progress)
{
    if (QFileInfo(to).isDir())
        RaiseError(Err::PathFileAccess);
    errno = 0;
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    if (errno != EXDEV) {
        const int e = errno;
        QFile in(from);
        if (!in.exists())
            RaiseError(Err::FileNotFound);
        const int number = ErrorNumberFromFileError(QFileDevice::RenameError, e);
        RaiseError(number == 0 ? Err::DeviceIO : number);
    }
    QFile in(from);
    errno = 0;
    if (!in.open(QIODevice::ReadOnly))
        raiseFileError(in, errno);
    QSaveFile out(to);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly))
        raiseFileError(out, errno);
    const qint64 total = in.size();
    qint64 done = 0;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        if (progress && !progress(done, total)) {
            out.cancelWriting();
            return false;
        }
        errno = 0;
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) {
            const int e = errno;
            out.cancelWriting();
            raiseFileError(in, e);
        }
        if (n == 0)
            break;
        errno = 0;
        if (out.write(buffer.constData(), n) != n) {
            const int e = errno;
            out.cancelWriting();
            raiseFileError(out, e);
        }
        done += n;
    }
    errno = 0;
    if (!out.commit())
        raiseFileError(out, errno);
    // The copy is whole and in place: only now may the original go.
    in.close();
    QFile::remove(from);
    return true;
}

}  // namespace SaveRules

SaveFile::SaveFile(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SaveFile"));
    setWindowTitle(tr("Сохранение осциллограммы"));

    Browser = new FileBrowser(QString(), this);
    Drive1 = Browser->Drive1;
    Dir1 = Browser->Dir1;
    File1 = Browser->File1;

    Label1 = new QLabel(tr("Имя файла:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Label1->setBuddy(Text1);
    SaveFl = new QPushButton(tr("Сохранить"), this);
    SaveFl->setObjectName(QStringLiteral("SaveFl"));
    SaveFl->setDefault(true);

    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(Label1);
    nameRow->addWidget(Text1, 1);
    nameRow->addWidget(SaveFl);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addWidget(Browser, 1);
    resize(560, 340);

    connect(File1, &FileListBox::Click, this, [this] { File1_Click(); });
    connect(SaveFl, &QPushButton::clicked, this, [this] { SaveFl_Click(); });

    Browser->Form_Load();
    Text1->setFocus();
}

void SaveFile::SetSource(const QString &path, bool move)
{
    source_ = path;
    move_ = move;
}

void SaveFile::File1_Click()
{
    SaveFolder = FileBrowser::WithSeparator(File1->Path());
    if (!File1->FileName().isEmpty())
        Text1->setText(File1->FileName());
}

void SaveFile::SaveFl_Click()
{
    // The steps of the action; the trap repeats one (Retry), goes on with
    // the next one (out of memory) or ends the action with the dialog open.
    enum Step { TakeFolder, CheckName, AddExtension, Copy, Unload, Done };
    int step = TakeFolder;
    while (step != Done) {
        int number = 0;
        try {
            switch (step) {
            case TakeFolder:
                SaveFolder = FileBrowser::WithSeparator(File1->Path());
                break;
            case CheckName:
                if (Text1->text().isEmpty()) {
                    MsgBox(tr("Не задано имя файла для сохранения!"), MsgButtons::OK, MsgIcon::Critical,
                           Language::AppTitle());
                    return;
                }
                break;
            case AddExtension:
                Text1->setText(SaveRules::WithWavExtension(Text1->text()));
                break;
            case Copy: {
                const QString from = source_.isEmpty() ? Paths::MapPath(kWorkingFile) : source_;
                const QString to = SaveFolder + Text1->text();
                if (!move_) {
                    SaveRules::CopyReplacing(from, to);
                } else {
                    // Shown only when the move turns out to be a long copy.
                    QProgressDialog copying(tr("Осциллограмма копируется на другой диск..."),
                                            tr("Отмена"), 0, 1000, this);
                    copying.setWindowTitle(Language::AppTitle());
                    copying.setWindowModality(Qt::WindowModal);
                    copying.setMinimumDuration(500);
                    const bool moved = SaveRules::MoveReplacing(from, to, [&copying](qint64 done, qint64 total) {
                        copying.setValue(total > 0 ? int(done * 1000 / total) : 0);
                        return !copying.wasCanceled();
                    });
                    if (!moved)
                        return;  // cancelled: nothing changed, the dialog stays
                }
                SavedPath = to;
                break;
            }
            case Unload:
                accept();
                break;
            }
            ++step;
            continue;
        } catch (const VbError &e) {
            number = e.Number;
        } catch (const std::bad_alloc &) {
            number = Err::OutOfMemory;
        }
        switch (ReportFileError(TrapSite::Save, number, SaveFolder)) {
        case TrapAction::Retry: break;
        case TrapAction::Continue: ++step; break;
        case TrapAction::End: return;
        }
    }
}
