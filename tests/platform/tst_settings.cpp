#include "platform/paths.h"
#include "platform/settings.h"
#include "testenv.h"
#include "testregistry.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

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
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "odd"), odd);
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "empty", "dflt"), QString());
    }

    void aDamagedFileReadsAsDefaults()
    {
        QFile f(SettingsStore::FilePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("garbage without sections\n=x\n[Sigm\\Setting]\nno equals sign\nInterval=3\n");
        f.close();
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Interval", "1"), QStringLiteral("3"));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Setting", "Stereo", "True"), QStringLiteral("True"));
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
