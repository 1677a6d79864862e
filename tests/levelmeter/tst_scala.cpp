// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pribor.h"
#include "levelmeter/levelmath.h"
#include "levelmeter/levelpicture.h"
#include "levelmeter/scala.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "platform/vbcolor.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"
#include "testenv.h"
#include "testregistry.h"

#include <QAction>
#include <QLocale>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <memory>
#include <set>

namespace {

QString dbText(const char *number)
{
    return QStringLiteral("-") + QString::fromLatin1(number).replace(QLatin1Char('.'), QLocale().decimalPoint())
           + QStringLiteral(" дБ");
}

QString scalaSetting(const char *key)
{
    return SettingsStore::GetSetting("Sigm", "Scala", key, "<absent>");
}

std::unique_ptr<Pribor> mainWindow()
{
    SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
    auto w = std::make_unique<Pribor>();
    w->Form_Load();
    return w;
}

Scala *openLevelWindow(Pribor &w)
{
    w.Uroven->setEnabled(true);
    w.Uroven->trigger();  // through the menu, as a user would
    return w.ScalaWindow;
}

void feed(Pribor &w, std::vector<int32_t> left, std::vector<int32_t> right, bool twoBeam)
{
    w.st.PointCount = int16_t(left.size() - 1);
    w.st.LeftBuffer = std::move(left);
    w.st.RightBuffer = std::move(right);
    w.st.TwoBeam = twoBeam;
    w.FeedLevelMeter();
}

// Columns holding a pixel of the colour (or, with match false, of any
// other colour) between user heights y1 and y2.
std::set<int> columnsWith(const LevelPicture *p, const QColor &c, double y1, double y2, bool match = true)
{
    std::set<int> cols;
    const QImage &img = p->Image();
    const int top = int(std::ceil(p->ToPixel(0, y1).y()));
    const int bottom = int(std::floor(p->ToPixel(0, y2).y()));
    for (int y = std::max(0, top); y <= std::min(img.height() - 1, bottom); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixelColor(x, y) == c) == match)
                cols.insert(x);
    return cols;
}

const QColor kBlue = VbColor(0xFF0000);
const QColor kBlack = VbColor(0);

}  // namespace

class LevelMathTest : public QObject {
    Q_OBJECT
private slots:
    void peakLevels()
    {
        using LevelMeter::PeakLevel;
        auto silent = PeakLevel({0, 0, 0}, 2);
        QCOMPARE(silent.level, 0.0f);
        QVERIFY(!silent.clipped);
        auto full = PeakLevel({5, -32767, 100}, 2);
        QVERIFY(std::fabs(full.level - 90.309f) < 0.001f);
        QVERIFY(!full.clipped);
        // Full-scale negative sample: clipped, measured as 32767.
        auto clip = PeakLevel({0, -32768}, 1);
        QVERIFY(clip.clipped);
        QCOMPARE(clip.level, full.level);
        // Only elements 0..last count.
        QCOMPARE(PeakLevel({10, 32767}, 0).level, 20.0f);
        // An index past the buffer reads no further than its end.
        QCOMPARE(PeakLevel({100}, 5000).level, 40.0f);
        QCOMPARE(PeakLevel({}, 10).level, 0.0f);
        QCOMPARE(PeakLevel({7}, -1).level, 0.0f);
        // 32-bit values beyond 16 bits (summed traces) clip too.
        QVERIFY(PeakLevel({INT32_MIN}, 0).clipped);
    }

    void levelTexts()
    {
        using LevelMeter::LevelText;
        QCOMPARE(LevelText(0.0f), dbText("90.3"));
        QCOMPARE(LevelText(LevelMeter::PeakLevel({32767}, 0).level), QStringLiteral("-0 дБ"));
        QCOMPARE(LevelText(LevelMeter::PeakLevel({3277}, 0).level), QStringLiteral("-20 дБ"));
        QCOMPARE(LevelText(LevelMeter::PeakLevel({1000}, 0).level), dbText("30.3"));
        // 90.3 - 60.25 = 30.05: the tenths round half to even.
        QCOMPARE(LevelText(60.25f), dbText("30"));
        // The user's decimal separator.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(LevelText(0.0f), QStringLiteral("-90,3 дБ"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(LevelText(0.0f), QStringLiteral("-90.3 дБ"));
        QLocale::setDefault(before);
    }

    void scaleWidths()
    {
        QCOMPARE(LevelMeter::ScaleWidthFor(90), 90.11);
        QCOMPARE(LevelMeter::ScaleWidthFor(40), 40.11);
        QCOMPARE(LevelMeter::ScaleWidthFor(30), 30.05);
        QCOMPARE(LevelMeter::ScaleWidthFor(20), 20.03);
        QCOMPARE(LevelMeter::ScaleWidthFor(10), 10.03);
        QCOMPARE(LevelMeter::TickLabel(0), QStringLiteral("-90"));
        QCOMPARE(LevelMeter::TickLabel(8), QStringLiteral("-10"));
        QCOMPARE(LevelMeter::TickLabel(9), QStringLiteral("0"));
    }
};

class ScalaTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }

    void opensAsAFloatingWindowBesideTheMainWindow()
    {
        auto w = mainWindow();
        w->SetBoundsTw(1500, 750, 9510, 7125);
        Scala *s = openLevelWindow(*w);
        QVERIFY(s);
        QVERIFY(w->Uroven->isChecked());
        QVERIFY(s->isVisible());
        QCOMPARE(s->windowTitle(), QStringLiteral("Уровень сигнала (дБ)"));
        // Above the main window, not above every window.
        QVERIFY(!(s->windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(s->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QCOMPARE(s->parentWidget(), static_cast<QWidget *>(w.get()));
        // No stored place: 400 twips right of and 1345 below the main window.
        QCOMPARE(s->pos(), QPoint(Twips::ToPixels(1900), Twips::ToPixels(2095)));
        if (Twips::PerPixel() == 15.0)
            QCOMPARE(Scala::OuterSizePx(), QSize(461, 114));
        // The design range and an empty scale until the first screen.
        QCOMPARE(s->HScrollNach->Value(), 9);
        QCOMPARE(s->HScrollEnd->Value(), 0);
        QCOMPARE(s->SpanDb, uint8_t(90));
        QCOMPARE(s->Uroven->ScaleLeft, 0.0);
        QCOMPARE(s->Uroven->ScaleWidth, 90.11);
        QCOMPARE(s->LabelUrLk->text(), dbText("90.3"));
        QVERIFY(s->ShapeL->isHidden() && s->ShapeR->isHidden());
        // Room for a line of text below y = 16.
        QVERIFY(s->Uroven->ScaleHeight - 16 >= s->Uroven->TextHeight() - 1e-9);
        w->Uroven->trigger();
        QVERIFY(!w->Uroven->isChecked());
        QVERIFY(!w->ScalaWindow);
    }

    void silenceShowsTheFloorAndEmptyBars()
    {
        auto w = mainWindow();
        Scala *s = openLevelWindow(*w);
        feed(*w, std::vector<int32_t>(500, 0), std::vector<int32_t>(500, 0), true);
        QCOMPARE(s->LabelUrLk->text(), dbText("90.3"));
        QCOMPARE(s->LabelUrPk->text(), dbText("90.3"));
        QCOMPARE(s->LevelLeft, 0.0f);
        QVERIFY(columnsWith(s->Uroven, kBlue, 7, 9).empty());
        QVERIFY(columnsWith(s->Uroven, kBlue, 11, 13).empty());
        QVERIFY(s->ShapeL->isHidden() && s->ShapeR->isHidden());
    }

    void barsAndTextsFollowThePeaks()
    {
        auto w = mainWindow();
        Scala *s = openLevelWindow(*w);
        std::vector<int32_t> left(300, 0), right(300, 0);
        left[150] = 32767;
        right[20] = -3277;
        feed(*w, left, right, true);
        QCOMPARE(s->LabelUrLk->text(), QStringLiteral("-0 дБ"));
        QCOMPARE(s->LabelUrPk->text(), QStringLiteral("-20 дБ"));
        QVERIFY(s->ShapeL->isHidden() && s->ShapeR->isHidden());
        const int width = s->Uroven->Image().width();
        // Full scale fills the picture: the bar runs past the tick "0"
        // (the ticks are drawn over the bars).
        const auto leftBar = columnsWith(s->Uroven, kBlue, 7, 9);
        QVERIFY(!leftBar.empty());
        QVERIFY(*leftBar.begin() <= 1);  // the tick at x = 0 covers column 0
        QVERIFY(*leftBar.rbegin() >= width - 2);  // the tick "0" covers the last one
        // -20 dB ends at x = 70.3 of the 0..90.11 scale.
        const auto rightBar = columnsWith(s->Uroven, kBlue, 11, 13);
        QVERIFY(!rightBar.empty());
        QVERIFY(*rightBar.begin() <= 1);
        const double end = s->Uroven->ToPixel(70.31, 0).x();
        QVERIFY(std::abs(*rightBar.rbegin() + 1 - end) <= 2.0);  // the tick at 70 may cover the last column
        // Between the bars the background shows.
        QVERIFY(columnsWith(s->Uroven, kBlue, 9.6, 10.4).empty());
    }

    void fullScaleSampleLightsItsClipMark()
    {
        auto w = mainWindow();
        Scala *s = openLevelWindow(*w);
        std::vector<int32_t> left(100, 1000), right(100, 0);
        right[99] = -32768;
        feed(*w, left, right, true);
        QVERIFY(s->ShapeL->isHidden());
        QVERIFY(!s->ShapeR->isHidden());
        QCOMPARE(s->LabelUrPk->text(), QStringLiteral("-0 дБ"));
        QCOMPARE(s->LevelRight, LevelMeter::PeakLevel({32767}, 0).level);
        left[0] = -32768;
        right[99] = 0;
        feed(*w, left, right, true);
        QVERIFY(!s->ShapeL->isHidden());
        QVERIFY(s->ShapeR->isHidden());
    }

    void singleBeamLeavesTheRightClipMarkAsItWas()
    {
        auto w = mainWindow();
        Scala *s = openLevelWindow(*w);
        feed(*w, {0, 5}, {-32768, 0}, true);
        QVERIFY(!s->ShapeR->isHidden());
        // One beam: the right side reads the floor but the mark stays lit;
        // the right buffer is not read at all (here it is empty).
        feed(*w, {0, 5000}, {}, false);
        QVERIFY(!s->ShapeR->isHidden());
        QCOMPARE(s->LevelRight, 0.0f);
        QCOMPARE(s->LabelUrPk->text(), dbText("90.3"));
        QVERIFY(columnsWith(s->Uroven, kBlue, 11, 13).empty());
        QVERIFY(!columnsWith(s->Uroven, kBlue, 7, 9).empty());
        // The next two-beam screen without a clip puts it out.
        feed(*w, {0, 5}, {0, 5}, true);
        QVERIFY(s->ShapeR->isHidden());
    }

    void rangeBarsNeverCross()
    {
        auto w = mainWindow();
        Scala *s = openLevelWindow(*w);
        // Dragging the lower end up to the upper one puts it one step back.
        s->HScrollNach->SetValue(5);
        s->HScrollEnd->SetValue(5);
        QCOMPARE(s->HScrollEnd->Value(), 4);
        QCOMPARE(s->HScrollNach->Value(), 5);
        s->HScrollNach->SetValue(2);
        QCOMPARE(s->HScrollNach->Value(), 5);
        QCOMPARE(s->SpanDb, uint8_t(10));
        QRandomGenerator rng(12345);
        const QAbstractSlider::SliderAction actions[] = {
            QAbstractSlider::SliderSingleStepAdd, QAbstractSlider::SliderSingleStepSub,
            QAbstractSlider::SliderPageStepAdd, QAbstractSlider::SliderPageStepSub,
            QAbstractSlider::SliderToMinimum, QAbstractSlider::SliderToMaximum};
        for (int n = 0; n < 400; ++n) {
            VbScrollBar *bar = rng.bounded(2) ? s->HScrollEnd : s->HScrollNach;
            if (rng.bounded(2))
                bar->triggerAction(actions[rng.bounded(6)]);
            else
                bar->SetValue(rng.bounded(10));
            const int end = s->HScrollEnd->Value(), nach = s->HScrollNach->Value();
            QVERIFY2(end < nach, qPrintable(QString("step %1: %2 >= %3").arg(n).arg(end).arg(nach)));
            QCOMPARE(int(s->SpanDb), 10 * (nach - end));
            QCOMPARE(s->Uroven->ScaleLeft, 10.0 * end);
        }
    }

    void topDecadeShowsTenOneDbTicks()
    {
        auto w = mainWindow();
        Scala *s = openLevelWindow(*w);
        s->HScrollEnd->SetValue(8);
        QCOMPARE(s->HScrollEnd->Value(), 8);
        QCOMPARE(s->HScrollNach->Value(), 9);
        QCOMPARE(s->Uroven->ScaleLeft, 80.0);
        QCOMPARE(s->Uroven->ScaleWidth, 10.03);
        feed(*w, {0, 0}, {0, 0}, true);
        // "-10" at the left edge, "0" against the right edge, each printed
        // above and below the ticks.
        const auto &texts = s->Uroven->PrintedTexts();
        QCOMPARE(int(texts.size()), 4);
        const double zeroAt = 90.03 - s->Uroven->TextWidth("0");
        for (double y : {0.0, 16.0}) {
            QVERIFY(std::any_of(texts.begin(), texts.end(), [&](const LevelPicture::Printed &t) {
                return t.text == "-10" && t.x == 80.0 && t.y == y;
            }));
            QVERIFY(std::any_of(texts.begin(), texts.end(), [&](const LevelPicture::Printed &t) {
                return t.text == "0" && std::fabs(t.x - zeroAt) < 1e-9 && t.y == y;
            }));
        }
        // The labels really are in the picture: ink near both edges above
        // the ticks (smoothed text, so any colour but the background).
        const auto labelCols = columnsWith(s->Uroven, s->Uroven->BackColor(), 0, 3.5, false);
        const int width = s->Uroven->Image().width();
        QVERIFY(!labelCols.empty());
        QVERIFY(*labelCols.begin() <= 3);
        QVERIFY(*labelCols.rbegin() >= width - 4);
        // Ticks at 80, 81 .. 89 and 90: eleven lines, ten 1-dB steps.
        const auto ticks = columnsWith(s->Uroven, kBlack, 9.5, 10.5);
        QCOMPARE(int(ticks.size()), 11);
        QVERIFY(*ticks.rbegin() < width);
        // The long ticks: 80, 85 and 90 reach up to y = 4.5.
        QCOMPARE(int(columnsWith(s->Uroven, kBlack, 4.5, 5.5).size()), 3);
    }

    void refreshRunsAt100msWhileOpen()
    {
        auto w = mainWindow();
        w->Timer1->setInterval(5000);
        openLevelWindow(*w);
        QCOMPARE(w->Timer1->interval(), 100);
        w->Uroven->trigger();
        QCOMPARE(w->Timer1->interval(), 5000);

        // Closed from its own close box: the same unload.
        Scala *s = openLevelWindow(*w);
        QCOMPARE(w->Timer1->interval(), 100);
        QVERIFY(s->close());
        QCOMPARE(w->Timer1->interval(), 5000);
        QVERIFY(!w->Uroven->isChecked());
        QVERIFY(!w->ScalaWindow);

        // A period chosen while the window is open is the one it returns to.
        openLevelWindow(*w);
        w->Timer1->setInterval(3000);
        w->Uroven->trigger();
        QCOMPARE(w->Timer1->interval(), 3000);

        // A period of 0 comes back as 100 ms.
        w->Timer1->setInterval(0);
        openLevelWindow(*w);
        w->Uroven->trigger();
        QCOMPARE(w->Timer1->interval(), 100);
    }

    void placeAndRangeAreStoredAndRestored()
    {
        {
            auto w = mainWindow();
            Scala *s = openLevelWindow(*w);
            s->HScrollNach->SetValue(7);
            s->HScrollEnd->SetValue(3);
            s->move(200, 100);
            QCOMPARE(scalaSetting("Nach"), QStringLiteral("<absent>"));
            w->Uroven->trigger();
            QCOMPARE(scalaSetting("XPosition"), vb::FormatGeneral(Twips::FromPixels(200)));
            QCOMPARE(scalaSetting("YPosition"), vb::FormatGeneral(Twips::FromPixels(100)));
            QCOMPARE(scalaSetting("Nach"), QStringLiteral("7"));
            QCOMPARE(scalaSetting("End"), QStringLiteral("3"));
        }
        auto w = mainWindow();
        w->SetBoundsTw(3000, 3000, 9510, 7125);
        Scala *s = openLevelWindow(*w);
        QCOMPARE(s->pos(), QPoint(200, 100));
        QCOMPARE(s->HScrollNach->Value(), 7);
        QCOMPARE(s->HScrollEnd->Value(), 3);
        QCOMPARE(s->Uroven->ScaleLeft, 30.0);
        QCOMPARE(s->Uroven->ScaleWidth, 40.11);
        QCOMPARE(s->SpanDb, uint8_t(40));
    }

    void storedRangeObeysTheRule()
    {
        auto w = mainWindow();
        SettingsStore::SaveSetting("Sigm", "Scala", "Nach", "3");
        SettingsStore::SaveSetting("Sigm", "Scala", "End", "5");
        Scala *s = openLevelWindow(*w);
        QCOMPARE(s->HScrollNach->Value(), 3);
        QCOMPARE(s->HScrollEnd->Value(), 2);
        QCOMPARE(s->Uroven->ScaleLeft, 20.0);
        QCOMPARE(s->Uroven->ScaleWidth, 10.03);
        w->Uroven->trigger();
        SettingsStore::SaveSetting("Sigm", "Scala", "Nach", "junk");
        SettingsStore::SaveSetting("Sigm", "Scala", "End", "40");
        SettingsStore::SaveSetting("Sigm", "Scala", "XPosition", "junk");
        s = openLevelWindow(*w);
        QCOMPARE(s->HScrollNach->Value(), 9);
        QCOMPARE(s->HScrollEnd->Value(), 8);
        QCOMPARE(s->x(), Twips::ToPixels(w->LeftTw() + 400));
    }

    void mainWindowShutdownClosesIt()
    {
        auto w = mainWindow();
        w->Timer1->setInterval(2000);
        openLevelWindow(*w);
        w->close();
        QVERIFY(!w->Uroven->isChecked());
        QVERIFY(!w->ScalaWindow);
        QCOMPARE(w->Timer1->interval(), 2000);
        QCOMPARE(scalaSetting("Nach"), QStringLiteral("9"));
    }
};

SIGM_TEST(LevelMathTest)
SIGM_TEST(ScalaTest)
#include "tst_scala.moc"
