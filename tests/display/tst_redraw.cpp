// SPDX-License-Identifier: GPL-3.0-or-later
// Redraws on a real main window from real WAV files: what is read, when,
// and what ends up in the picture.
#include "acquisition/mci.h"
#include "app/pribor.h"
#include "display/ris.h"
#include "display/screenread.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/vbcolor.h"
#include "platform/vbcontrols.h"
#include "testenv.h"
#include "testwindow.h"
#include "testregistry.h"
#include "testwav.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <memory>

namespace {

const QRgb kBlue = VbColor(0xFF0000).rgb() | 0xFF000000u;
const QRgb kRed = VbColor(0xFF).rgb() | 0xFF000000u;

// Puts `file` in the working file's place and shows it, as the open
// dialog's action and the open command do.
void show(Pribor &w, const QString &file)
{
    QFile::remove(Paths::WorkingFile());
    QVERIFY(QFile::copy(file, Paths::WorkingFile()));
    w.st.FlName = QStringLiteral("c:\\tmp.wav");
    w.st.ForceReposition = true;
    w.OpenWorkingFile();
}

int count(const QImage &img, QRgb colour, int rowFrom = 0, int rowTo = -1)
{
    if (rowTo < 0)
        rowTo = img.height() - 1;
    int n = 0;
    for (int y = std::max(0, rowFrom); y <= std::min(rowTo, img.height() - 1); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == colour;
    return n;
}

// Pixel row of a user ordinate on the surface.
int rowOf(const Ris &ris, double y)
{
    return int(ris.ToPixel(0, y).y());
}

std::vector<int16_t> constantStereo(int frames, int16_t left, int16_t right)
{
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i) {
        s.push_back(left);
        s.push_back(right);
    }
    return s;
}

// Sample n of the ramp file: a sawtooth whose value tells where it was read.
int16_t ramp(int n)
{
    return int16_t(n % 20000 - 10000);
}

}  // namespace

class RedrawTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(TestWav::Write(TestEnv::Temp("levels.wav"), 44100, 2, constantStereo(44100, 8192, -16384)));
        std::vector<int16_t> r;
        for (int n = 0; n < 441000; ++n)
            r.push_back(ramp(n));
        QVERIFY(TestWav::Write(TestEnv::Temp("ramp.wav"), 44100, 1, r));
        std::vector<int16_t> spike(88200, 0);
        spike[20000] = 24000;
        QVERIFY(TestWav::Write(TestEnv::Temp("spike.wav"), 44100, 1, spike));
    }

    void init()
    {
        TestEnv::Reset();
        Globals::CenterBeams = false;
    }
    void cleanup() { Globals::CenterBeams = true; }

    void tracesSitAtTheirLevelsInTheirColours()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        show(*w, TestEnv::Temp("levels.wav"));
        QVERIFY(box.Shown().empty());
        QCOMPARE(w->st.SampleRate, 44100);
        QVERIFY(w->st.TwoBeam);
        const QImage &img = w->RisBox->Image();
        const int width = img.width();
        // First trace one division up, second two divisions down.
        const int blueRow = rowOf(*w->RisBox, -8192), redRow = rowOf(*w->RisBox, 16384);
        QVERIFY(count(img, kBlue, blueRow - 2, blueRow + 2) >= 2 * width - 4);
        QCOMPARE(count(img, kBlue), count(img, kBlue, blueRow - 2, blueRow + 2));
        QVERIFY(count(img, kRed, redRow - 2, redRow + 2) >= 2 * width - 4);
        QCOMPARE(count(img, kRed), count(img, kRed, redRow - 2, redRow + 2));
        // Graticule: the centre line is black.
        QCOMPARE(img.pixel(width / 3, rowOf(*w->RisBox, -1)), qRgb(0, 0, 0));
        QVERIFY(w->U1->isEnabled() && w->VScroll1->isEnabled() && w->VScroll2->isEnabled());
        QCOMPARE(w->nachalo->text(), QStringLiteral("0"));
        QCOMPARE(w->konec->text(), QStringLiteral("0") + QLocale().decimalPoint() + QStringLiteral("01"));

        // Subtraction: one blue trace of the difference, no red, second controls off.
        w->XminY_Click();
        QVERIFY(w->st.SubtractMode);
        QCOMPARE(count(img, kRed), 0);
        const int diffRow = rowOf(*w->RisBox, -24576);
        QVERIFY(count(img, kBlue, diffRow - 2, diffRow + 2) >= 2 * width - 4);
        QVERIFY(!w->U1->isEnabled() && !w->VScroll1->isEnabled());
        QVERIFY(box.Shown().empty());
    }

    void sensitivityAndPositionRepaintWithoutReading()
    {
        auto w = TestWindow();
        show(*w, TestEnv::Temp("levels.wav"));
        const QImage &img = w->RisBox->Image();
        const int reads = ScreenRead::ReadCount();

        w->U2->SetListIndex(1);  // × 2
        QCOMPARE(ScreenRead::ReadCount(), reads);
        int row = rowOf(*w->RisBox, -16384);
        QVERIFY(count(img, kBlue, row - 2, row + 2) >= 2 * img.width() - 4);

        w->VScroll2->SetValue(8192);  // one division up
        QCOMPARE(ScreenRead::ReadCount(), reads);
        row = rowOf(*w->RisBox, -24576);
        QVERIFY(count(img, kBlue, row - 2, row + 2) >= 2 * img.width() - 4);

        w->U1->SetListIndex(0);  // unchanged: no event at all
        w->VScroll1->SetValue(-8192);
        QCOMPARE(ScreenRead::ReadCount(), reads);
        row = rowOf(*w->RisBox, 16384 + 8192);
        QVERIFY(count(img, kRed, row - 2, row + 2) >= 2 * img.width() - 4);

        // A new sweep reads again, once.
        w->RasTime->SetListIndex(5);
        QCOMPARE(ScreenRead::ReadCount(), reads + 1);
    }

    void pagingReadsOneScreenPerMove()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        show(*w, TestEnv::Temp("ramp.wav"));
        QCOMPARE(w->st.DataStart, 49);
        QCOMPARE(w->st.ScrollUnit, 55);  // 882044 / 16000
        QCOMPARE(w->HScroll1->Max(), 16038);

        // Opening shows the file's first screen: from DataStart (frame 2).
        QCOMPARE(w->st.ViewStart, 49);
        QCOMPARE(w->st.LeftBuffer[0], int32_t(ramp(2)));

        auto expectView = [&](int32_t viewStart) {
            QCOMPARE(w->st.ViewStart, viewStart);
            const int32_t aligned = 49 + (viewStart - 49 + 3) / 4 * 4;
            QCOMPARE(w->st.LeftBuffer[0], int32_t(ramp((aligned - 45) / 2)));
            QVERIFY(!w->st.SuppressScroll);
        };

        w->HScroll1->SetValue(3000);  // drag
        expectView(55 * 3000);
        int reads = ScreenRead::ReadCount();
        w->HScroll1->SetValue(3001);  // right arrow: a tenth of a screen (445 / 5 → 89)
        QCOMPARE(ScreenRead::ReadCount(), reads + 1);
        expectView(55 * 3000 + 89);
        QCOMPARE(w->HScroll1->Value(), 3002);  // 165089 / 55 = 3001.6
        reads = ScreenRead::ReadCount();
        w->HScroll1->SetValue(3012);  // trough: one screen
        QCOMPARE(ScreenRead::ReadCount(), reads + 1);
        expectView(55 * 3000 + 89 + 890);
        reads = ScreenRead::ReadCount();
        w->HScroll1->SetValue(w->HScroll1->Value() - 1);
        QCOMPARE(ScreenRead::ReadCount(), reads + 1);
        expectView(55 * 3000 + 890);
        QVERIFY(box.Shown().empty());
        // The labels tell where the screen starts: read at 165893, (165893 - 49) / 88200 s.
        QCOMPARE(w->nachalo->text(), QStringLiteral("1") + QLocale().decimalPoint() + QStringLiteral("8803"));
    }

    // Paging a stopped file from trigger to trigger puts every event on the
    // first division's line, to within a pixel, at every sweep, one
    // channel or two: the screen is shifted by the fraction of a frame the
    // crossing lies at and by what the read's 4-byte steps leave over.
    void triggerPagingPutsEveryEventOnItsLine()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        w->show();
        w->TrigAuto->trigger();
        w->TrigOneDiv->trigger();
        w->Trig.levelVolts = 0;
        const int sweeps[11] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000};
        QStringList off;
        for (int channels : {1, 2}) {
            for (int index = 0; index <= 10; ++index) {
                // About 2.3 periods a screen, at no whole number of frames a period.
                const double hz = 2.3 * sweeps[index] * 1.0137;
                const int frames = int(44100 * (8 / hz + 2.0 / sweeps[index]));
                std::vector<int16_t> s;
                for (int n = 0; n < frames; ++n)
                    for (int c = 0; c < channels; ++c)
                        s.push_back(int16_t(std::lround(12000 * std::sin(2 * M_PI * hz * n / 44100 - 0.3))));
                const QString file = TestEnv::Temp("tone.wav");
                QVERIFY(TestWav::Write(file, 44100, channels, s));
                {
                    const QSignalBlocker quiet(w->RasTime);
                    w->RasTime->SetListIndex(index);
                }
                show(*w, file);
                w->PrintBiton->setEnabled(true);  // as an opened file has it
                for (int page = 0; page < 4; ++page) {
                    const int64_t before = w->st.ViewStart;
                    (page < 3 ? w->TrigNext : w->TrigPrev)->trigger();
                    QVERIFY2(w->st.ViewStart != before,
                             qPrintable(QStringLiteral("%1 Гц: page %2 stayed").arg(hz).arg(page)));
                    const auto &b = w->st.LeftBuffer;
                    const int points = w->st.PointCount;
                    const double line = points / 10.0, perSlot = double(w->RisBox->width()) / points;
                    // The rising crossing of 0 nearest the line (a decimated
                    // screen holds highs and lows in turn: their mean).
                    double best = 1e9;
                    const int step = w->st.Decimated ? 2 : 1;
                    auto at = [&](int i) {
                        return w->st.Decimated ? (b[size_t(i)] + b[size_t(i) + 1]) / 2.0 : double(b[size_t(i)]);
                    };
                    for (int i = step; i + step <= points; i += step) {
                        const double y0 = at(i - step), y1 = at(i);
                        if (y0 < 0 && y1 >= 0) {
                            const double x = i - step + step * (-y0 / (y1 - y0)) + (w->st.Decimated ? 0.5 : 0);
                            if (std::abs(x - line) < std::abs(best - line))
                                best = x;
                        }
                    }
                    const double px = (best - line) * perSlot;
                    if (!(std::abs(px) <= 1.0))
                        off << QStringLiteral("%1 ch, sweep %2, page %3: %4 px").arg(channels).arg(index).arg(page).arg(px);
                }
            }
        }
        QVERIFY2(off.isEmpty(), qPrintable(off.join('\n')));
        QVERIFY(box.Shown().empty());
    }

    void theEndOfTheFileShowsAnEmptyScreen()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        show(*w, TestEnv::Temp("ramp.wav"));
        w->HScroll1->SetValue(w->HScroll1->Max());
        QCOMPARE(w->st.ViewStart, w->st.FileLength);
        QCOMPARE(w->st.PointCount, int16_t(0));
        const QImage &img = w->RisBox->Image();
        QCOMPARE(count(img, kBlue), 0);
        QVERIFY(count(img, qRgb(0, 0, 0)) > img.width());  // the graticule is there
        // A short last screen keeps zeros after the file's end.
        w->HScroll1->SetValue(16030);  // 394 bytes before the end
        QVERIFY(w->st.PointCount > 0);
        QCOMPARE(w->st.LeftBuffer[size_t(w->st.PointCount)], 0);
        for (int sweep = 0; sweep <= 10; ++sweep)
            w->RasTime->SetListIndex(sweep);
        QVERIFY(box.Shown().empty());
    }

    void aOneSampleSpikeIsDrawnAtTheSlowestSweep()
    {
        auto w = TestWindow();
        w->RasTime->SetListIndex(0);
        show(*w, TestEnv::Temp("spike.wav"));
        QVERIFY(w->st.Decimated);
        QCOMPARE(w->st.PointCount, int16_t(2937));
        const QImage &img = w->RisBox->Image();
        const int top = rowOf(*w->RisBox, -24000);
        QVERIFY(count(img, kBlue, top - 1, top + 1) > 0);
        QCOMPARE(count(img, kBlue, 0, top - 3), 0);
    }

    void centringPutsAConstantOnItsPositionLine()
    {
        Globals::CenterBeams = true;
        auto w = TestWindow();
        w->VScroll1->SetValue(-16384);  // keep the red trace off the blue one
        show(*w, TestEnv::Temp("levels.wav"));
        const int redRow = rowOf(*w->RisBox, 16384);
        QVERIFY(count(w->RisBox->Image(), kRed, redRow - 2, redRow + 2) >= 2 * w->RisBox->Image().width() - 4);
        const QImage &img = w->RisBox->Image();
        const int centre = rowOf(*w->RisBox, 0);
        QVERIFY(count(img, kBlue, centre - 2, centre + 2) >= 2 * img.width() - 4);
        w->VScroll2->SetValue(8192);
        const int up = rowOf(*w->RisBox, -8192);
        QVERIFY(count(img, kBlue, up - 2, up + 2) >= 2 * img.width() - 4);
    }

    void aShortPassLengthensTheNextPassesWithinBounds()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        w->RasTime->SetListIndex(6);
        w->st.FlName = QStringLiteral("c:\\tmp.wav");
        w->st.SampleRate = 44100;
        w->st.TwoBeam = false;
        w->st.CaptureRunning = true;
        w->st.CaptureLengthFactor = 1.2f;
        // A pass of 300 frames cannot fill a screen of 441 read from byte 1051.
        const std::vector<int16_t> shortPass(300, 1000);
        for (int pass = 0; pass < 6; ++pass) {
            QVERIFY(TestWav::Write(Paths::WorkingFile(), 44100, 1, shortPass));
            w->RedrawTraces(1051);
        }
        QCOMPARE(w->st.CaptureLengthFactor, 4.8f);  // doubled twice, then held
        // Silence that fills the screen ends in 0 too, but is not short.
        w->st.CaptureLengthFactor = 1.2f;
        const std::vector<int16_t> silence(4410, 0);
        for (int pass = 0; pass < 3; ++pass) {
            QVERIFY(TestWav::Write(Paths::WorkingFile(), 44100, 1, silence));
            w->RedrawTraces(1051);
        }
        QCOMPARE(w->st.CaptureLengthFactor, 1.2f);
        QVERIFY(box.Shown().empty());
        w->st.CaptureRunning = false;
    }

    void capturingReadsAtTheGivenPositionAndDeletesTheFile()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        QVERIFY(QFile::copy(TestEnv::Temp("levels.wav"), Paths::WorkingFile()));
        w->st.FlName = QStringLiteral("c:\\tmp.wav");
        w->st.SampleRate = 44100;
        w->st.TwoBeam = true;
        w->st.CaptureRunning = true;
        w->nachalo->setText(QStringLiteral("stale"));
        w->RedrawTraces(51);
        QVERIFY(box.Shown().empty());
        QVERIFY(!QFile::exists(Paths::WorkingFile()));
        // A live screen shows its own span (1 мС: 0 … 0.01), not a file's times.
        QCOMPARE(w->nachalo->text(), QStringLiteral("0"));
        QCOMPARE(w->konec->text(), QStringLiteral("0") + QLocale().decimalPoint() + QStringLiteral("01"));
        QVERIFY(count(w->RisBox->Image(), kBlue) > 0);
        // Byte 51 of this 44-byte-header file holds frame 1's second channel.
        QCOMPARE(w->st.LeftBuffer[0], -16384);
        w->st.CaptureRunning = false;
    }

    void aBadRecordNumberPutsTheTemplateInPlace()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        QVERIFY(TestWav::WriteBytes(Paths::WorkingFile(), QByteArray("broken")));
        w->st.FlName = QStringLiteral("c:\\tmp.wav");
        w->st.SampleRate = 8000;
        w->st.CaptureRunning = true;
        w->RedrawTraces(0);
        // The redraw itself says nothing; the working file is a recording
        // again (the template, or what the restarted capture saved over it).
        for (const QString &text : box.Texts())
            QVERIFY2(!text.startsWith(QStringLiteral("Не предвиденная ошибка")), qPrintable(text));
        QFile working(Paths::WorkingFile());
        QVERIFY(working.open(QIODevice::ReadOnly));
        QCOMPARE(working.read(4), QByteArray("RIFF"));
        // Leave capture stopped and the device closed for the next test.
        if (w->Stopbiton->isEnabled())
            w->Stopbiton_Click();
        mciSendString(QStringLiteral("Close Zvuk"));
        w->Timer1->stop();
        w->st.CaptureRunning = false;
    }

    void aVanishedWorkingFileIsReportedOnce()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        show(*w, TestEnv::Temp("levels.wav"));
        QVERIFY(QFile::remove(Paths::WorkingFile()));
        w->RasTime->SetListIndex(3);
        QCOMPARE(box.Shown().size(), size_t(1));
        QCOMPARE(box.Shown()[0].text,
                 QStringLiteral("Файл c:\\tmp.wav неожиданно удален с диска, откройте файл ещё раз!"));
        QCOMPARE(box.Shown()[0].title, QStringLiteral("Сигмалит"));
        QCOMPARE(box.Shown()[0].icon, MsgIcon::Critical);
    }

    void nothingLoadedOrNoFileDrawsNothing()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        const int reads = ScreenRead::ReadCount();
        w->RasTime->SetListIndex(2);  // SampleRate 0
        w->st.SampleRate = 44100;
        w->st.FlName.clear();  // after a cancelled open
        w->RasTime->SetListIndex(3);
        w->HScroll1->SetValue(50);
        w->U2->SetListIndex(4);
        QCOMPARE(ScreenRead::ReadCount(), reads);
        QVERIFY(box.Shown().empty());
    }

    void unselectedSweepAndSensitivityGetDefaults()
    {
        auto w = TestWindow();
        show(*w, TestEnv::Temp("levels.wav"));
        {
            const QSignalBlocker quiet(w->U2);
            w->U2->SetListIndex(-1);
        }
        w->RasTime->setCurrentIndex(-1);  // raises RasTime_Click, which selects 1 мС
        QCOMPARE(w->RasTime->ListIndex(), 6);
        QVERIFY(!w->st.SweepForced);
        QCOMPARE(w->U2->ListIndex(), 0);
        const int row = rowOf(*w->RisBox, -8192);
        QVERIFY(count(w->RisBox->Image(), kBlue, row - 2, row + 2) > 0);
    }

    void tinyScreensDrawWithoutLooping()
    {
        auto w = TestWindow();
        w->st.SampleRate = 8000;
        w->st.DataStart = 49;
        uint8_t channels = 1;
        for (int points = 0; points < 5; ++points) {
            w->st.LeftBuffer.assign(size_t(points) + 1, 1000);
            w->st.PointCount = int16_t(points);
            w->PrepareScreen(points, 100, 49, channels);
            QVERIFY(count(w->RisBox->Image(), qRgb(0, 0, 0)) > 0);
        }
        QVERIFY(count(w->RisBox->Image(), kBlue) > 0);
    }

    // A page repaints only the rows its old and new traces cover; what the
    // window shows after any change must still be what painting it whole
    // shows.
    void theWindowShowsWhatAWholeRepaintShows()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        w->resize(Twips::ToPixels(9510), Twips::ToPixels(7125));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // The first pixel where the window differs from a whole repaint.
        auto differs = [&]() -> QString {
            QApplication::processEvents();
            const QImage shown = w->screen()->grabWindow(w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
            const QImage whole = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
            if (shown.size() != whole.size())
                return QStringLiteral("the window's size");
            for (int y = 0; y < whole.height(); ++y)
                for (int x = 0; x < whole.width(); ++x)
                    if (shown.pixel(x, y) != whole.pixel(x, y))
                        return QStringLiteral("pixel %1,%2 shows %3, a whole repaint %4")
                            .arg(x)
                            .arg(y)
                            .arg(shown.pixel(x, y), 0, 16)
                            .arg(whole.pixel(x, y), 0, 16);
            return {};
        };
        QString diff;
#define SAME_AFTER(change)                                                                               \
    do {                                                                                                 \
        change;                                                                                          \
        diff = differs();                                                                                \
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral(#change) + QStringLiteral(": ") + diff));     \
    } while (0)
        SAME_AFTER(show(*w, TestEnv::Temp("ramp.wav")));
        for (int step : {1, 10, 1, -1, -10, 400})
            SAME_AFTER(w->HScroll1->SetValue(w->HScroll1->Value() + step));
        SAME_AFTER(w->U2->SetListIndex(1));
        SAME_AFTER(w->VScroll2->SetValue(w->VScroll2->Value() + 3000));
        SAME_AFTER(w->XminY_Click());
        SAME_AFTER(w->XminY_Click());
        SAME_AFTER(w->RasTime->SetListIndex(2));
        SAME_AFTER(w->HScroll1->SetValue(w->HScroll1->Value() + 1));
        // A level on the top row, then off it: that row runs under the
        // caption without a background that marks the position bar.
        SAME_AFTER(show(*w, TestEnv::Temp("levels.wav")));
        SAME_AFTER(w->U2->SetListIndex(0));
        SAME_AFTER(w->VScroll2->SetValue(32768 - 8192 - 100));
        QVERIFY(count(w->RisBox->Image(), kBlue, 0, 0) > 0);
        SAME_AFTER(w->VScroll2->SetValue(20000));
#undef SAME_AFTER
        QVERIFY(box.Shown().empty());
    }

    // A time to a tenth of a millisecond can be wider than its caption's
    // place: the caption grows away from its anchored edge (nachalo's left,
    // konec's right) so the whole number shows, never over the caption
    // between them, and a short time gives the place back.
    void timeCaptionsShowTheirWholeNumber()
    {
        ScriptedMessages box;
        auto w = TestWindow();
        w->resize(Twips::ToPixels(9510), Twips::ToPixels(7125));
        QFont large = w->konec->font();
        large.setPixelSize(15);
        w->nachalo->setFont(large);
        w->konec->setFont(large);
        show(*w, TestEnv::Temp("ramp.wav"));
        const QRect nachaloPlace = w->nachalo->geometry(), konecPlace = w->konec->geometry();
        auto needs = [](QLabel *l) { return l->fontMetrics().horizontalAdvance(l->text()); };
        w->HScroll1->SetValue(3001);
        QVERIFY(needs(w->konec) > konecPlace.width() && needs(w->nachalo) > nachaloPlace.width());
        for (QLabel *l : {w->nachalo, w->konec})
            QVERIFY2(needs(l) <= l->contentsRect().width(), qPrintable(l->text()));
        QCOMPARE(w->nachalo->x(), nachaloPlace.x());
        QCOMPARE(w->konec->geometry().right(), konecPlace.right());
        if (w->Label3->isVisible()) {
            QVERIFY(w->nachalo->geometry().right() < w->Label3->x());
            QVERIFY(w->konec->x() > w->Label3->geometry().right());
        }
        w->HScroll1->SetValue(1);
        QCOMPARE(w->nachalo->text(), QStringLiteral("0"));
        QCOMPARE(w->nachalo->geometry(), nachaloPlace);
        QCOMPARE(w->konec->width(), konecPlace.width());
        QVERIFY(box.Shown().empty());
    }
};

SIGM_TEST(RedrawTest)
#include "tst_redraw.moc"
