// SPDX-License-Identifier: GPL-3.0-or-later
// Broken and hostile files opened through the real window, the way the
// open dialog and the command line open them: each one is either shown
// correctly or refused with one message, never hangs, never costs the
// oscillogram shown before, and leaves the window usable.
#include "../display/testwav.h"
#include "app/pribor.h"
#include "display/ris.h"
#include "files/wavlayout.h"
#include "files/workingcopy.h"
#include "platform/errors.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <cmath>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using TestWav::put16;
using TestWav::put32;

QByteArray chunk(const char *id, const QByteArray &body)
{
    QByteArray c(id, 4);
    put32(c, quint32(body.size()));
    return c + body + (body.size() % 2 ? QByteArray(1, '\0') : QByteArray());
}

QByteArray fmt(int tag, int channels, int rate, int bits, int size = 16)
{
    QByteArray f;
    put16(f, quint16(tag));
    put16(f, quint16(channels));
    put32(f, quint32(rate));
    put32(f, quint32(qint64(rate) * channels * bits / 8));
    put16(f, quint16(channels * bits / 8));
    put16(f, quint16(bits));
    return f + QByteArray(std::max(0, size - 16), '\0');
}

QByteArray riff(const QByteArray &chunks, const char *magic = "RIFF", const char *wave = "WAVE")
{
    QByteArray r(magic, 4);
    put32(r, quint32(chunks.size() + 4));
    return r + QByteArray(wave, 4) + chunks;
}

QByteArray samples(int frames, int channels)
{
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.push_back(int16_t(10000 * std::sin(i * 0.07 * (c + 1))));
    return TestWav::Samples(s);
}

