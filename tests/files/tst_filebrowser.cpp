// SPDX-License-Identifier: GPL-3.0-or-later
// The browsing lists both file dialogs share: where they start, how the
// lists follow each other, and an unreadable volume.
#include "files/filebrowser.h"
#include "platform/paths.h"
#include "testenv.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTemporaryDir>

namespace {

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

QStringList listed(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text().trimmed();
    return out;
}

}  // namespace

class FileBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        FileBrowser::SetVolumeSource({});
        FileBrowser::SetAccessCheck({});
    }

    void startsInMemAndListsOnlyWaveFilesThere()
    {
        QTemporaryDir mem;
        Paths::SetMemFolder(mem.path());
        touch(mem.path() + "/b.wav");
        touch(mem.path() + "/A.WAV");
        touch(mem.path() + "/notes.txt");
        QDir(mem.path()).mkdir("sub");

        FileBrowser open(QStringLiteral("*.wav"));
        open.Form_Load();
        QCOMPARE(open.Dir1->Path(), QDir(mem.path()).absolutePath());
        QCOMPARE(open.File1->Path(), open.Dir1->Path());
        QCOMPARE(listed(open.File1), (QStringList{"A.WAV", "b.wav"}));
        QCOMPARE(open.File1->FileName(), QString());
        QCOMPARE(open.Drive1->Drive(), open.Drive1->VolumeOf(mem.path()));
        // The folder list shows the way down to Mem, then Mem's folders.
        QCOMPARE(open.Dir1->PathAt(0), QStringLiteral("/"));
        QCOMPARE(open.Dir1->PathAt(open.Dir1->count() - 1), QDir(mem.path()).absolutePath() + "/sub");

        FileBrowser save{QString()};
        save.Form_Load();
        QCOMPARE(listed(save.File1), (QStringList{"A.WAV", "b.wav", "notes.txt"}));

        // Entering a folder moves the file list with it.
        emit open.Dir1->itemActivated(open.Dir1->item(open.Dir1->count() - 1));
        QCOMPARE(open.Dir1->Path(), QDir(mem.path()).absolutePath() + "/sub");
        QCOMPARE(open.File1->Path(), open.Dir1->Path());
        QVERIFY(listed(open.File1).isEmpty());
        Paths::SetMemFolder(TestEnv::Root() + "/program/Mem");
    }

    void aMissingMemFolderIsCreated()
    {
        QTemporaryDir root;
        const QString mem = root.path() + "/program/Mem";
        Paths::SetMemFolder(mem);
        FileBrowser b(QStringLiteral("*.wav"));
        b.Form_Load();
        QVERIFY(QFileInfo(mem).isDir());
        QCOMPARE(b.Dir1->Path(), QDir(mem).absolutePath());
        Paths::SetMemFolder(TestEnv::Root() + "/program/Mem");
    }

    void choosingAReadableDriveMovesBothLists()
    {
        QTemporaryDir volume;
        touch(volume.path() + "/on-the-stick.wav");
        FileBrowser::SetVolumeSource([&] { return QStringList{"/", volume.path()}; });
        ScriptedMessages box;
        FileBrowser b(QStringLiteral("*.wav"));
        b.Form_Load();
        b.Drive1->SetDrive(volume.path());
        QVERIFY(box.Shown().empty());
        QCOMPARE(b.Dir1->Path(), volume.path());
        QCOMPARE(b.File1->Path(), volume.path());
        QCOMPARE(listed(b.File1), QStringList{"on-the-stick.wav"});
    }

    void anUnreadableDriveAsksAndCancelPutsBothListsBack()
    {
        QTemporaryDir volume;
        FileBrowser::SetVolumeSource([&] { return QStringList{"/", volume.path()}; });
        FileBrowser::SetAccessCheck([&](const QString &folder) { return folder != volume.path(); });
        ScriptedMessages box;
        box.Answer(MsgAnswer::Retry);
        box.Answer(MsgAnswer::Cancel);
        FileBrowser b(QStringLiteral("*.wav"));
        b.Form_Load();
        const QString before = b.Dir1->Path();
        const QString drive = b.Drive1->Drive();
        b.Drive1->SetDrive(volume.path());

        QCOMPARE(box.Shown().size(), size_t(2));  // Retry asked again
        const MsgRequest &r = box.Shown()[0];
        QCOMPARE(r.text, "    Нет доступа к  " + volume.path() + "/\r\nУстройство не готово!");
        QCOMPARE(r.title, QStringLiteral("Kofra-Text"));
        QCOMPARE(r.buttons, MsgButtons::RetryCancel);
        QCOMPARE(r.icon, MsgIcon::Critical);
        QCOMPARE(b.Dir1->Path(), before);
        QCOMPARE(b.File1->Path(), before);
        QCOMPARE(b.Drive1->Drive(), drive);
    }

    void retryReachesTheDriveOnceItIsReady()
    {
        QTemporaryDir volume;
        bool ready = false;
        FileBrowser::SetVolumeSource([&] { return QStringList{"/", volume.path()}; });
        FileBrowser::SetAccessCheck([&](const QString &folder) { return folder != volume.path() || ready; });
        ScriptedMessages box;
        UiSeam::SetMessageHandler([&](const MsgRequest &) {
            ready = true;  // the operator inserts the medium, then presses Retry
            return MsgAnswer::Retry;
        });
        FileBrowser b(QStringLiteral("*.wav"));
        b.Form_Load();
        b.Drive1->SetDrive(volume.path());
        QCOMPARE(b.Dir1->Path(), volume.path());
        QVERIFY(ready);
    }
};

SIGM_TEST(FileBrowserTest)
#include "tst_filebrowser.moc"
