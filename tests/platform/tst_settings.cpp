// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/paths.h"
#include "platform/settings.h"
#include "testenv.h"
#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }

    void absentKeysYieldTheDefaultAndWriteNothing()
    {
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Interval", "1"), QStringLiteral("1"));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "help"), QString());
        QVERIFY(!QFile::exists(SettingsStore::FilePath()));
    }

    void namesCompareWithoutRegardToCase()
    {
        SettingsStore::SaveSetting("SIGM", "Setting", "VS1", "-120");
        QCOMPARE(SettingsStore::GetSetting("Sigm", "setting", "vs1", "0"), QStringLiteral("-120"));
        SettingsStore::SaveSetting("sigm", "SETTING", "Vs1", "5");
        QCOMPARE(SettingsStore::GetSetting("SIGM", "Setting", "VS1", "0"), QStringLiteral("5"));
        // Still one entry, not two.
        QFile f(SettingsStore::FilePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()).count(QStringLiteral("=")), 1);
    }

    void sectionsAndApplicationsAreSeparate()
    {
        SettingsStore::SaveSetting("Sigm", "Setting", "XPosition", "100");
        SettingsStore::SaveSetting("Sigm", "Scala", "XPosition", "200");
        SettingsStore::SaveSetting("Other", "Setting", "XPosition", "300");
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "XPosition"), QStringLiteral("100"));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Scala", "XPosition"), QStringLiteral("200"));
        QCOMPARE(SettingsStore::GetSetting("Other", "Setting", "XPosition"), QStringLiteral("300"));
    }

    void valuesSurviveVerbatim()
    {
        const QString odd = QStringLiteral(" leading blank, = sign; back\\slash\nnew line ");
        SettingsStore::SaveSetting("Sigm", "Setting", "odd", odd);
        SettingsStore::SaveSetting("Sigm", "Setting", "empty", QString());
        // Every kind of blank at either end, which reading trims off a line.
        const QString blanks[] = {QStringLiteral("\u00a0name\u00a0"), QStringLiteral("\vname\v"),
                                  QStringLiteral("\fname\f"), QStringLiteral("\t \u2003\u3000x\u202f"),
                                  QStringLiteral("\u0085\u2028\\u00a0\\")};
        for (int i = 0; i < int(std::size(blanks)); ++i)
            SettingsStore::SaveSetting("Sigm", "Setting", QStringLiteral("blank%1").arg(i), blanks[i]);
        for (int pass = 0; pass < 2; ++pass) {
            QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "odd"), odd);
            QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "empty", "dflt"), QString());
            for (int i = 0; i < int(std::size(blanks)); ++i)
                QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", QStringLiteral("blank%1").arg(i)), blanks[i]);
            SettingsStore::Reload();  // and once more as the file reads
        }
        // What earlier versions wrote reads as it did.
        QFile f(SettingsStore::FilePath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[Sigm\\Setting]\nold=\\s a\\\\b\\nc\\t\nplain = \xc2\xa0x\\u\n");
        f.close();
        SettingsStore::Reload();
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "old"), QStringLiteral("  a\\b\nc\t"));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "plain"), QStringLiteral("xu"));
    }

    void aDamagedFileReadsAsDefaults()
    {
        QFile f(SettingsStore::FilePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("garbage without sections\n=x\n[Sigm\\Setting]\nno equals sign\nInterval=3\n");
        f.close();
        SettingsStore::Reload();
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Interval", "1"), QStringLiteral("3"));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Stereo", "True"), QStringLiteral("True"));
    }

    void handEditedAndHostileFiles()
    {
        auto writeFile = [](const QByteArray &bytes) {
            QFile::remove(SettingsStore::FilePath());
            QFile f(SettingsStore::FilePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
            f.close();
            SettingsStore::Reload();
        };
        auto fileText = [] {
            QFile f(SettingsStore::FilePath());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };

        // Blanks around "=" and the value are not part of it; CRLF and a
        // byte-order mark are read too.
        const QByteArray edited = "\xEF\xBB\xBF; written by hand\r\n[ Sigm\\Setting ]\r\n"
                                  "Stereo = True \r\n\tInterval\t=\t3\r\n# not a key\r\n"
                                  "Foreign = kept \\ as is\r\n\r\n[Other\\Prog]\r\nx = \xFF\xFE raw\r\n";
        writeFile(edited);
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Stereo"), QStringLiteral("True"));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Interval"), QStringLiteral("3"));
        // Writing changes its own line and keeps every other line as it was
        // (line ends become plain LF).
        SettingsStore::SaveSetting("Sigm", "Setting", "Interval", "5");
        SettingsStore::SaveSetting("Sigm", "Setting", "RasTime", "7");
        SettingsStore::SaveSetting("Sigm", "Scala", "Nach", "9");
        QCOMPARE(fileText(), QByteArray("; written by hand\n[ Sigm\\Setting ]\nStereo = True \nInterval=5\n"
                                        "# not a key\nForeign = kept \\ as is\nRasTime=7\n\n[Other\\Prog]\n"
                                        "x = \xFF\xFE raw\n\n[Sigm\\Scala]\nNach=9\n"));
        SettingsStore::Reload();
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "RasTime"), QStringLiteral("7"));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Scala", "nach"), QStringLiteral("9"));

        // Read once per start: changes made behind the program's back are
        // not seen until it starts again (Reload stands for that).
        writeFile("[Sigm\\Setting]\nInterval=4\n");
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Interval"), QStringLiteral("4"));
        {
            QFile f(SettingsStore::FilePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Sigm\\Setting]\nInterval=6\n");
        }
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Interval"), QStringLiteral("4"));

        // A FIFO, a directory or an endless device in the file's place: read
        // as no file, never blocking, and never written to or replaced.
        const QString path = SettingsStore::FilePath();
        QFile::remove(path);
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        const QString zero = QFileInfo(path).absolutePath() + "/zero.ini";
        QVERIFY(QFile::link("/dev/zero", zero));
        const QString folder = QFileInfo(path).absolutePath() + "/folder.ini";
        QVERIFY(QDir().mkpath(folder));
        for (const QString &p : {path, zero, folder}) {
            SettingsStore::SetFilePath(p);
            QElapsedTimer t;
            t.start();
            QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Stereo", "True"), QStringLiteral("True"));
            SettingsStore::SaveSetting("Sigm", "Setting", "Stereo", "False");
            QVERIFY(t.elapsed() < 2000);
        }
        SettingsStore::SetFilePath(path);
        QVERIFY(QFileInfo(path).exists() && !QFileInfo(path).isFile());
        QVERIFY(QFileInfo(zero).isSymLink());
        QVERIFY(QFileInfo(folder).isDir());
        QFile::remove(path);
        QFile::remove(zero);
        QDir(folder).removeRecursively();
        SettingsStore::Reload();
    }
};

