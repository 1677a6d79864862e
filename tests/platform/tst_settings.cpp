// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/paths.h"
#include "platform/settings.h"
#include "testenv.h"
#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {
QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ino_t inodeOf(const QString &path)
{
    struct stat sb {};
    return ::stat(QFile::encodeName(path).constData(), &sb) == 0 ? sb.st_ino : 0;
}
}  // namespace

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

    void storedOnceWholeOrNotAtAll()
    {
        const QString path = SettingsStore::FilePath();
        const QString folder = QFileInfo(path).absolutePath();
        QStringList told;
        SettingsStore::SetFailureHandler([&told](const QString &what) { told << what; });
        const auto restore = qScopeGuard([] { SettingsStore::SetFailureHandler({}); });

        // A write of its own (a menu choice) is stored at once, as it always was.
        SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
        QCOMPARE(bytesOf(path), QByteArray("[Sigm\\Setting]\nhelp=1\n"));

        // The many writes of one action (the close stores the window, the
        // level meter and the spectrum window) reach the file once, when the
        // action ends, as a new file put in the old one's place.
        const quint64 writes = SettingsStore::FileWrites();
        const ino_t inode = inodeOf(path);
        {
            SettingsStore::Batch close;
            for (int i = 0; i < 200; ++i) {
                SettingsStore::Batch window;  // a handler run from inside another
                SettingsStore::SaveSetting("Sigm", QStringLiteral("Part%1").arg(i % 3), QStringLiteral("K%1").arg(i % 20),
                                           QString::number(i));
            }
            QCOMPARE(SettingsStore::GetSetting("Sigm", "Part1", "K19"), QStringLiteral("199"));
            QCOMPARE(SettingsStore::FileWrites(), writes);
            QCOMPARE(bytesOf(path), QByteArray("[Sigm\\Setting]\nhelp=1\n"));
            QCOMPARE(inodeOf(path), inode);
        }
        QCOMPARE(SettingsStore::FileWrites(), writes + 1);
        QVERIFY(inodeOf(path) != inode);
        SettingsStore::Reload();
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Part1", "K19"), QStringLiteral("199"));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "part0", "k0"), QStringLiteral("180"));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "help"), QStringLiteral("1"));

        // Another program stored meanwhile: what it wrote stays, and only the
        // values changed here go on top.
        {
            QFile other(path + ".other");
            QVERIFY(other.open(QIODevice::WriteOnly));
            other.write(bytesOf(path) + "[Sigm\\Scala]\nNach=77\n");
            other.close();
            QVERIFY(::rename(QFile::encodeName(other.fileName()).constData(), QFile::encodeName(path).constData()) == 0);
        }
        SettingsStore::SaveSetting("Sigm", "Part2", "K0", "mine");
        SettingsStore::Reload();
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Scala", "Nach"), QStringLiteral("77"));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Part2", "K0"), QStringLiteral("mine"));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Part1", "K19"), QStringLiteral("199"));
        QVERIFY(told.isEmpty());

        // The disk refuses the new file part way (a file size limit does it
        // even for root): the old file stays whole, the failure names the
        // file, and the value is stored by the next store that can.
        const QByteArray before = bytesOf(path);
        {
            struct rlimit old {};
            QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
            const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit small = old;
            small.rlim_cur = rlim_t(before.size() + 100);
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
            SettingsStore::SaveSetting("Sigm", "Setting", "Long", QString(20000, QLatin1Char('x')));
            ::setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldSignal);
        }
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].contains(path), qPrintable(told[0]));
        QCOMPARE(SettingsStore::LastError(), told[0]);
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"settings.ini"});
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Long").size(), 20000);
        QVERIFY(SettingsStore::Store());
        SettingsStore::Reload();
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Long").size(), 20000);

        // A folder that cannot be made (a file where it should be): said so.
        const QString blocked = TestEnv::Temp("blocked");
        QVERIFY(QFile(blocked).open(QIODevice::WriteOnly));
        SettingsStore::SetFilePath(blocked + "/sigmalit/settings.ini");
        SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
        QCOMPARE(told.size(), 2);
        QVERIFY2(told[1].contains(blocked), qPrintable(told[1]));
        QVERIFY(QFileInfo(blocked).isFile());
        SettingsStore::SetFilePath(path);
        QFile::remove(blocked);
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
