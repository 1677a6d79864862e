// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pribor.h"
#include "files/savefile.h"
#include "platform/errors.h"
#include "platform/errortable.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "testenv.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The working file holds a real oscillogram, as after opening one.
QByteArray putWorkingFile()
{
    const QByteArray bytes = readAll(Paths::ProgramFolder() + "/Sound/sigm-8-16-stereo.wav");
    write(Paths::WorkingFile(), bytes);
    return bytes;
}

QString mem(const QString &name)
{
    return Paths::MemFolder() + QLatin1Char('/') + name;
}

// Types a name in the dialog and presses "Сохранить".
void saveAs(SaveFile &dialog, const QString &name)
{
    dialog.Text1->setText(name);
    QTest::mouseClick(dialog.SaveFl, Qt::LeftButton);
}

}  // namespace

class SaveTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TestEnv::Reset();
        QDir m(Paths::MemFolder());
        for (const QString &f : m.entryList(QDir::Files))
            m.remove(f);
    }

    void emptyNameIsRefusedAndNothingWritten()
    {
        putWorkingFile();
        ScriptedMessages messages;
        SaveFile dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Сохранение осциллограммы"));
        saveAs(dialog, QString());
        QCOMPARE(messages.Texts(), QStringList{QStringLiteral("Не задано имя файла для сохранения!")});
        QCOMPARE(messages.Shown()[0].icon, MsgIcon::Critical);
        QCOMPARE(messages.Shown()[0].title, QStringLiteral("Сигмалит"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(QDir(Paths::MemFolder()).entryList(QDir::Files).isEmpty());
    }

    void namesGetTheExtensionOnlyWithoutLowercaseWav()
    {
        const QByteArray bytes = putWorkingFile();
        const struct {
            const char *typed, *saved;
        } cases[] = {{"test", "test.wav"}, {"test.wav", "test.wav"}, {"test.WAV", "test.WAV.wav"}, {"testwav", "testwav"}};
        ScriptedMessages messages;
        for (const auto &c : cases) {
            QFile::remove(mem(c.saved));
            SaveFile dialog;
            saveAs(dialog, c.typed);
            QCOMPARE(dialog.Text1->text(), QString::fromUtf8(c.saved));
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(readAll(mem(c.saved)), bytes);
        }
        QVERIFY(messages.Shown().empty());
        QCOMPARE(QDir(Paths::MemFolder()).entryList(QDir::Files).size(), 3);
        QVERIFY(QFileInfo(mem("test.wav")).permissions() & QFile::ReadOther);
    }

    void existingFileIsReplacedSilently()
    {
        const QByteArray bytes = putWorkingFile();
        write(mem("old.wav"), QByteArray(100000, 'x'));
        ScriptedMessages messages;
        SaveFile dialog;
        saveAs(dialog, "old.wav");
        QVERIFY(messages.Shown().empty());
        QCOMPARE(readAll(mem("old.wav")), bytes);
        // No temporary file is left beside it.
        QCOMPARE(QDir(Paths::MemFolder()).entryList(QDir::Files), QStringList{"old.wav"});
    }

    void clickingAFileTakesOverFolderAndName()
    {
        const QByteArray bytes = putWorkingFile();
        QDir(Paths::MemFolder()).mkpath("sub");
        write(mem("sub/earlier.wav"), "x");
        SaveFile dialog;
        dialog.Dir1->SetPath(mem("sub"));
        QVERIFY(dialog.File1->SelectFile("earlier.wav"));
        QCOMPARE(dialog.SaveFolder, mem("sub/"));
        QCOMPARE(dialog.Text1->text(), QStringLiteral("earlier.wav"));
        ScriptedMessages messages;
        QTest::mouseClick(dialog.SaveFl, Qt::LeftButton);
        QVERIFY(messages.Shown().empty());
        QCOMPARE(readAll(mem("sub/earlier.wav")), bytes);
        // A root folder keeps its single separator.
        dialog.Dir1->SetPath("/");
        dialog.File1_Click();
        QCOMPARE(dialog.SaveFolder, QStringLiteral("/"));
    }

    void missingWorkingFileIsReportedAndTheDialogStays()
    {
        QFile::remove(Paths::WorkingFile());
        ScriptedMessages messages;
        SaveFile dialog;
        saveAs(dialog, "lost");
        QCOMPARE(messages.Texts(), QStringList{QStringLiteral("Не предвиденная ошибка   № 53")});
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(mem("lost.wav")));
    }

    void saveCommandShowsTheDialogModally()
    {
        const QByteArray bytes = putWorkingFile();
        Pribor w;
        QString caption;
        UiSeam::SetModalHandler([&](QDialog *d) {
            caption = d->windowTitle();
            if (auto *save = qobject_cast<SaveFile *>(d))
                saveAs(*save, "from-menu");
            return d->result();
        });
        w.SaveWav_Click();
        UiSeam::SetModalHandler({});
        QCOMPARE(caption, QStringLiteral("Сохранение осциллограммы"));
        QCOMPARE(readAll(mem("from-menu.wav")), bytes);
    }

    void trapMessagesNameTheFolder()
    {
        const QString folder = QStringLiteral("/media/disk/");
        ScriptedMessages messages;
        messages.Answer(MsgAnswer::Retry);
        QCOMPARE(ReportFileError(TrapSite::Save, Err::FileAlreadyOpen, folder), TrapAction::Retry);
        QCOMPARE(ReportFileError(TrapSite::Save, Err::DeviceIO, folder), TrapAction::End);
        QCOMPARE(ReportFileError(TrapSite::Save, Err::DiskNotReady, folder), TrapAction::End);
        QCOMPARE(ReportFileError(TrapSite::Save, Err::PermissionDenied, folder), TrapAction::End);
        QCOMPARE(ReportFileError(TrapSite::Save, Err::PathNotFound, folder), TrapAction::End);
        QCOMPARE(ReportFileError(TrapSite::Save, Err::OutOfMemory, folder), TrapAction::Continue);
        QCOMPARE(ReportFileError(TrapSite::Save, Err::DiskFull, folder), TrapAction::End);
        QCOMPARE(messages.Texts(),
                 (QStringList{"Ошибка совместного доступа к файлу /media/disk/",
                              "Ошибка чтения файла /media/disk/\r\n(ошибка устройства ввода/вывода)",
                              "Файл /media/disk/ не доступен!\r\n       Диск не готов!",
                              "У вас нет прав для работы с данным файлом или он занят другим процессом!",
                              "Не задано имя файла для сохранения!",
                              "Ошибка при обращении к страницам памяти, выгрузите резидентные программы!",
                              "Не предвиденная ошибка   № 61"}));
        QCOMPARE(messages.Shown()[0].buttons, MsgButtons::RetryCancel);
        QCOMPARE(messages.Shown()[3].buttons, MsgButtons::OK);
        for (const MsgRequest &r : messages.Shown()) {
            QCOMPARE(r.icon, MsgIcon::Critical);
            QCOMPARE(r.title, QStringLiteral("Сигмалит"));
        }
    }

    void failedCopyKeepsTheOldFile()
    {
        write(mem("kept.wav"), "old contents");
        // A folder where the file should be: the copy cannot replace it.
        QDir(Paths::MemFolder()).mkpath("blocked.wav");
        QVERIFY_THROWS_EXCEPTION(VbError, SaveRules::CopyReplacing(Paths::ProgramFolder() + "/nothing.wav", mem("kept.wav")));
        QCOMPARE(readAll(mem("kept.wav")), QByteArray("old contents"));
        putWorkingFile();
        ScriptedMessages messages;
        SaveFile dialog;
        saveAs(dialog, "blocked.wav");
        QCOMPARE(messages.Shown().size(), size_t(1));
        QVERIFY2(messages.Texts()[0].startsWith(QStringLiteral("Не предвиденная ошибка   № ")), qPrintable(messages.Texts()[0]));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(QFileInfo(mem("blocked.wav")).isDir());
        QDir(Paths::MemFolder()).rmdir("blocked.wav");
    }

    void aMoveRenamesOnOneDiskAndCopiesWholeOrNotAtAllAcross()
    {
        const QByteArray bytes(3 << 20, 'x');
        const auto entries = [] { return QDir(Paths::MemFolder()).entryList(QDir::Files | QDir::Hidden); };
        // One disk: a rename, no copying at all, the old file replaced.
        const QString near = Paths::WorkingFolder() + "/zapis-1.wav";
        write(near, bytes);
        write(mem("kept.wav"), "old contents");
        struct stat source {}, target {};
        QCOMPARE(::stat(QFile::encodeName(near).constData(), &source), 0);
        int told = 0;
        const auto count = [&told](qint64, qint64) { ++told; return true; };
        QVERIFY(SaveRules::MoveReplacing(near, mem("kept.wav"), count));
        QCOMPARE(::stat(QFile::encodeName(mem("kept.wav")).constData(), &target), 0);
        if (source.st_dev == target.st_dev) {
            QCOMPARE(target.st_ino, source.st_ino);
            QCOMPARE(told, 0);
        }
        QVERIFY(!QFile::exists(near));

        // Across disks: a copy with progress; cancelled, nothing changes and
        // nothing half-written is left.
        QTemporaryDir other(QStringLiteral("/dev/shm/sigm-save-XXXXXX"));
        QVERIFY(other.isValid());
        const QString far = other.path() + "/zapis-2.wav";
        write(far, bytes + "tail");
        struct stat farStat {};
        QCOMPARE(::stat(QFile::encodeName(far).constData(), &farStat), 0);
        if (farStat.st_dev == target.st_dev)
            QSKIP("/dev/shm is on the same disk here");
        const QStringList before = entries();
        told = 0;
        QVERIFY(!SaveRules::MoveReplacing(far, mem("kept.wav"), [&told](qint64 done, qint64 total) {
            ++told;
            return done < total / 2;
        }));
        QVERIFY(told > 1);
        QCOMPARE(readAll(mem("kept.wav")), bytes);
        QCOMPARE(entries(), before);
        QVERIFY(QFile::exists(far));
        qint64 last = -1, whole = 0;
        bool onward = true;
        QVERIFY(SaveRules::MoveReplacing(far, mem("kept.wav"), [&](qint64 done, qint64 total) {
            onward = onward && done > last;
            last = done;
            whole = total;
            return true;
        }));
        QVERIFY(onward);
        QCOMPARE(whole, qint64(bytes.size() + 4));
        QCOMPARE(readAll(mem("kept.wav")), bytes + "tail");
        QVERIFY(!QFile::exists(far));
        QCOMPARE(entries(), before);
    }
};
SIGM_TEST(SaveTest)

#include "tst_save.moc"