QByteArray workingBytes()
{
    QFile f(Paths::WorkingFile());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class HostileFileTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }

    void brokenAndHostileFilesAreShownOrRefusedOnce()
    {
        const QString dir = TestEnv::Root() + QStringLiteral("/hostile");
        QVERIFY(QDir().mkpath(dir));
        const QByteArray mono = samples(8000, 1), stereo = samples(8000, 2);
        const QByteArray f1 = fmt(1, 1, 8000, 16), f2 = fmt(1, 2, 8000, 16);
        auto dataOf = [](const QByteArray &d, quint32 declared) {
            QByteArray c("data");
            put32(c, declared);
            return c + d;
        };
        // The extensible form: 22 more bytes, valid bits, channel mask and
        // the sub-format's GUID, whose first two bytes name the format.
        auto extensible = [](int channels, int bits, int format) {
            QByteArray f = fmt(0xFFFE, channels, 8000, bits).left(16);
            put16(f, 22);
            put16(f, quint16(bits));
            put32(f, channels == 2 ? 3 : 4);
            put16(f, quint16(format));
            return f + QByteArray("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 14);
        };
        const QByteArray extensiblePcm = extensible(2, 16, 1), extensibleFloat = extensible(1, 32, 3);
        QByteArray shortFmt = fmt(1, 1, 8000, 16).left(12);

        struct Case {
            const char *name;
            QByteArray bytes;
            bool shown;  // a correct picture rather than a refusal
        };
        std::vector<Case> cases{
            {"empty", QByteArray(), false},
            {"riffonly", QByteArray("RIFF"), false},
            {"notwave", riff(chunk("fmt ", f1) + chunk("data", mono), "RIFF", "AVI "), false},
            {"rifx", riff(chunk("fmt ", f1) + chunk("data", mono), "RIFX"), false},
            // RF64 is how WAV goes past 4 GiB: shown (its data chunk's own size holds).
            {"rf64", riff(chunk("ds64", QByteArray(28, '\0')) + chunk("fmt ", f1) + chunk("data", mono), "RF64"), true},
            {"aiff", riff(chunk("COMM", QByteArray(18, '\0')) + chunk("SSND", mono), "FORM", "AIFF"), false},
            {"nofmt", riff(chunk("data", mono)), false},
            {"nodata", riff(chunk("fmt ", f1)), false},
            {"shortfmt", riff(chunk("fmt ", shortFmt) + chunk("data", mono)), false},
            {"hugefmt", riff(QByteArray("fmt ") + QByteArray("\xff\xff\xff\x7f", 4) + f1 + chunk("data", mono)), false},
            {"eightbit", riff(chunk("fmt ", fmt(1, 1, 8000, 8)) + chunk("data", mono)), false},
            {"twentyfour", riff(chunk("fmt ", fmt(1, 2, 8000, 24)) + chunk("data", stereo)), false},
            {"float", riff(chunk("fmt ", fmt(3, 1, 8000, 32)) + chunk("data", stereo)), false},
            {"alaw", riff(chunk("fmt ", fmt(6, 1, 8000, 8)) + chunk("data", mono)), false},
            {"extfloat", riff(chunk("fmt ", extensibleFloat) + chunk("data", stereo)), false},
            {"threechannels", riff(chunk("fmt ", fmt(1, 3, 8000, 16)) + chunk("data", samples(8000, 3))), false},
            {"zerochannels", riff(chunk("fmt ", fmt(1, 0, 8000, 16)) + chunk("data", mono)), false},
            {"onehertz", riff(chunk("fmt ", fmt(1, 1, 1, 16)) + chunk("data", mono)), false},
            {"hugerate", riff(chunk("fmt ", fmt(1, 1, 2000000000, 16)) + chunk("data", mono)), false},
            {"extensiblepcm", riff(chunk("fmt ", extensiblePcm) + chunk("data", stereo)), true},
            {"datalarger", riff(chunk("fmt ", f2)) + dataOf(stereo, 0x7FFFFFF0u), true},
            {"datasmallerodd", riff(chunk("fmt ", f2)) + dataOf(stereo, 1001), true},
            {"datazero", riff(chunk("fmt ", f1)) + dataOf(mono, 0), true},
            {"dataallones", riff(chunk("fmt ", f1)) + dataOf(mono, 0xFFFFFFFFu), true},
            {"oddlength", riff(chunk("fmt ", f2)) + dataOf(stereo + "x", quint32(stereo.size() + 1)), true},
            {"riffsizewrong", QByteArray("RIFF\x10\0\0\0WAVE", 12) + chunk("fmt ", f1) + chunk("data", mono), true},
            {"twodata", riff(chunk("fmt ", f1) + chunk("data", mono) + chunk("data", stereo)), false},
            {"databeforefmt", riff(chunk("data", mono) + chunk("fmt ", f1)), false},
            {"latedata", riff(chunk("fmt ", f2) + chunk("bext", QByteArray(40000, 'b')) + chunk("data", stereo)), true},
            {"manyempty", riff(QByteArray(8 * 20000, '\0')), false},
        };
        for (const Case &c : cases)
            QVERIFY(TestWav::WriteBytes(dir + "/" + c.name + ".wav", c.bytes));

        // Names that are not files: a folder, a FIFO and a symlink to it, a
        // device, a dangling symlink.
        QVERIFY(QDir().mkpath(dir + "/folder.wav"));
        QCOMPARE(::mkfifo(QFile::encodeName(dir + "/pipe.wav").constData(), 0644), 0);
        QVERIFY(QFile::link(dir + "/pipe.wav", dir + "/pipelink.wav"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir + "/zero.wav"));
        QVERIFY(QFile::link(dir + "/nowhere", dir + "/dangling.wav"));
        // Past what a WAV file can address (sparse: no disk is used).
        QVERIFY(TestWav::WriteBytes(dir + "/toolong.wav", riff(chunk("fmt ", f1) + chunk("data", mono))));
        QVERIFY(QFile::resize(dir + "/toolong.wav", 5LL << 30));
        QStringList specials{"folder", "pipe", "pipelink", "zero", "dangling", "toolong"};
        // Root reads files whatever their mode, so an unreadable one only
        // exists for other users.
        if (::geteuid() != 0) {
            QVERIFY(TestWav::WriteBytes(dir + "/unreadable.wav", riff(chunk("fmt ", f1) + chunk("data", mono))));
            QVERIFY(QFile::setPermissions(dir + "/unreadable.wav", QFileDevice::Permissions()));
            specials << "unreadable";
        }

        const QByteArray goodFile = riff(chunk("fmt ", f2) + chunk("data", samples(44100, 2)));
        QVERIFY(TestWav::WriteBytes(dir + "/good.wav", goodFile));

        auto w = std::make_unique<Pribor>();
        w->U1->SetListIndex(0);
        w->U2->SetListIndex(0);
        w->RasTime->SetListIndex(6);
        int shownCount = 0, refusedCount = 0;
        QStringList names;
        for (const Case &c : cases)
            names << QString::fromLatin1(c.name);
        names << specials;
        for (const QString &name : names) {
            const QString path = dir + "/" + name + ".wav";
            ScriptedMessages box;
            w->RasTime->SetListIndex(6);
            QVERIFY(w->OpenOscillogram(dir + "/good.wav"));
            QVERIFY(box.Shown().empty());
            const QImage before = w->RisBox->Image();

            QElapsedTimer clock;
            clock.start();
            const bool shown = w->OpenOscillogram(path);
            // Page about: every sweep, both ends, small and large steps.
            for (int sweep = 0; sweep <= 10; ++sweep) {
                w->RasTime->SetListIndex(sweep);
                w->HScroll1->SetValue(w->HScroll1->Max());
                w->HScroll1->SetValue(w->HScroll1->Value() - 1);
                w->HScroll1->SetValue(w->HScroll1->Value() - 10);
                w->HScroll1->SetValue(1);
            }
            QVERIFY2(clock.elapsed() < 5000, qPrintable(name));
            const Case *known = nullptr;
            for (const Case &c : cases)
                if (name == QLatin1String(c.name))
                    known = &c;
            const bool expectShown = known && known->shown;
            QVERIFY2(shown == expectShown, qPrintable(name + ": " + box.Texts().join('|')));
            if (shown) {
                ++shownCount;
                QVERIFY2(box.Shown().empty(), qPrintable(name + ": " + box.Texts().join('|')));
                QCOMPARE(w->st.SampleRate, 8000);
            } else {
                ++refusedCount;
                // One clear message, the previous oscillogram kept.
                QVERIFY2(box.Shown().size() == 1, qPrintable(name + ": " + box.Texts().join('|')));
                QVERIFY2(!box.Texts()[0].contains(QStringLiteral("№")), qPrintable(name + ": " + box.Texts()[0]));
                // It names what the file really holds.
                const QString says = name == QLatin1String("threechannels") ? QStringLiteral("каналов: 3.")
                                     : name == QLatin1String("zerochannels") ? QStringLiteral("каналов: 0.")
                                     : name == QLatin1String("onehertz")     ? QStringLiteral("(1 Гц)")
                                     : name == QLatin1String("hugerate")     ? QStringLiteral("(2000000000 Гц)")
                                                                             : QString();
                QVERIFY2(box.Texts()[0].contains(says), qPrintable(name + ": " + box.Texts()[0]));
                QCOMPARE(workingBytes(), goodFile);
                QCOMPARE(w->st.SampleRate, 8000);
                QVERIFY(w->st.TwoBeam);
                w->RasTime->SetListIndex(6);
                w->HScroll1->SetValue(1);
                QCOMPARE(w->RisBox->Image(), before);
            }
            QVERIFY(!QFile::exists(Paths::WorkingFile() + ".part"));
        }
        QCOMPARE(shownCount + refusedCount, names.size());
        QFile::remove(dir + "/toolong.wav");
        QVERIFY(names.size() >= 35);

        // A file that shrinks while shown: the next moves say so once, then
        // draw nothing; opening a file again brings the window back.
        {
            ScriptedMessages box;
            QVERIFY(w->OpenOscillogram(dir + "/good.wav"));
            w->HScroll1->SetValue(w->HScroll1->Max() / 2);
            QVERIFY(QFile::resize(Paths::WorkingFile(), 100));
            for (int i = 0; i < 20; ++i)
                w->HScroll1->SetValue(w->HScroll1->Value() + (i % 2 ? 10 : -1));
            QVERIFY(box.Shown().size() <= 1);
            QVERIFY(QFile::remove(Paths::WorkingFile()));
            for (int sweep = 0; sweep <= 10; ++sweep)
                w->RasTime->SetListIndex(sweep);
            QVERIFY(box.Shown().size() <= 1);
            QVERIFY(w->OpenOscillogram(dir + "/good.wav"));
            QCOMPARE(w->st.SampleRate, 8000);
        }

        // The copy is bounded by the size the source had when it began, and a
        // cancelled copy leaves neither the old working file changed nor a part.
        {
            const QString growing = dir + "/growing.wav";
            QVERIFY(TestWav::WriteBytes(growing, goodFile + QByteArray(3 << 20, '\1')));
            const qint64 start = QFileInfo(growing).size();
            QFile grow(growing);
            QVERIFY(grow.open(QIODevice::Append));
            const QString to = dir + "/copy.wav";
            QVERIFY(WorkingCopy::Copy(growing, to, [&](int64_t, int64_t) {
                grow.write(QByteArray(1 << 20, '\2'));
                grow.flush();
                return true;
            }));
            QCOMPARE(QFileInfo(to).size(), start);
            QVERIFY(!WorkingCopy::Copy(growing, to, [](int64_t, int64_t) { return false; }));
            QCOMPARE(QFileInfo(to).size(), start);
            QVERIFY(!QFile::exists(to + ".part"));
            int error = 0;
            try {
                WorkingCopy::Copy(dir + "/pipe.wav", to);
            } catch (const VbError &e) {
                error = e.Number;
            }
            QCOMPARE(error, int(Err::PathFileAccess));
        }
    }
};

SIGM_TEST(HostileFileTest)
#include "tst_hostile.moc"
