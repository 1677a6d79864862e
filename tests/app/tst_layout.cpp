// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/layout.h"
#include "app/pribor.h"
#include "app/windowbounds.h"
#include "display/ris.h"
#include "levelmeter/scala.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"
#include "testenv.h"
#include "testregistry.h"

#include <QAction>
#include <QTest>
#include <memory>

namespace {

std::unique_ptr<Pribor> started()
{
    SettingsStore::SaveSetting("Sigm", "Setting", "help", "1");
    auto w = std::make_unique<Pribor>();
    w->Form_Load();
    return w;
}

QRect tw(double left, double top, double width, double height)
{
    return Twips::RectToPixels(left, top, width, height);
}

Layout::Sizes designSizes(double label3Width = 3000)
{
    Layout::Sizes s;
    s.label3Width = label3Width;
    return s;
}

}  // namespace

class LayoutArithmeticTest : public QObject {
    Q_OBJECT
private slots:
    void defaultSize()
    {
        const auto p = Layout::Compute(9510, 7125, designSizes(3000));
        QVERIFY(p);
        QCOMPARE(p->risTop, 600);
        QCOMPARE(p->risWidth, 8900);
        // 65 twips less than the arithmetic's 5375: HScroll1 ends at the
        // client area's bottom (6375) instead of 4 pixels below it.
        QCOMPARE(p->risHeight, 5310);
        QCOMPARE(p->vscroll1Left, 9145);
        QCOMPARE(p->label2Left, 9145);
        QCOMPARE(p->nachaloTop, 5920);
        QCOMPARE(p->hscroll1Top, 6120);
        QCOMPARE(p->hscroll1Top + 255, 7125 - 750);
        QCOMPARE(p->hscroll1Width, 8900);
        QCOMPARE(p->konecLeft, 8800);
        // 1690 / 9 - 2 = 185.8
        QCOMPARE(p->gap, 186);
        QCOMPARE(p->topRowLefts[0], 280);
        QCOMPARE(p->topRowLefts[1], 961);
        QCOMPARE(p->topRowLefts[7], 280 + 7 * (495 + 186));
        QCOMPARE(p->topRowLefts[9], 7849);
        // (8800 - 300 - 615 - 3000) / 2 = 2442.5 → 2442 (half to even)
        QVERIFY(p->label3Shown);
        QCOMPARE(p->label3Left, 915 + 2442);
    }

    void narrowWindowPacksTheTopRow()
    {
        const auto p = Layout::Compute(5000, 7125, designSizes());
        QVERIFY(p);
        QCOMPARE(p->gap, 0);
        for (size_t i = 1; i < 10; ++i)
            QCOMPARE(p->topRowLefts[i], p->topRowLefts[i - 1] + (i <= 7 ? 495 : 1215));
        // The row runs off the right edge; nothing limits it.
        QVERIFY(p->topRowLefts[9] + 1215 > 5000);
        // The fixed part of the row is 7820 twips; G reaches 0 at 18 above it.
        QCOMPARE(Layout::Compute(7820 + 18 - 4, 7125, designSizes())->gap, 0);
        QCOMPARE(Layout::Compute(7820 + 18 + 9 * 3, 7125, designSizes())->gap, 3);
    }

    void lowWindowLaysNothingOut()
    {
        QVERIFY(!Layout::Compute(9510, 1999, designSizes()));
        QVERIFY(!Layout::Compute(9510, 1999.4, designSizes()));
        // Sizes are rounded half to even before the test.
        QVERIFY(Layout::Compute(9510, 1999.5, designSizes()));
        QVERIFY(Layout::Compute(9510, 2000, designSizes()));
    }

    void hintHiddenWhenItDoesNotFit()
    {
        // konec left = W - 710; the hint needs nachalo's right edge (915) plus its width.
        QVERIFY(Layout::Compute(710 + 915 + 3000, 7125, designSizes(3000))->label3Shown);
        QVERIFY(Layout::Compute(710 + 915 + 2999, 7125, designSizes(3000))->label3Shown);  // gap -0.5 → 0
        QVERIFY(!Layout::Compute(710 + 915 + 2997, 7125, designSizes(3000))->label3Shown);
    }

