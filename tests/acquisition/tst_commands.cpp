// SPDX-License-Identifier: GPL-3.0-or-later
// The sound device's command vocabulary on real files: what open reads from
// a header, what status answers, which number each wrong use gets.
#include "acqtestutil.h"
#include "platform/paths.h"
#include "platform/wavfile.h"
#include "testenv.h"
#include "testregistry.h"

#include <QDir>
#include <QTest>

using namespace AcqTest;

class WavFileTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }

    void templatesDeclareTheirFormatAndNoData()
    {
        const struct {
            const char *name;
            int rate, channels;
        } expected[] = {{"sigm-8-16-stereo.wav", 8000, 2},  {"sigm-8-16-mono.wav", 8000, 1},
                        {"sigm-16-16-stereo.wav", 16000, 2}, {"sigm-16-16-mono.wav", 16000, 1},
                        {"sigm-32-16-stereo.wav", 32000, 2}, {"sigm-32-16-mono.wav", 32000, 1},
                        {"sigm-44-16-stereo.wav", 44100, 2}, {"sigm-44-16-mono.wav", 44100, 1},
                        {"sigm-48-16-stereo.wav", 48000, 2}, {"sigm-48-16-mono.wav", 48000, 1}};
        for (const auto &e : expected) {
            WavInfo info;
            QCOMPARE(ReadWavInfo(Paths::ProgramFolder() + "/Sound/" + e.name, &info), 0);
            QCOMPARE(info.sampleRate, e.rate);
            QCOMPARE(info.channels, e.channels);
            QCOMPARE(info.bitsPerSample, 16);
            QCOMPARE(info.frames, qint64(0));
        }
    }

    void variantsOfPcmAreRead()
    {
        const QString path = Paths::WorkingFolder() + "/v.wav";
        WavSpec s;
        s.rate = 11025;
        s.channels = 1;
        s.bits = 8;
        s.data = QByteArray(11025 * 2, char(0x80));  // 2 s
        QVERIFY(writeFile(path, wavBytes(s)));
        WavInfo info;
        QCOMPARE(ReadWavInfo(path, &info), 0);
        QCOMPARE(info.bitsPerSample, 8);
        QCOMPARE(info.LengthMs(), qint64(2000));

        // Extensible header and a chunk between "fmt " and "data".
        s = WavSpec();
        s.formatTag = 0xFFFE;
        s.rate = 48000;
        s.data = QByteArray(48000 * 4 / 10, 0);  // 100 ms stereo
        s.chunkBeforeData = QByteArray("LIST") + QByteArray("\x04\x00\x00\x00INFO", 8);
        QVERIFY(writeFile(path, wavBytes(s)));
        QCOMPARE(ReadWavInfo(path, &info), 0);
        QCOMPARE(info.channels, 2);
        QCOMPARE(info.bitsPerSample, 16);
        QCOMPARE(info.LengthMs(), qint64(100));
    }

    void whatIsNotAReadablePcmWavIsInvalid()
    {
        const QString path = Paths::WorkingFolder() + "/bad.wav";
        WavSpec fl;
        fl.formatTag = 3;
        fl.bits = 32;
        fl.data = QByteArray(800, 0);
        QVERIFY(writeFile(path, wavBytes(fl)));
        QCOMPARE(ReadWavInfo(path, nullptr), MciErr::InvalidFile);

        QVERIFY(writeFile(path, "This is a text file, not a sound.\n"));
        QCOMPARE(ReadWavInfo(path, nullptr), MciErr::InvalidFile);

        QVERIFY(writeFile(path, wavBytes(WavSpec()).left(20)));  // header cut short
        QCOMPARE(ReadWavInfo(path, nullptr), MciErr::InvalidFile);

        QVERIFY(writeFile(path, QByteArray()));
        QCOMPARE(ReadWavInfo(path, nullptr), MciErr::InvalidFile);

        QCOMPARE(ReadWavInfo(Paths::WorkingFolder(), nullptr), MciErr::InvalidFile);  // a folder
        QCOMPARE(ReadWavInfo(Paths::WorkingFolder() + "/none.wav", nullptr), MciErr::FileNotFound);
    }

    void writtenFilesHaveAPcmHeaderWhoseSamplesStartAtByte47()
    {
        const QString path = Paths::WorkingFolder() + "/out.wav";
        QByteArray samples;
        for (int i = 0; i < 300; ++i) {
            const qint16 v[2] = {qint16(i * 100 - 15000), qint16(-i)};
            samples.append(reinterpret_cast<const char *>(v), 4);
        }
        QCOMPARE(WriteWav16(path, 32000, 2, samples.constData(), samples.size()), 0);
        const QByteArray f = readFile(path);
        QCOMPARE(f.size(), kWav16HeaderBytes + 1200);
        QCOMPARE(f.left(4), QByteArray("RIFF"));
        QCOMPARE(le32(f, 4), quint32(38 + 1200));
        QCOMPARE(f.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(le32(f, 16), quint32(18));
        QCOMPARE(le16(f, 20), quint16(1));
        QCOMPARE(le16(f, 22), quint16(2));
        QCOMPARE(le32(f, 24), quint32(32000));
        QCOMPARE(le32(f, 28), quint32(128000));
        QCOMPARE(le16(f, 32), quint16(4));
        QCOMPARE(le16(f, 34), quint16(16));
        QCOMPARE(le16(f, 36), quint16(0));
        QCOMPARE(f.mid(38, 4), QByteArray("data"));
        QCOMPARE(le32(f, 42), quint32(1200));
        // The refresh reads from byte 51 (1-based): a whole frame past the
        // start of the samples, so the first value read is the first channel.
        QCOMPARE((51 - (kWav16HeaderBytes + 1)) % 4, 0);
        QCOMPARE(sampleAt(f, 0, 0, 2), qint16(-15000));
        QCOMPARE(sampleAt(f, 299, 0, 2), qint16(14900));
        QCOMPARE(sampleAt(f, 299, 1, 2), qint16(-299));

        // An empty recording is still a valid file.
        QCOMPARE(WriteWav16(path, 8000, 1, nullptr, 0), 0);
        QCOMPARE(readFile(path).size(), kWav16HeaderBytes);
        WavInfo info;
        QCOMPARE(ReadWavInfo(path, &info), 0);
        QCOMPARE(info.channels, 1);

        QCOMPARE(WriteWav16(Paths::WorkingFolder() + "/no/such/folder/x.wav", 8000, 1, nullptr, 0),
                 MciErr::NotSaved);
    }
};

class CommandTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        TestEnv::Reset();
        mciSendString("close all");
    }
    void cleanup() { mciSendString("close all"); }

    void openStatusCloseOnAFile()
    {
        WavSpec s;
        s.rate = 16000;
        s.channels = 1;
        s.data = QByteArray(16000 * 2 * 2500 / 1000, 0);  // 2.5 s
        QVERIFY(writeFile(Paths::WorkingFile(), wavBytes(s)));
        QString answer = "stale";
        QCOMPARE(mciSendString("open c:\\tmp.wav type waveaudio alias Zvuk", &answer), 0);
        QCOMPARE(answer, QString());
        QCOMPARE(mciSendString("status Zvuk bitspersample", &answer), 0);
        QCOMPARE(answer, QStringLiteral("16"));
        QCOMPARE(mciSendString("status Zvuk channels", &answer), 0);
        QCOMPARE(answer, QStringLiteral("1"));
        QCOMPARE(mciSendString("status Zvuk length", &answer), 0);
        QCOMPARE(answer, QStringLiteral("2500"));
        // Command words and the alias without regard to case.
        QCOMPARE(mciSendString("STATUS zvuk SamplesPerSec", &answer), 0);
        QCOMPARE(answer, QStringLiteral("16000"));
        QCOMPARE(mciSendString("Close Zvuk"), 0);
        QCOMPARE(mciSendString("status Zvuk length", &answer), MciErr::DeviceNotOpen);
        QCOMPARE(answer, QString());
    }

    void eightBitFilesOpenAndSayEight()
    {
        WavSpec s;
        s.bits = 8;
        s.channels = 2;
        s.data = QByteArray(441, char(0x80));
        QVERIFY(writeFile(Paths::WorkingFolder() + "/eight.wav", wavBytes(s)));
        QString answer;
        QCOMPARE(mciSendString("open c:\\eight.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("status Zvuk bitspersample", &answer), 0);
        QCOMPARE(answer.left(2).toInt(), 8);
        // No input records 8 bits: 326, and the device stays open.
        {
            UseDemo demo;
            QCOMPARE(mciSendString("Record Zvuk from 0 to 20 wait"), MciErr::NoSuitableInput);
            QCOMPARE(mciSendString("status Zvuk channels", &answer), 0);
            QCOMPARE(answer, QStringLiteral("2"));
        }
    }

    void pathsWithBlanksAndPlainPaths()
    {
        QDir().mkpath(Paths::WorkingFolder() + "/with blank");
        const QString path = Paths::WorkingFolder() + "/with blank/a b.wav";
        WavSpec s;
        s.data = QByteArray(44100 * 4, 0);
        QVERIFY(writeFile(path, wavBytes(s)));
        QString answer;
        QCOMPARE(mciSendString("open " + path + " type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("status Zvuk length", &answer), 0);
        QCOMPARE(answer, QStringLiteral("1000"));
        QCOMPARE(mciSendString("close Zvuk"), 0);
        QCOMPARE(mciSendString("open \"" + path + "\" type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("close Zvuk"), 0);
    }

    void wrongUsesGetTheirNumbers()
    {
        QVERIFY(QFile::copy(Paths::ProgramFolder() + "/Sound/sigm-8-16-stereo.wav", Paths::RecordingFile()));
        // Before any open.
        QCOMPARE(mciSendString("Record Zvuk"), MciErr::DeviceNotOpen);
        QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), MciErr::DeviceNotOpen);
        QCOMPARE(mciSendString("delete Zvuk"), MciErr::DeviceNotOpen);
        QCOMPARE(mciSendString("Close Zvuk"), MciErr::DeviceNotOpen);
        QVERIFY(!QFile::exists(Paths::WorkingFile()));
        // Files that cannot be opened.
        QCOMPARE(mciSendString("open c:\\missing.wav type waveaudio alias Zvuk"), MciErr::FileNotFound);
        QVERIFY(writeFile(Paths::WorkingFolder() + "/text.wav", "not a sound"));
        QCOMPARE(mciSendString("open c:\\text.wav type waveaudio alias Zvuk"), MciErr::InvalidFile);
        QCOMPARE(mciSendString("open c:\\zvuk.wav type cdaudio alias Zvuk"), MciErr::BadKeyword);
        // One device at a time.
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), MciErr::AliasInUse);
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias ZVUK"), MciErr::AliasInUse);
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Other"), MciErr::AnotherDeviceOpen);
        // Wrong commands and parameters.
        QCOMPARE(mciSendString("play Zvuk"), MciErr::UnknownCommand);
        QCOMPARE(mciSendString(""), MciErr::UnknownCommand);
        QCOMPARE(mciSendString("status Zvuk volume"), MciErr::BadKeyword);
        QCOMPARE(mciSendString("status Zvuk"), MciErr::BadKeyword);
        QCOMPARE(mciSendString("Record Zvuk from 0 to x wait"), MciErr::BadKeyword);
        QCOMPARE(mciSendString("Record Zvuk from 0 wait"), MciErr::BadKeyword);
        QCOMPARE(mciSendString("Record Zvuk from 0 to -5 wait"), MciErr::OutOfRange);
        QCOMPARE(mciSendString("Record Zvuk from 100 to 200 wait"), MciErr::OutOfRange);
        QCOMPARE(mciSendString("Save Zvuk"), MciErr::BadKeyword);
        QCOMPARE(mciSendString("Record Other"), MciErr::DeviceNotOpen);
        QCOMPARE(mciSendString("Close Zvuk"), 0);
        // After the close.
        QCOMPARE(mciSendString("Save Zvuk c:\\tmp.wav"), MciErr::DeviceNotOpen);
        QCOMPARE(mciSendString("Close Zvuk"), MciErr::DeviceNotOpen);
        // The alias is free again.
        QCOMPARE(mciSendString("open c:\\zvuk.wav type waveaudio alias Zvuk"), 0);
    }

    void everyNumberHasItsOwnText()
    {
        const int numbers[] = {MciErr::BadKeyword,    MciErr::UnknownCommand,    MciErr::DeviceLost,
                               MciErr::DeviceNotOpen, MciErr::OutOfMemory,       MciErr::AnotherDeviceOpen,
                               MciErr::FileNotFound,  MciErr::OutOfRange,        MciErr::NotSaved,
                               MciErr::AliasInUse,    MciErr::InvalidFile,       MciErr::NoSuitableInput,
                               MciErr::InputNotFound};
        QSet<QString> texts;
        for (int n : numbers) {
            const QString t = mciGetErrorString(n);
            QVERIFY2(t.contains(QRegularExpression(QStringLiteral("[а-яА-Я]"))), qPrintable(t));
            texts.insert(t);
        }
        QCOMPARE(texts.size(), int(std::size(numbers)));
        QVERIFY(mciGetErrorString(999).contains(QStringLiteral("999")));
        QVERIFY(!mciGetErrorString(999).isEmpty());
    }
};

SIGM_TEST(WavFileTest)
SIGM_TEST(CommandTest)
#include "tst_commands.moc"
