// SPDX-License-Identifier: GPL-3.0-or-later
// Opening oscillograms: the open dialog, OpenWorkingFile on real files made
// here and by sox, and broken files that must never bring the program down.
#include "../display/testwav.h"
#include "acquisition/mci.h"
#include "app/cursortool.h"
#include "app/exporttool.h"
#include "app/pribor.h"
#include "display/ris.h"
#include "display/screenread.h"
#include "files/openfile.h"
#include "files/savefile.h"
#include "files/wavopen.h"
#include "levelmeter/scala.h"
#include "print/printing.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/vbcolor.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testwindow.h"
#include "testregistry.h"

#include <QAction>
#include <QLineEdit>
#include <QLocale>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <sys/stat.h>

namespace {

const QString kSorry =
    QStringLiteral("Прошу прощения, но данная версия программы обрабатывает только 16-разрядные звуковые файлы!");
const QRgb kBlue = VbColor(0xFF0000).rgb() | 0xFF000000u;
const QRgb kRed = VbColor(0xFF).rgb() | 0xFF000000u;

void toWorkingFile(Pribor &w, const QString &file)
{
    QFile::remove(Paths::WorkingFile());
    QVERIFY(QFile::copy(file, Paths::WorkingFile()));
    w.st.FlName = QStringLiteral("c:\\tmp.wav");
    w.st.ForceReposition = true;
}

int blue(const QImage &img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == kBlue;
    return n;
}

// Pixels of either trace (the red one covers the blue where they coincide).
int traced(const QImage &img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == kBlue || img.pixel(x, y) == kRed;
    return n;
}

std::vector<int16_t> sine(int frames, int channels)
{
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.push_back(int16_t(12000 * std::sin(i * 0.05 * (c + 1))));
    return s;
}

// The texts the sound device may answer with: its own error texts.
QStringList deviceTexts()
{
    QStringList t;
    for (int code = 256; code <= 400; ++code)
        t << mciGetErrorString(code);
    return t;
}

}  // namespace

class OpenWavTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }
    void cleanup() { UiSeam::SetModalHandler({}); }

    void dataTagAndScrollRange()
    {
        const QByteArray canonical = TestWav::Header(44100, 1, 16, 0);
        QCOMPARE(WavOpen::FindDataStart(canonical, 7), int16_t(49));
        // A tag has to end beyond byte 10; one ending past byte 100 is not seen.
        QCOMPARE(WavOpen::FindDataStart(QByteArray("data") + QByteArray(200, 'x'), 7), int16_t(7));
        QCOMPARE(WavOpen::FindDataStart(TestWav::Header(8000, 2, 16, 0, QByteArray(70, 'z')), 7), int16_t(7));
        QCOMPARE(WavOpen::FindDataStart(QByteArray(96, 'x') + "data", 7), int16_t(109));
        QCOMPARE(WavOpen::FindDataStart(QByteArray(), 7), int16_t(7));

        struct Case { int32_t length; int16_t unit, max; };
        for (const Case &c : {Case{32000, 1, 32004}, Case{32001, 2, 16002}, Case{40000, 2, 20001},
                              Case{48000, 3, 16001}, Case{0, 1, 4}}) {
            const auto r = WavOpen::ScrollRangeFor(c.length);
            QCOMPARE(r.scrollUnit, c.unit);
            QCOMPARE(r.max, c.max);
        }
    }

    void sampleRateEstimates()
    {
        // Bytes after DataStart for a measured rate of r frames per second in one second.
        auto estimate = [](int r, int channels = 1) {
            return WavOpen::EstimateSampleRate(49 + 2 * r * channels, 49, 1.0f, channels);
        };
        QCOMPARE(estimate(7300), 8000);
        QCOMPARE(estimate(7299), 7000);
        QCOMPARE(estimate(43400), 44100);
        QCOMPARE(estimate(11025), 11025);
        QCOMPARE(estimate(22050, 2), 22050);
        QCOMPARE(estimate(48000, 2), 48000);
        QCOMPARE(WavOpen::EstimateSampleRate(1000, 49, 0.0f, 1), 48000);
        QCOMPARE(WavOpen::EstimateSampleRate(40, 49, 5.0f, 1), 0);
        QCOMPARE(WavOpen::LeadingNumber(QStringLiteral("16")), 16.0);
        QCOMPARE(WavOpen::LeadingNumber(QStringLiteral("8")), 8.0);
        QCOMPARE(WavOpen::LeadingNumber(QStringLiteral("1500 ms")), 1500.0);
        QCOMPARE(WavOpen::LeadingNumber(QStringLiteral("x")), 0.0);
    }

    void realFilesOfEveryCommonRate()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        for (int rate : {8000, 11025, 16000, 22050, 32000, 44100, 48000}) {
            for (int channels : {1, 2}) {
                const QString f = TestEnv::Temp(QStringLiteral("sox-%1-%2.wav").arg(rate).arg(channels));
                QVERIFY(TestWav::Sox({"-D", "-n", "-r", QString::number(rate), "-c", QString::number(channels), "-b",
                                      "16", f, "synth", "1.5", "sine", "300", "vol", "0.5"}));
                toWorkingFile(*w, f);
                w->OpenWorkingFile();
                QCOMPARE(w->st.SampleRate, rate);
                QCOMPARE(w->st.TwoBeam, channels == 2);
                QCOMPARE(w->st.DataStart, 49);
                QCOMPARE(w->VScroll1->isEnabled(), channels == 2);
                QCOMPARE(w->XminY->isEnabled(), channels == 2);
                QVERIFY(traced(w->RisBox->Image()) > 0);
            }
        }
        QVERIFY2(box.Shown().empty(), qPrintable(box.Texts().join('|')));
    }

    void scrollRangeOfRealFiles()
    {
        auto w = TestWindow();
        for (int bytes : {32000, 32001, 48000}) {
            // A 44-byte header and the rest samples (an odd byte left over at 32001).
            QByteArray data(bytes - 44, '\0');
            QVERIFY(TestWav::WriteBytes(TestEnv::Temp("len.wav"),
                                        TestWav::Header(8000, 1, 16, quint32(data.size())) + data));
            toWorkingFile(*w, TestEnv::Temp("len.wav"));
            w->OpenWorkingFile();
            QCOMPARE(w->st.FileLength, bytes);
            QCOMPARE(w->HScroll1->Max(), bytes == 32000 ? 32004 : bytes == 32001 ? 16002 : 16001);
            QCOMPARE(w->st.ScrollUnit, bytes == 32000 ? 1 : bytes == 32001 ? 2 : 3);
        }
    }

    void aDataTagBeyondByte100IsFoundByItsChunk()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        // A 64-byte LIST chunk before "data" puts the tag at bytes 109..112.
        const QByteArray list = QByteArray("LIST") + QByteArray("\x40\0\0\0", 4) + QByteArray(64, 'i');
        QVERIFY(TestWav::Write(TestEnv::Temp("far.wav"), 8000, 1, sine(8000, 1), list));
        w->st.DataStart = 61;
        toWorkingFile(*w, TestEnv::Temp("far.wav"));
        w->OpenWorkingFile();
        QCOMPARE(w->st.DataStart, 117);
        QVERIFY(box.Shown().empty());
    }

    void eightBitFilesAreRefused()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        QVERIFY(TestWav::Sox({"-D", "-n", "-r", "8000", "-c", "1", "-b", "8", TestEnv::Temp("eight.wav"), "synth", "1",
                              "sine", "300"}));
        w->st.SampleRate = 12345;
        const int reads = ScreenRead::ReadCount();
        toWorkingFile(*w, TestEnv::Temp("eight.wav"));
        w->OpenWorkingFile();
        QCOMPARE(box.Shown().size(), size_t(1));
        QCOMPARE(box.Shown()[0].text, kSorry);
        QCOMPARE(box.Shown()[0].title, QStringLiteral("Сигмалит"));
        QCOMPARE(box.Shown()[0].icon, MsgIcon::None);
        QCOMPARE(box.Shown()[0].buttons, MsgButtons::OK);
        QCOMPARE(ScreenRead::ReadCount(), reads);
        QCOMPARE(w->st.SampleRate, 12345);
        // The device was closed again.
        QCOMPARE(mciSendString(QStringLiteral("open c:\\tmp.wav type waveaudio alias Zvuk")), 0);
        QCOMPARE(mciSendString(QStringLiteral("Close Zvuk")), 0);
    }

    void aMonoFileSwitchesSubtractionOff()
    {
        auto w = TestWindow();
        QVERIFY(TestWav::Write(TestEnv::Temp("stereo.wav"), 44100, 2, sine(44100, 2)));
        QVERIFY(TestWav::Write(TestEnv::Temp("mono.wav"), 44100, 1, sine(44100, 1)));
        toWorkingFile(*w, TestEnv::Temp("stereo.wav"));
        w->OpenWorkingFile();
        QVERIFY(w->XminY->isEnabled());
        w->XminY_Click();
        QVERIFY(w->st.SubtractMode);
        toWorkingFile(*w, TestEnv::Temp("mono.wav"));
        w->OpenWorkingFile();
        QVERIFY(!w->st.SubtractMode);
        QCOMPARE(w->XminY->text(), QStringLiteral("X-Y"));
        QVERIFY(!w->XminY->isEnabled());
        QVERIFY(!w->VScroll1->isEnabled());
        QVERIFY(w->U2->isEnabled() && w->RasTime->isEnabled());
    }

    void theOpenDialogOpensTheChosenFile()
    {
        ScriptedMessages box;
        QVERIFY(TestWav::Write(Paths::MemFolder() + QStringLiteral("/chosen.wav"), 22050, 2, sine(22050, 2)));
        auto w = TestWindow();
        {
            const QSignalBlocker quiet(w->RasTime);
            w->RasTime->SetListIndex(-1);
        }
        bool shown = false;
        UiSeam::SetModalHandler([&](QDialog *d) {
            auto *dialog = qobject_cast<OpenFile *>(d);
            if (!dialog)
                return int(QDialog::Rejected);
            shown = true;
            [&] {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Открытие wav файла"));
                QCOMPARE(dialog->Open->text(), QStringLiteral(" Открыть"));
                QCOMPARE(dialog->Esk->text(), QStringLiteral("Отмена"));
                QCOMPARE(dialog->Dir1->Path(), QDir(Paths::MemFolder()).absolutePath());
                QCOMPARE(dialog->File1->Path(), dialog->Dir1->Path());
                QVERIFY(dialog->File1->SelectFile(QStringLiteral("chosen.wav")));
            }();
            QTest::mouseClick(dialog->Open, Qt::LeftButton);
            return dialog->result();
        });
        w->OpenWav_Click();
        QVERIFY(shown);
        QVERIFY2(box.Shown().empty(), qPrintable(box.Texts().join('|')));
        QCOMPARE(w->st.FlName, QStringLiteral("c:\\tmp.wav"));
        QFile a(Paths::WorkingFile()), b(Paths::MemFolder() + QStringLiteral("/chosen.wav"));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        QCOMPARE(w->st.SampleRate, 22050);
        QCOMPARE(w->RasTime->ListIndex(), 6);  // no sweep chosen: 1 мС
        QVERIFY(w->HScroll1->isEnabled() && w->PrintBiton->isEnabled() && w->PrintMenu->isEnabled()
                && w->Uroven->isEnabled());
        QVERIFY(blue(w->RisBox->Image()) > 0);
        QVERIFY(!w->st.ForceReposition);
    }

    // The title names what is shown: the file opened, then the name it was
    // saved under; a file refused leaves it, and capture has no file.
    void theTitleNamesTheFileShown()
    {
        ScriptedMessages box;
        const QString dir = Paths::MemFolder();
        QVERIFY(TestWav::Write(dir + QStringLiteral("/first.wav"), 22050, 2, sine(22050, 2)));
        QFile bad(dir + QStringLiteral("/bad.wav"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("RIFF....WAVEjunk") > 0);
        bad.close();
        auto w = TestWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Сигмалит"));
        QVERIFY(w->OpenOscillogram(dir + QStringLiteral("/first.wav")));
        QCOMPARE(w->windowTitle(), QStringLiteral("first.wav — Сигмалит"));
        w->OpenOscillogram(dir + QStringLiteral("/bad.wav"));
        QVERIFY(!box.Shown().empty());
        QCOMPARE(w->windowTitle(), QStringLiteral("first.wav — Сигмалит"));
        UiSeam::SetModalHandler([](QDialog *d) {
            if (auto *save = qobject_cast<SaveFile *>(d)) {
                save->Text1->setText(QStringLiteral("второй"));
                QTest::mouseClick(save->SaveFl, Qt::LeftButton);
            }
            return d->result();
        });
        w->SaveWav_Click();
        QCOMPARE(w->windowTitle(), QStringLiteral("второй.wav — Сигмалит"));
        UiSeam::SetModalHandler([](QDialog *d) {
            if (auto *save = qobject_cast<SaveFile *>(d))
                save->reject();
            return d->result();
        });
        w->SaveWav_Click();
        QCOMPARE(w->windowTitle(), QStringLiteral("второй.wav — Сигмалит"));
        w->zapis_Click();
        w->FinishCaptureStart();
        QCOMPARE(w->windowTitle(), QStringLiteral("Сигмалит"));
        w->Stopbiton_Click();
        QCOMPARE(w->windowTitle(), QStringLiteral("Сигмалит"));
    }

    // What is shown is what is saved. A file of hours is read where it
    // lies, sparing the working file (and the disk) a copy of it; it and
    // any other file shown from elsewhere are saved from where they lie,
    // never from a working file that holds something else.
    void aFileShownFromElsewhereIsSavedFromThere()
    {
        const auto bytesOf = [](const QString &path, qint64 at, qint64 length) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) && f.seek(at) ? f.read(length) : QByteArray();
        };
        const auto saveAs = [](const QString &name) {
            UiSeam::SetModalHandler([name](QDialog *d) {
                if (auto *save = qobject_cast<SaveFile *>(d)) {
                    save->Text1->setText(name);
                    QTest::mouseClick(save->SaveFl, Qt::LeftButton);
                }
                return d->result();
            });
        };
        const QByteArray working("what the working file held");
        QVERIFY(TestWav::WriteBytes(Paths::WorkingFile(), working));
        const qint64 dataBytes = OpenCheck::kShownInPlaceBytes;
        const QString big = TestEnv::Temp("big.wav");
        {
            QFile f(big);
            QVERIFY(f.open(QIODevice::ReadWrite | QIODevice::Truncate));
            QCOMPARE(f.write(TestWav::Header(48000, 2, 16, quint32(dataBytes))), qint64(44));
            if (!f.resize(44 + dataBytes))
                QSKIP("no file of 256 MiB can be made in the test folder");
            // The last frame tells a whole copy from a part.
            QVERIFY(f.seek(44 + dataBytes - 4));
            QCOMPARE(f.write("\x01\x02\x03\x04", 4), qint64(4));
        }
        ScriptedMessages box;
        auto w = TestWindow();
        QVERIFY(w->OpenOscillogram(big));
        QVERIFY2(box.Shown().empty(), qPrintable(box.Texts().join('|')));
        QCOMPARE(Paths::MapPath(w->st.FlName), QFileInfo(big).absoluteFilePath());
        QCOMPARE(TestWav::ReadAll(Paths::WorkingFile()), working);
        QCOMPARE(w->st.FileLength, 44 + dataBytes);
        QCOMPARE(w->windowTitle(), QStringLiteral("big.wav — Сигмалит"));

        saveAs(QStringLiteral("big-copy"));
        w->SaveWav_Click();
        const QString copy = Paths::MemFolder() + QStringLiteral("/big-copy.wav");
        QCOMPARE(QFileInfo(copy).size(), 44 + dataBytes);
        QCOMPARE(bytesOf(copy, 0, 44), bytesOf(big, 0, 44));
        QCOMPARE(bytesOf(copy, 44 + dataBytes - 4, 4), QByteArray("\x01\x02\x03\x04", 4));
        QCOMPARE(TestWav::ReadAll(Paths::WorkingFile()), working);
        QFile::remove(copy);
        QFile::remove(big);

        // A recording kept beside a working file that could not be written
        // is shown from where it was kept, and saved from there too.
        const QString kept = Paths::MemFolder() + QStringLiteral("/kept.wav");
        QVERIFY(TestWav::Write(kept, 22050, 2, sine(22050, 2)));
        w->st.FlName = kept;
        saveAs(QStringLiteral("kept-copy"));
        w->SaveWav_Click();
        QCOMPARE(TestWav::ReadAll(Paths::MemFolder() + QStringLiteral("/kept-copy.wav")), TestWav::ReadAll(kept));
        QVERIFY2(box.Shown().empty(), qPrintable(box.Texts().join('|')));
    }

    void cancellingChangesNothing()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        const QImage before = w->RisBox->Image();
        const int reads = ScreenRead::ReadCount();
        UiSeam::SetModalHandler([](QDialog *d) {
            if (auto *dialog = qobject_cast<OpenFile *>(d))
                QTest::mouseClick(dialog->Esk, Qt::LeftButton);
            return d->result();
        });
        w->OpenWav_Click();
        QVERIFY(w->st.FlName.isEmpty());
        QCOMPARE(ScreenRead::ReadCount(), reads);
        QCOMPARE(w->RisBox->Image(), before);
        QVERIFY(!w->PrintBiton->isEnabled() && !w->Uroven->isEnabled());
        QCOMPARE(w->RasTime->ListIndex(), 6);
        QVERIFY(box.Shown().empty());
    }

    void openingWithoutAChoiceSaysSoAndStaysOpen()
    {
        ScriptedMessages box;
        ScopeState st;
        OpenFile dialog(st);
        dialog.File1->SetListIndex(-1);
        QTest::mouseClick(dialog.Open, Qt::LeftButton);
        QCOMPARE(box.Texts(), QStringList{QStringLiteral("Не выбран файл для открытия!")});
        QCOMPARE(box.Shown()[0].icon, MsgIcon::Critical);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        // Nothing was put in the working file, so nothing is to be shown.
        QVERIFY(st.FlName.isEmpty());
    }

    void choosingTheWorkingFileItselfKeepsIt()
    {
        ScriptedMessages box;
        QVERIFY(TestWav::Write(Paths::WorkingFile(), 8000, 1, sine(8000, 1)));
        const qint64 size = QFileInfo(Paths::WorkingFile()).size();
        ScopeState st;
        OpenFile dialog(st);
        dialog.Dir1->SetPath(Paths::WorkingFolder());
        QVERIFY(dialog.File1->SelectFile(QStringLiteral("tmp.wav")));
        dialog.OpenAction();
        QVERIFY(box.Shown().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(QFileInfo(Paths::WorkingFile()).size(), size);
    }

    void aFileGoneBeforeOpeningIsReportedAndTheDialogStays()
    {
        ScriptedMessages box;
        const QString gone = Paths::MemFolder() + QStringLiteral("/gone.wav");
        QVERIFY(TestWav::Write(gone, 8000, 1, sine(800, 1)));
        ScopeState st;
        OpenFile dialog(st);
        QVERIFY(dialog.File1->SelectFile(QStringLiteral("gone.wav")));
        QVERIFY(QFile::remove(gone));
        dialog.OpenAction();
        // Named as missing, not as an "unexpected error № 53".
        QCOMPARE(box.Texts(), QStringList{QStringLiteral("Файл «gone.wav» не найден, выберите файл ещё раз!")});
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void brokenFilesNeverBringTheProgramDown()
    {
        QByteArray random(200000, '\0');
        for (char &c : random)
            c = char(QRandomGenerator::global()->bounded(256));
        const QByteArray samples = TestWav::Samples(sine(4000, 2));
        struct Broken {
            const char *name;
            QByteArray bytes;
        };
        QByteArray hugeRate = TestWav::Header(44100, 2, 16, 0xFFFFFFF0u) + samples;
        hugeRate.replace(24, 4, QByteArray("\xff\xff\xff\x7f", 4));  // 2147483647 Hz
        std::vector<Broken> files{
            {"empty", QByteArray()},
            {"truncated", TestWav::Header(44100, 2, 16, 1000000) + samples.left(3001)},
            {"headeronly", TestWav::Header(44100, 2, 16, 0)},
            {"nodata", TestWav::Header(44100, 2, 16, 0).left(36) + samples},
            {"random", random},
            {"riffrandom", QByteArray("RIFF") + random},
            {"hugeclaims", TestWav::Header(44100, 2, 16, 0xFFFFFFF0u) + samples},
            {"hugerate", hugeRate},
            {"tinyrate", TestWav::Header(1, 1, 16, quint32(samples.size())) + samples},
            {"fourchannels", TestWav::Header(8000, 4, 16, quint32(samples.size())) + samples},
        };
        for (const Broken &b : files)
            QVERIFY(TestWav::WriteBytes(TestEnv::Temp(QString::fromLatin1(b.name) + ".wav"), b.bytes));
        QVERIFY(TestWav::Sox({"-D", "-n", "-r", "48000", "-c", "2", "-b", "24", TestEnv::Temp("24bit.wav"), "synth",
                              "0.5", "sine", "100"}));
        QVERIFY(TestWav::Sox({"-D", "-n", "-r", "48000", "-c", "1", "-e", "floating-point", "-b", "32",
                              TestEnv::Temp("float.wav"), "synth", "0.5", "sine", "100"}));
        QStringList names;
        for (const Broken &b : files)
            names << QString::fromLatin1(b.name);
        names << "24bit" << "float";

        QStringList allowed = deviceTexts();
        allowed << kSorry;
        // The program's own refusals name the file.
        const auto refusal = [](const QString &text) {
            return text.startsWith(QStringLiteral("Файл «tmp.wav»")) || text.startsWith(QStringLiteral("В файле «tmp.wav»"))
                   || text.startsWith(QStringLiteral("Частота дискретизации файла «tmp.wav»"));
        };
        QVERIFY(TestWav::Write(TestEnv::Temp("good.wav"), 44100, 2, sine(44100, 2)));
        for (const QString &name : names) {
            ScriptedMessages box;
            auto w = TestWindow();
            // A file shown before, so the broken one meets a loaded window.
            toWorkingFile(*w, TestEnv::Temp("good.wav"));
            w->OpenWorkingFile();
            toWorkingFile(*w, TestEnv::Temp(name + ".wav"));
            w->OpenWorkingFile();
            for (int sweep = 0; sweep <= 10; ++sweep) {
                w->RasTime->SetListIndex(sweep);
                w->HScroll1->SetValue(w->HScroll1->Max());
                w->HScroll1->SetValue(w->HScroll1->Max() / 2);
                w->HScroll1->SetValue(w->HScroll1->Value() + 1);
                w->HScroll1->SetValue(w->HScroll1->Value() - 10);
                w->HScroll1->SetValue(1);
            }
            for (const QString &text : box.Texts())
                QVERIFY2(allowed.contains(text) || refusal(text), qPrintable(name + ": " + text));
            // 24 bits is PCM the device reads, so the program's own refusal
            // speaks; float is not PCM and the device refuses it itself.
            if (name == "24bit")
                QCOMPARE(box.Texts().value(0), kSorry);
            if (name == "float" || name == "24bit")
                QVERIFY(!box.Texts().isEmpty());
            mciSendString(QStringLiteral("Close Zvuk"));
        }
    }

    // Every number on the screen belongs to the file shown: refusals draw
    // nothing, samples are found behind other chunks, the rate and the time
    // labels are the file's, a new file starts at its beginning.
    void everyNumberShownBelongsToTheFileShown()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        // Before anything is shown, the screen is the instrument's graticule.
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->RisBox->Image().size(), w->RisBox->size());
        const QImage empty = w->RisBox->Image();
        int black = 0;
        for (int x = 0; x < empty.width(); ++x)
            black += empty.pixel(x, empty.height() * 9 / 16) == qRgb(0, 0, 0);  // between two lines
        QVERIFY2(black >= 8 && black < empty.width() / 4, qPrintable(QString::number(black)));
        w->hide();
        const QString mem = Paths::MemFolder() + QStringLiteral("/");
        auto openThroughDialog = [&](const QString &name, bool cancel = false) {
            UiSeam::SetModalHandler([&](QDialog *d) {
                auto *dialog = qobject_cast<OpenFile *>(d);
                if (!dialog)
                    return int(QDialog::Rejected);
                if (cancel || !dialog->File1->SelectFile(name)) {
                    dialog->reject();
                    return dialog->result();
                }
                dialog->OpenAction();
                // A refusal keeps the dialog open; the user then cancels.
                return dialog->result();
            });
            w->OpenWav_Click();
        };

        // A good stereo file, then refusals: the picture, the working file and
        // the panel stay with the good file, and a sweep change redraws it.
        QVERIFY(TestWav::Write(mem + "good.wav", 44100, 2, sine(44100 * 3, 2)));
        QVERIFY(TestWav::Sox({"-D", "-n", "-r", "8000", "-c", "1", "-b", "8", mem + "eight.wav", "synth", "1", "sine",
                              "300"}));
        QVERIFY(TestWav::Sox({"-D", "-n", "-r", "48000", "-c", "1", "-e", "floating-point", "-b", "32",
                              mem + "float.wav", "synth", "0.5", "sine", "100"}));
        QByteArray noise(50000, '\0');
        for (char &c : noise)
            c = char(QRandomGenerator::global()->bounded(256));
        QVERIFY(TestWav::WriteBytes(mem + "noise.wav", noise));
        openThroughDialog("good.wav");
        QCOMPARE(w->st.SampleRate, 44100);
        QVERIFY(box.Shown().empty());
        w->HScroll1->SetValue(w->HScroll1->Max() / 2);
        const QImage good = w->RisBox->Image();
        QFile working(Paths::WorkingFile());
        QVERIFY(working.open(QIODevice::ReadOnly));
        const QByteArray goodBytes = working.readAll();
        working.close();
        for (const char *refused : {"eight.wav", "float.wav", "noise.wav"}) {
            const size_t before = box.Shown().size();
            openThroughDialog(QString::fromLatin1(refused));
            QCOMPARE(box.Shown().size(), before + 1);
            QCOMPARE(w->RisBox->Image(), good);
            QVERIFY(working.open(QIODevice::ReadOnly));
            QCOMPARE(working.readAll(), goodBytes);
            working.close();
            QCOMPARE(w->st.FlName, QStringLiteral("c:\\tmp.wav"));
        }
        QCOMPARE(box.Shown()[0].text, kSorry);
        const int reads = ScreenRead::ReadCount();
        w->RasTime->SetListIndex(5);
        QCOMPARE(ScreenRead::ReadCount(), reads + 1);
        QVERIFY(traced(w->RisBox->Image()) > 0);

        // Samples behind a LIST chunk of 300 bytes, in mono and stereo: the
        // first channel is +ramp, the second -ramp, so swapped channels or
        // header bytes read as samples show at once. A LIST chunk after the
        // data is not drawn either.
        const bool centred = Globals::CenterBeams;
        Globals::CenterBeams = false;
        const QByteArray list = QByteArray("LIST") + QByteArray("\x2c\x01\0\0", 4) + QByteArray(300, 'i');
        for (int channels : {1, 2}) {
            std::vector<int16_t> ramp;
            for (int i = 0; i < 8000; ++i)
                for (int c = 0; c < channels; ++c)
                    ramp.push_back(int16_t(c == 0 ? 100 + i : -100 - i));
            const QByteArray data = TestWav::Samples(ramp);
            const QByteArray bytes = TestWav::Header(8000, channels, 16, quint32(data.size()), list) + data + list;
            const QString name = QStringLiteral("late%1.wav").arg(channels);
            QVERIFY(TestWav::WriteBytes(mem + name, bytes));
            openThroughDialog(name);
            QCOMPARE(w->st.DataStart, 36 + 308 + 8 + 1);
            QCOMPARE(w->st.SampleRate, 8000);
            QCOMPARE(w->st.LeftBuffer[0], 100);
            if (channels == 2)
                QCOMPARE(w->st.RightBuffer[0], -100);
            // The last screen ends with the last sample, not the LIST bytes.
            w->HScroll1->SetValue(w->HScroll1->Max());
            w->HScroll1->SetValue(w->HScroll1->Value() - 10);
            for (int i = 0; i <= w->st.PointCount; ++i)
                QVERIFY(w->st.LeftBuffer[size_t(i)] == 0 || (w->st.LeftBuffer[size_t(i)] >= 100 && w->st.LeftBuffer[size_t(i)] < 8100));
        }
        Globals::CenterBeams = centred;
        QVERIFY2(box.Shown().size() == 3, qPrintable(box.Texts().join('|')));

        // A pass of 14 ms (what Стоп leaves) keeps the header's 44100.
        QVERIFY(TestWav::Write(mem + "short.wav", 44100, 2, sine(617, 2)));
        openThroughDialog("short.wav");
        QCOMPARE(w->st.SampleRate, 44100);

        // A minute at 8000 Hz, viewed 30 s in: the same true time at every sweep.
        QVERIFY(TestWav::Sox({"-D", "-n", "-r", "8000", "-c", "2", "-b", "16", mem + "minute.wav", "synth", "60",
                              "sine", "50"}));
        openThroughDialog("minute.wav");
        QCOMPARE(w->nachalo->text(), QStringLiteral("0"));
        w->HScroll1->SetValue(int(49 + 30 * 32000) / w->st.ScrollUnit);
        const QString at30 = w->nachalo->text();
        for (int sweep = 0; sweep <= 10; ++sweep) {
            w->RasTime->SetListIndex(sweep);
            QCOMPARE(w->nachalo->text(), at30);
            const double t = QLocale().toDouble(w->nachalo->text());
            QVERIFY2(std::abs(t - 30.0) < 0.01, qPrintable(w->nachalo->text()));
            const double span = 1.0 / w->RasTime->ItemData(sweep);
            QCOMPARE(QLocale().toDouble(w->konec->text()), std::round((t + span) * 10000) / 10000);
        }

        // Opening after a scroll starts at the beginning; a cancelled open
        // leaves the file shown and the panel working on it.
        openThroughDialog("good.wav");
        QCOMPARE(w->HScroll1->Value(), 1);
        QCOMPARE(w->st.ViewStart, int64_t(w->st.DataStart));
        QCOMPARE(w->nachalo->text(), QStringLiteral("0"));
        w->HScroll1->SetValue(200);
        openThroughDialog(QString(), true);
        QCOMPARE(w->st.FlName, QStringLiteral("c:\\tmp.wav"));
        const QString label = w->nachalo->text();
        w->RasTime->SetListIndex(2);
        w->HScroll1->SetValue(100);
        QVERIFY(w->nachalo->text() != label);

        // X-Y at the last sweep redraws.
        w->RasTime->SetListIndex(10);
        const int xyReads = ScreenRead::ReadCount();
        const QImage twoTraces = w->RisBox->Image();
        w->XminY_Click();
        QVERIFY(w->st.SubtractMode);
        QVERIFY(ScreenRead::ReadCount() > xyReads || w->RisBox->Image() != twoTraces);
        w->XminY_Click();

        // The level window reads the stopped file's screen as it opens.
        w->Uroven_Click();
        QVERIFY(w->ScalaWindow);
        // Level above the -90.3 dB floor: 12000 of 32768 is about 81 dB up.
        QVERIFY2(w->ScalaWindow->LevelLeft > 70, qPrintable(w->ScalaWindow->LabelUrLk->text()));
        w->Uroven_Click();

        // One beam: the printout names U2, which drew it.
        QVERIFY(Printing::ParametersLine(0, 5, false, 100).contains(QStringLiteral("= 2 мВольта")));
        QVERIFY2(box.Shown().size() == 3, qPrintable(box.Texts().join('|')));
    }

    // A WAV file past 524 MB opens and pages from its first to its last
    // screen (sparse: no disk is filled).
    void aLongFilePagesToItsEnd()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        const QString big = TestEnv::Temp("big.wav");
        const qint64 size = 600LL * 1024 * 1024;
        const QByteArray tone = TestWav::Samples(sine(4000, 2));
        QVERIFY(TestWav::WriteBytes(big, TestWav::Header(48000, 2, 16, quint32(size - 44)) + tone));
        {
            QFile f(big);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.resize(size));
            QVERIFY(f.seek(size - tone.size()));
            QVERIFY(f.write(tone) == tone.size());
        }
        w->st.FlName = big;
        w->st.ForceReposition = true;
        QVERIFY(w->OpenWorkingFile());
        QVERIFY2(box.Shown().empty(), qPrintable(box.Texts().join('|')));
        QCOMPARE(w->st.FileLength, size);
        QVERIFY(w->HScroll1->Max() > 16000 && w->HScroll1->Max() < 16010);
        QCOMPARE(w->st.ViewStart, int64_t(49));
        QVERIFY(traced(w->RisBox->Image()) > 0);
        w->HScroll1->SetValue(w->HScroll1->Max());
        w->HScroll1->SetValue(w->HScroll1->Value() - 10);
        QVERIFY(w->st.ViewStart > size - 4 * 4000);
        QVERIFY(std::any_of(w->st.LeftBuffer.begin(), w->st.LeftBuffer.end(), [](int32_t v) { return v != 0; }));
        QVERIFY(w->nachalo->text().startsWith(QStringLiteral("327")));  // 629145556 / 192000 s
        w->HScroll1->SetValue(1);
        QCOMPARE(w->st.ViewStart, int64_t(49));
        QVERIFY(box.Shown().empty());
        QFile::remove(big);
    }

    // Ten hours of stereo at 48 kHz as the stream recorder leaves them: an
    // RF64 file of 6.9 GB (sparse: known samples around the 4 GiB mark and
    // at the end, silence between). It opens like any file; the screens
    // read across 4 GiB and at the end hold exactly the samples written
    // there, as the bar, the trigger, the cursors' times and the CSV see them.
    void anRf64FilePastFourGiBShowsEveryScreen()
    {
        constexpr int64_t kHeader = 112;
        constexpr int64_t kFrames = 10LL * 3600 * 48000;
        constexpr int64_t kSize = kHeader + kFrames * 4;
        constexpr int64_t kMark = ((int64_t(1) << 32) - kHeader) / 4;  // the frame at byte 4 GiB
        // Channel A a square wave rising at the mark (and every 9600 frames),
        // channel B a ramp that tells any frame from its neighbours.
        const auto known = [](int64_t f, int ch) -> int16_t {
            const bool written = (f >= kMark - 60000 && f < kMark + 60000) || (f >= kFrames - 60000 && f < kFrames);
            if (!written)
                return 0;
            if (ch == 0)
                return ((f - kMark) % 9600 + 9600) % 9600 < 4800 ? 8000 : -8000;
            return int16_t(f % 1000 * 16 - 7992);
        };
        const QString path = TestEnv::Temp("ten-hours.wav");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite | QIODevice::Truncate));
            QVERIFY(f.write(TestWav::Rf64Header(48000, 2, kFrames * 4)) == kHeader);
            if (!f.resize(kSize))
                QSKIP("no file of 6.9 GB can be made in the test folder");
            for (const int64_t first : {kMark - 60000, kFrames - 60000}) {
                std::vector<int16_t> block;
                for (int64_t i = first; i < first + 120000 && i < kFrames; ++i)
                    block.insert(block.end(), {known(i, 0), known(i, 1)});
                QVERIFY(f.seek(kHeader + first * 4));
                const QByteArray bytes = TestWav::Samples(block);
                QVERIFY(f.write(bytes) == bytes.size());
            }
        }
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        if (int64_t(info.st_blocks) * 512 > 64LL << 20) {
            QFile::remove(path);
            QSKIP("the test folder's file system keeps no sparse files");
        }

        // What each screen was read from.
        struct Seen : ScreenReader {
            QByteArray samples;
            int64_t first = -1, position = 0;
            void SamplesRead(const ScreenFrame &f) override
            {
                samples = f.samples.toByteArray();
                first = f.firstFrame;
                position = f.filePosition;
            }
        } seen;
        // Empty when it holds what was written where it was read from.
        const auto wrongSample = [&]() -> QString {
            if (seen.first < 0 || seen.samples.size() < 4)
                return QStringLiteral("no screen read");
            if (seen.position != kHeader + 1 + seen.first * 4)
                return QStringLiteral("frame %1 read from byte %2").arg(seen.first).arg(seen.position);
            const auto *x = reinterpret_cast<const int16_t *>(seen.samples.constData());
            for (int64_t i = 0; i < seen.samples.size() / 4; ++i)
                for (int ch = 0; ch < 2; ++ch)
                    if (x[2 * i + ch] != known(seen.first + i, ch))
                        return QStringLiteral("frame %1, channel %2: %3, not %4")
                            .arg(seen.first + i).arg(ch).arg(x[2 * i + ch]).arg(known(seen.first + i, ch));
            return QString();
        };
        const auto acrossTheMark = [&] {
            return seen.first < kMark && seen.first + seen.samples.size() / 4 > kMark;
        };

        ScriptedMessages box;
        auto w = TestWindow();
        w->Readers.Add(&seen);
        w->st.FlName = path;
        w->st.ForceReposition = true;
        QVERIFY(w->OpenWorkingFile());
        QVERIFY2(box.Shown().empty(), qPrintable(box.Texts().join('|')));
        QCOMPARE(w->st.FileLength, kSize);
        QCOMPARE(w->st.SampleRate, 48000);
        QVERIFY(w->st.TwoBeam);
        QCOMPARE(w->st.DataStart, int32_t(kHeader + 1));
        QVERIFY(w->HScroll1->Max() > 16000 && w->HScroll1->Max() < 16010);

        // Dragged to the 4 GiB mark at one second a screen, a division on,
        // a screen back.
        w->RasTime->SetListIndex(0);
        const int atMark = int((int64_t(1) << 32) / w->st.ScrollUnit);
        w->HScroll1->SetValue(atMark);
        QVERIFY2(acrossTheMark(), qPrintable(QString::number(seen.first)));
        QVERIFY2(wrongSample().isEmpty(), qPrintable(QStringLiteral("dragged to 4 GiB: ") + wrongSample()));
        w->HScroll1->SetValue(atMark + 1);
        QVERIFY(acrossTheMark());
        QVERIFY2(wrongSample().isEmpty(), qPrintable(QStringLiteral("a division on: ") + wrongSample()));
        w->HScroll1->SetValue(w->HScroll1->Value() - 10);
        QVERIFY(seen.first > kMark - 60000 && seen.first < kMark - 40000);
        QVERIFY2(wrongSample().isEmpty(), qPrintable(QStringLiteral("a screen back: ") + wrongSample()));

        // The last screen ends with the file; its time is the file's own.
        w->HScroll1->SetValue(w->HScroll1->Max());
        w->HScroll1->SetValue(w->HScroll1->Value() - 10);
        QCOMPARE(int64_t(seen.first + seen.samples.size() / 4), kFrames);
        QVERIFY2(wrongSample().isEmpty(), qPrintable(QStringLiteral("the last screen: ") + wrongSample()));
        QVERIFY2(w->nachalo->text().startsWith(QStringLiteral("35999")), qPrintable(w->nachalo->text()));
        QVERIFY(std::abs(w->CursorsTool->Map().startSeconds - double(seen.first) / 48000) < 1e-6);

        // The trigger pages from before the mark onto the edge at it.
        w->RasTime->SetListIndex(6);
        w->HScroll1->SetValue(atMark);
        QVERIFY(seen.first < kMark - 5000);
        w->PrintBiton->setEnabled(true);  // as an opened file has it
        w->TrigAuto->trigger();
        w->Trig.source = 1;
        w->Trig.slope = Trigger::Slope::Rising;
        w->Trig.levelVolts = 0;
        w->TrigNext_Click();
        QVERIFY2(acrossTheMark() && kMark - seen.first < 120, qPrintable(QString::number(kMark - seen.first)));
        QVERIFY2(wrongSample().isEmpty(), qPrintable(QStringLiteral("on the trigger: ") + wrongSample()));

        // The screen's CSV: channel A rises at the mark's time.
        QString error;
        QCOMPARE(w->Exports->ExportCsv(TestEnv::Temp("mark.csv"), ExportTool::CsvWhat::Screen, &error),
                 CsvExport::Result::Done);
        QFile csv(TestEnv::Temp("mark.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        csv.readLine();
        double before = 0;
        int64_t rise = -1;
        while (!csv.atEnd() && rise < 0) {
            const QList<QByteArray> row = csv.readLine().trimmed().split(',');
            QCOMPARE(row.size(), qsizetype(3));
            const double a = row[1].toDouble();
            if (before < 0 && a > 0)
                rise = std::llround(row[0].toDouble() * 48000);
            before = a;
        }
        QCOMPARE(rise, kMark);
        QVERIFY2(box.Shown().empty(), qPrintable(box.Texts().join('|')));
        w->Readers.Remove(&seen);
        QFile::remove(path);
    }

    void theDemoOscillogramIsAStereoSixteenBitFile()
    {
        const QString demo = QFINDTESTDATA("../../data/Mem/demo.wav");
        QVERIFY(!demo.isEmpty());
        QVERIFY(QFileInfo(demo).size() < 1024 * 1024);
        ScriptedMessages box;
        auto w = TestWindow();
        toWorkingFile(*w, demo);
        w->OpenWorkingFile();
        QVERIFY(box.Shown().empty());
        QCOMPARE(w->st.SampleRate, 44100);
        QVERIFY(w->st.TwoBeam);
        QVERIFY(blue(w->RisBox->Image()) > 0);
    }
};

SIGM_TEST(OpenWavTest)
#include "tst_openwav.moc"
