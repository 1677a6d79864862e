// SPDX-License-Identifier: GPL-3.0-or-later
// Files named from outside the window (command line, drag and drop) open
// through the real window with the open dialog's checks and messages.
#include "../display/testwav.h"
#include "app/pribor.h"
#include "display/ris.h"
#include "files/openpath.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/vbcolor.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testwindow.h"
#include "testregistry.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <cmath>
#include <memory>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int traced(const QImage &img)
{
    const QRgb blue = VbColor(0xFF0000).rgb() | 0xFF000000u, red = VbColor(0xFF).rgb() | 0xFF000000u;
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == blue || img.pixel(x, y) == red;
    return n;
}

bool writeSine(const QString &path, int rate, int channels)
{
    std::vector<int16_t> s;
    for (int i = 0; i < rate; ++i)
        for (int c = 0; c < channels; ++c)
            s.push_back(int16_t(12000 * std::sin(i * 0.05 * (c + 1))));
    return TestWav::Write(path, rate, channels, s);
}

// A drag carrying `paths` enters the window and, if taken, is dropped.
bool drop(Pribor &w, const QStringList &paths)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    const QPoint at = w.RisBox->geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &dropped);
    return dropped.isAccepted();
}

}  // namespace

class GivenFileTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }

    void aGoodARefusedAndAMissingFile()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        const QString good = TestEnv::Temp(QStringLiteral("good.wav"));
        QVERIFY(writeSine(good, 22050, 2));
        QVERIFY(OpenPath::OpenGivenFile(*w, good));
        QVERIFY2(box.Shown().empty(), qPrintable(box.Texts().join('|')));
        QCOMPARE(w->st.FlName, QStringLiteral("c:\\tmp.wav"));
        QCOMPARE(contents(Paths::WorkingFile()), contents(good));
        QCOMPARE(w->st.SampleRate, 22050);
        QVERIFY(w->st.TwoBeam);
        QVERIFY(traced(w->RisBox->Image()) > 0);
        QVERIFY(w->HScroll1->isEnabled() && w->PrintBiton->isEnabled() && w->PrintMenu->isEnabled()
                && w->Uroven->isEnabled() && w->XminY->isEnabled());

        // An 8-bit file and a name that does not exist: refused with one
        // message each, and the window keeps the file it showed.
        const QString eight = TestEnv::Temp(QStringLiteral("eight.wav"));
        QVERIFY(TestWav::Sox({"-D", "-n", "-r", "8000", "-c", "1", "-b", "8", eight, "synth", "1", "sine", "300"}));
        const QByteArray shown = contents(Paths::WorkingFile());
        QVERIFY(!OpenPath::OpenGivenFile(*w, eight));
        QCOMPARE(box.Shown().size(), size_t(1));
        QVERIFY2(box.Texts()[0].contains(QStringLiteral("16-разрядные")), qPrintable(box.Texts()[0]));
        QVERIFY(!OpenPath::OpenGivenFile(*w, TestEnv::Temp(QStringLiteral("nowhere.wav"))));
        QCOMPARE(box.Shown().size(), size_t(2));
        QVERIFY(box.Shown()[1].title.trimmed() == QStringLiteral("Сигмалит"));
        QCOMPARE(contents(Paths::WorkingFile()), shown);
        QCOMPARE(w->st.FlName, QStringLiteral("c:\\tmp.wav"));
        QCOMPARE(w->st.SampleRate, 22050);
        QVERIFY(traced(w->RisBox->Image()) > 0);
    }

    void onlyOneDroppedWavOpensAndOnlyWhenOpeningIsOffered()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        OpenPath::AcceptDrops(*w);
        const QString wav = TestEnv::Temp(QStringLiteral("Dropped.WAV"));
        const QString other = TestEnv::Temp(QStringLiteral("other.wav"));
        QVERIFY(writeSine(wav, 8000, 1));
        QVERIFY(writeSine(other, 11025, 2));
        QVERIFY(QFile::copy(other, TestEnv::Temp(QStringLiteral("notes.txt"))));

        QVERIFY(!drop(*w, {TestEnv::Temp(QStringLiteral("notes.txt"))}));
        QVERIFY(!drop(*w, {wav, other}));
        w->OpenBitton->setEnabled(false);  // as while capture runs
        QVERIFY(!drop(*w, {wav}));
        QTest::qWait(20);
        QVERIFY(!QFile::exists(Paths::WorkingFile()));

        w->OpenBitton->setEnabled(true);
        QVERIFY(drop(*w, {wav}));
        QTRY_COMPARE(contents(Paths::WorkingFile()), contents(wav));
        QTRY_COMPARE(w->st.SampleRate, 8000);
        QVERIFY(!w->st.TwoBeam);
        QVERIFY(traced(w->RisBox->Image()) > 0);
        QVERIFY2(box.Shown().empty(), qPrintable(box.Texts().join('|')));
    }
};

SIGM_TEST(GivenFileTest)
#include "tst_givenfile.moc"
