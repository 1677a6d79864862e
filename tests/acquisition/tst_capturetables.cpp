// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/capturetables.h"
#include "platform/errors.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "testenv.h"
#include "testregistry.h"

#include <QFile>
#include <QTest>
#include <unistd.h>

namespace {
const int kSweepData[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000};

int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const VbError &e) {
        return e.Number;
    }
    return 0;
}
}  // namespace

class CaptureTablesTest : public QObject {
    Q_OBJECT
private slots:
    void firstPassAndWaitLimitsPerSweep()
    {
        const int firstPass[] = {1020, 520, 220, 120, 70, 40, 30, 25, 22, 21, 20};
        const int limit[] = {1200, 600, 240, 120, 60, 24, 12, 6, 2, 1, 1};
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(Capture::FirstPassMs(kSweepData[i]), firstPass[i]);
            QCOMPARE(Capture::PassLimitMs(1.2f, kSweepData[i]), limit[i]);
        }
        QCOMPARE(Capture::PassLimitMs(2.4f, 1), 2400);
    }

    void readOffsets()
    {
        QCOMPARE(51 + Capture::ReadOffset(5, true), 2411);   // two-beam, 20 ms/div
        QCOMPARE(51 + Capture::ReadOffset(100, false), 1051);  // single-beam, 1 ms/div
        QCOMPARE(Capture::ReadOffset(1, false), 320);
        QCOMPARE(Capture::ReadOffset(1, true), 640);
        QCOMPARE(Capture::ReadOffset(2, false), 640);
        QCOMPARE(Capture::ReadOffset(2, true), 1280);
        QCOMPARE(Capture::ReadOffset(5, false), 1280);
        QCOMPARE(Capture::ReadOffset(2000, true), 2000);
    }

    void formatFollowsSweepBeamAndRateChoice()
    {
        const int rates[] = {8000, 8000, 16000, 16000, 32000, 32000, 44100, 44100, 44100, 44100, 44100};
        for (int i = 0; i < 11; ++i)
            QCOMPARE(Capture::LiveFormat(i, true, false).sampleRate, rates[i]);
        QCOMPARE(Capture::LiveFormat(3, false, false).templateName, QStringLiteral("\\Sound\\sigm-16-16-mono.wav"));
        QCOMPARE(Capture::LiveFormat(0, true, true).templateName, QStringLiteral("\\Sound\\sigm-8-16-stereo.wav"));
        QCOMPARE(Capture::LiveFormat(6, true, true).sampleRate, 48000);
        QCOMPARE(Capture::LiveFormat(10, false, true).templateName, QStringLiteral("\\Sound\\sigm-48-16-mono.wav"));
        QCOMPARE(Capture::MemoryFormat(false, true).templateName, QStringLiteral("\\Sound\\sigm-48-16-mono.wav"));
        QCOMPARE(Capture::MemoryFormat(true, false).templateName, QStringLiteral("\\Sound\\sigm-44-16-stereo.wav"));
        QCOMPARE(Capture::MemoryFormat(true, false).sampleRate, 44100);
        // Every template the tables name ships with the program.
        for (int i = 0; i < 11; ++i)
            for (bool stereo : {false, true})
                for (bool k48 : {false, true})
                    QVERIFY(QFile::exists(Capture::TemplatePath(Capture::LiveFormat(i, stereo, k48).templateName)));
    }

    void fileOperationsFailWithTheirNumbers()
    {
        const QString src = Paths::WorkingFolder() + "/src.bin";
        {
            QFile f(src);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(100000, 'x'));
        }
        FileOps::FileCopy(src, "c:\\copy.bin");
        QCOMPARE(FileOps::FileLen("c:\\copy.bin"), 100000);
        // Copying replaces a longer file completely.
        {
            QFile f(src);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("short");
        }
        FileOps::FileCopy(src, "c:\\copy.bin");
        QCOMPARE(FileOps::FileLen("c:\\copy.bin"), 5);
        // A file copied onto itself keeps its contents.
        FileOps::FileCopy("c:\\copy.bin", Paths::WorkingFolder() + "/./copy.bin");
        QCOMPARE(FileOps::FileLen("c:\\copy.bin"), 5);
        FileOps::Kill("c:\\copy.bin");
        QCOMPARE(errorOf([] { FileOps::Kill("c:\\copy.bin"); }), 53);
        QCOMPARE(errorOf([] { FileOps::FileLen("c:\\nothing.wav"); }), 53);
        // A target folder that is not there is a folder we cannot write (70),
        // never a missing source (53, "reinstall the program").
        QCOMPARE(errorOf([&] { FileOps::FileCopy(src, "c:\\no-such-folder\\x.wav"); }), 70);
        QCOMPARE(errorOf([&] { FileOps::FileCopy(Paths::ProgramFolder() + "/none.wav", "c:\\x.wav"); }), 53);
        QCOMPARE(errorOf([&] { FileOps::FileCopy(Paths::WorkingFolder(), "c:\\x.wav"); }), 75);
        if (::geteuid() != 0) {
            QFile::setPermissions(src, QFileDevice::WriteOwner);
            QCOMPARE(errorOf([&] { FileOps::FileCopy(src, "c:\\x.wav"); }), 70);
        }
    }
};

SIGM_TEST(CaptureTablesTest)
#include "tst_capturetables.moc"