class PathsTest : public QObject {
    Q_OBJECT
private slots:
    void driveRootMapsIntoTheWorkingFolder()
    {
        QCOMPARE(Paths::MapPath("c:\\tmp.wav"), Paths::WorkingFolder() + "/tmp.wav");
        QCOMPARE(Paths::MapPath("C:\\zvuk.wav"), Paths::WorkingFolder() + "/zvuk.wav");
        QCOMPARE(Paths::WorkingFile(), Paths::WorkingFolder() + "/tmp.wav");
        QCOMPARE(Paths::RecordingFile(), Paths::WorkingFolder() + "/zvuk.wav");
        QCOMPARE(Paths::MapPath("/home/u/a.wav"), QStringLiteral("/home/u/a.wav"));
        QCOMPARE(Paths::MapPath(Paths::ProgramFolder() + "\\Sound\\sigm-8-16-stereo.wav"),
                 Paths::ProgramFolder() + "/Sound/sigm-8-16-stereo.wav");
    }

    void programFolderHoldsTheTemplates()
    {
        for (const char *rate : {"8", "16", "32", "44", "48"})
            for (const char *ch : {"stereo", "mono"})
                QVERIFY2(QFileInfo::exists(Paths::ProgramFolder() + QStringLiteral("/Sound/sigm-%1-16-%2.wav").arg(rate, ch)),
                         rate);
    }

    void memFolderIsCreatedOnFirstUse()
    {
        const QString mem = TestEnv::Root() + "/elsewhere/Mem";
        Paths::SetMemFolder(mem);
        QVERIFY(!QFileInfo::exists(mem));
        QCOMPARE(Paths::MemFolder(), mem);
        QVERIFY(QFileInfo(mem).isDir());
        Paths::SetMemFolder(TestEnv::Root() + "/program/Mem");
    }
};

SIGM_TEST(SettingsTest)
SIGM_TEST(PathsTest)
#include "tst_settings.moc"