    void boundsComeBackOntoTheNearestScreen()
    {
        using WindowBounds::Fit;
        const std::vector<QRect> two = {QRect(0, 0, 1280, 1024), QRect(1280, 200, 1920, 1080)};
        // Title bar on a screen, or reachable across both: left exactly as it is.
        for (const QRect r : {QRect(100, 100, 634, 475), QRect(1000, 300, 634, 475), QRect(-500, 900, 634, 475),
                              QRect(2800, 1200, 800, 600)})
            QCOMPARE(Fit(r, two), r);
        // Title bar above the first screen, left of it, in the gap below the
        // second's top, far right: moved the least way onto the nearest.
        QCOMPARE(Fit(QRect(100, -19, 634, 475), two), QRect(100, 0, 634, 475));
        QCOMPARE(Fit(QRect(-634, 100, 634, 475), two), QRect(0, 100, 634, 475));
        QCOMPARE(Fit(QRect(1500, 100, 634, 475), two), QRect(1500, 200, 634, 475));
        QCOMPARE(Fit(QRect(90000, -90000, 634, 475), two), QRect(3200 - 634, 200, 634, 475));
        QCOMPARE(Fit(QRect(100, 1010, 634, 475), two), QRect(100, 1024 - 475, 634, 475));
        // Larger than the screen it is on: no larger than that screen.
        QCOMPARE(Fit(QRect(50, 50, 3000, 700), two), QRect(0, 50, 1280, 700));
        // No screens known: nothing to fit to.
        QCOMPARE(Fit(QRect(-5000, -5000, 10, 10), {}), QRect(-5000, -5000, 10, 10));
    }

    void largeScreensDoNotOverflow()
    {
        const auto p = Layout::Compute(60000, 45000, designSizes());
        QVERIFY(p);
        QCOMPARE(p->risWidth, 60000 - 610);
        QCOMPARE(p->risHeight, 45000 - 1750 - 65);
        QCOMPARE(p->hscroll1Top, 45000 - 750 - 255);
        QCOMPARE(p->gap, int64_t(vb::RoundHalfEven((60000.0 - 7820) / 9 - 2)));
    }
};

class LayoutWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestEnv::Reset(); }

    void startUpLaysOutTheDefaultWindow()
    {
        auto w = started();
        QCOMPARE(w->RisBox->geometry(), tw(240, 600, 8900, 5310));
        QCOMPARE(w->VScroll1->geometry(), tw(9145, 600, 255, 5310));
        QCOMPARE(w->VScroll2->geometry(), tw(0, 600, 255, 5310));
        QCOMPARE(w->HScroll1->geometry(), tw(240, 6120, 8900, 255));
        QCOMPARE(w->nachalo->geometry(), tw(300, 5920, 615, 255));
        QCOMPARE(w->konec->geometry(), tw(8800, 5920, 495, 255));
        QCOMPARE(w->Label2->x(), Twips::ToPixels(9145));
        QCOMPARE(w->SaveFileBiton->geometry(), tw(961, 60, 495, 495));
        QCOMPARE(w->RasTime->geometry(), tw(7849, 240, 1215, 315));
        QCOMPARE(w->Razv->x(), Twips::ToPixels(7849));
        QCOMPARE(w->NLeft->x(), w->U2->x());
        QCOMPARE(w->NRigt->x(), w->U1->x());
        QVERIFY(w->Label3->isVisibleTo(w.get()));
        QCOMPARE(w->Label3->y(), Twips::ToPixels(5920));
        QVERIFY(w->Label3->x() >= w->nachalo->x() + w->nachalo->width());
        QVERIFY(w->Label3->x() + w->Label3->width() <= w->konec->x());
        // Showing the window keeps that layout, and HScroll1 is whole.
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->RisBox->geometry(), tw(240, 600, 8900, 5310));
        QCOMPARE(w->HScroll1->geometry().bottom(), w->centralWidget()->height() - 1);
        QCOMPARE(w->RasTime->geometry(), tw(7849, 240, 1215, 315));
    }

    void firstDeliveredNotificationIsAbsorbed()
    {
        // A window whose size has already been announced: its first call
        // only arms the layout, the next one lays out.
        Pribor w;
        w.SetBoundsTw(0, 0, 9510, 7125);
        w.setAttribute(Qt::WA_PendingResizeEvent, false);
        const QRect design = w.RisBox->geometry();
        w.Form_Resize();
        QVERIFY(w.st.LayoutArmed);
        QCOMPARE(w.RisBox->geometry(), design);
        w.Form_Resize();
        QCOMPARE(w.RisBox->geometry(), tw(240, 600, 8900, 5310));
    }

    void resizingFollowsTheWindow()
    {
        auto w = started();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // A narrow window: the top row touches, the hint goes.
        w->SetBoundsTw(0, 0, 4500, 7125);
        QTRY_COMPARE(w->RisBox->width(), Twips::ToPixels(4500 - 610));
        QCOMPARE(w->VScroll1->x(), Twips::ToPixels(4500 - 365));
        QCOMPARE(w->SaveFileBiton->x(), Twips::ToPixels(280 + 495));
        QCOMPARE(w->RasTime->x(), Twips::ToPixels(280 + 7 * 495 + 2 * 1215));
        QVERIFY(!w->Label3->isVisibleTo(w.get()));
        // Wide again: the hint comes back.
        w->SetBoundsTw(0, 0, 12000, 8000);
        QTRY_COMPARE(w->RisBox->geometry(), tw(240, 600, 11390, 6185));
        QVERIFY(w->HScroll1->geometry().bottom() < w->centralWidget()->height());
        QVERIFY(w->Label3->isVisibleTo(w.get()));
        // Too low: nothing moves.
        const QRect ris = w->RisBox->geometry(), bar = w->HScroll1->geometry(), sweep = w->RasTime->geometry();
        const int heightBefore = w->height();
        w->SetBoundsTw(0, 0, 9000, 1900);
        QCoreApplication::processEvents();
        QVERIFY(w->height() < heightBefore);
        QCOMPARE(w->HeightTw(), 1900.0);
        QCOMPARE(w->RisBox->geometry(), ris);
        QCOMPARE(w->HScroll1->geometry(), bar);
        QCOMPARE(w->RasTime->geometry(), sweep);
    }

    void redrawsOnlyWhenThereIsSomethingToPrintAndNotWhileUnloading()
    {
        auto w = started();
        int redraws = 0;
        connect(w->RasTime, &VbComboBox::Click, w.get(), [&] { ++redraws; });
        w->SetBoundsTw(0, 0, 9000, 7000);
        w->Form_Resize();
        QCOMPARE(redraws, 0);
        w->PrintBiton->setEnabled(true);
        w->Form_Resize();
        QCOMPARE(redraws, 1);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const int beforeResize = redraws;
        w->SetBoundsTw(0, 0, 10000, 7500);
        QTRY_VERIFY(redraws > beforeResize);
        w->st.Unloading = true;
        const int beforeUnloading = redraws;
        w->SetBoundsTw(0, 0, 9500, 7000);
        QTRY_COMPARE(w->RisBox->width(), Twips::ToPixels(9500 - 610));
        QCOMPARE(redraws, beforeUnloading);
    }

    void levelWindowFollowsMinimizeAndRestore()
    {
        auto w = started();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->Uroven->setEnabled(true);
        w->Uroven->trigger();
        Scala *s = w->ScalaWindow;
        QVERIFY(s && s->isVisible());
        s->move(210, 120);
        w->SetWindowStateVb(1);
        QTRY_VERIFY(!s->isVisible());
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Scala", "XPosition"), vb::FormatGeneral(Twips::FromPixels(210)));
        QCOMPARE(SettingsStore::GetSetting("Sigm", "Scala", "YPosition"), vb::FormatGeneral(Twips::FromPixels(120)));
        QVERIFY(w->Uroven->isChecked());
        w->SetWindowStateVb(0);
        QTRY_VERIFY(s->isVisible());
        QCOMPARE(w->ScalaWindow, s);
        QCOMPARE(s->pos(), QPoint(210, 120));
        // A resize of the main window puts it back at its stored place too.
        s->move(400, 300);
        w->SetBoundsTw(0, 0, 10000, 7500);
        QTRY_COMPARE(s->pos(), QPoint(210, 120));
    }
};

SIGM_TEST(LayoutArithmeticTest)
SIGM_TEST(LayoutWindowTest)
#include "tst_layout.moc"
