// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/vbcontrols.h"
#include "testregistry.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTest>
#include <memory>

namespace {

// The same bar, painted the way QScrollBar paints itself.
class StockBar : public VbScrollBar {
public:
    using VbScrollBar::VbScrollBar;

protected:
    void paintEvent(QPaintEvent *e) override { QScrollBar::paintEvent(e); }
};

// (At an offset, as a control inside a window is painted; or only `part`
// of it, put at the offset, as a grab of part of a window paints it.)
QImage drawn(QWidget &bar, QPoint at = QPoint(), const QRegion &part = QRegion())
{
    QImage image(bar.size() + QSize(at.x(), at.y()), QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(230, 240, 200));
    bar.render(&image, at, part, QWidget::DrawChildren);
    return image;
}

int largestDifference(QWidget &a, QWidget &b, QPoint at = QPoint(), const QRegion &part = QRegion())
{
    const QImage p = drawn(a, at, part), q = drawn(b, at, part);
    int worst = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const QRgb s = p.pixel(x, y), t = q.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(s) - qRed(t)), std::abs(qGreen(s) - qGreen(t)),
                              std::abs(qBlue(s) - qBlue(t))});
        }
    return worst;
}

}  // namespace

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    // The bar keeps its picture in layers so a move does not make the style
    // draw it again; every position, either way round, at either end,
    // disabled, resized, with a new handle length or an arrow held down must
    // still look as QScrollBar itself paints it.
    void scrollBarLooksAsQtPaintsIt()
    {
        for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
            VbScrollBar ours(o);
            StockBar stock(o);
            auto both = [&](auto &&change) {
                change(ours);
                change(stock);
                return largestDifference(ours, stock);
            };
            const QSize size = o == Qt::Horizontal ? QSize(601, 17) : QSize(17, 300);
            QCOMPARE(both([&](VbScrollBar &b) {
                         b.resize(size);
                         b.SetRange(1, 500);
                         b.SetLargeChange(40);
                         b.show();
                     }),
                     0);
            for (int v : {1, 2, 77, 250, 499, 500, 1})
                QVERIFY2(both([v](VbScrollBar &b) { b.SetValue(v); }) <= 1, qPrintable(QString::number(v)));
            QVERIFY(both([](VbScrollBar &b) { b.SetRange(400, -400), b.SetValue(-300); }) <= 1);
            QVERIFY(both([](VbScrollBar &b) { b.SetLargeChange(300), b.SetValue(0); }) <= 1);
            QVERIFY(both([](VbScrollBar &b) { b.SetValue(400); }) <= 1);
            QVERIFY(both([](VbScrollBar &b) { b.setEnabled(false); }) <= 1);
            QVERIFY(both([&](VbScrollBar &b) { b.setEnabled(true), b.resize(size + QSize(40, 40)), b.SetValue(399); })
                    <= 1);
            // An arrow held down, then let go.
            const QPoint arrow(size.width() - 4, size.height() - 4);
            QVERIFY(both([&](VbScrollBar &b) { QTest::mousePress(&b, Qt::LeftButton, {}, arrow); }) <= 1);
            QVERIFY(both([&](VbScrollBar &b) { QTest::mouseRelease(&b, Qt::LeftButton, {}, arrow); }) <= 1);
        }
    }

    // A caption keeps its laid-out line between paints; it must look as
    // QLabel paints the same text, wherever the line sits in its rectangle
    // and when it does not fit, after a new text, font or size, and where
    // it leaves the painting to QLabel (disabled, a style sheet).
    void labelLooksAsQtPaintsIt()
    {
        // (A widget does not own the style it is given; this outlives both.)
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        VbLabel ours;
        QLabel stock;
        ours.setStyle(fusion.get());
        stock.setStyle(fusion.get());
        auto both = [&](auto &&change) {
            change(ours);
            change(stock);
            int worst = std::max(largestDifference(ours, stock), largestDifference(ours, stock, QPoint(5, 3)));
            // Parts of it, so the caption lies left of and above the device's origin.
            const QSize size = ours.size();
            // (The last, the caption's bottom rows across its width, is what
            // the paging bar under the caption between the times repaints.)
            for (const QRect part : {QRect(size.width() / 3, size.height() - 4, 30, 4),
                                     QRect(size.width() / 2 + 1, 0, 9, size.height()),
                                     QRect(0, size.height() - 4, size.width(), 4)})
                worst = std::max(worst, largestDifference(ours, stock, QPoint(5, 3), part & ours.rect()));
            return worst;
        };
        const QString texts[] = {QStringLiteral("<-----Время в секундах соответствующее началу и концу графика----- >"),
                                 QStringLiteral("0,0052"), QStringLiteral("125,3071"), QStringLiteral("Вольт/Дел.(1)"),
                                 QStringLiteral("3.1416")};
        const Qt::Alignment alignments[] = {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignRight | Qt::AlignVCenter,
                                            Qt::AlignHCenter | Qt::AlignTop, Qt::AlignLeft | Qt::AlignBottom};
        const QSize sizes[] = {{500, 17}, {41, 17}, {30, 9}};
        for (int big = 0; big < 2; ++big)
            for (const Qt::Alignment a : alignments)
                for (const QSize size : sizes)
                    for (const QString &text : texts)
                        QVERIFY2(both([&](QLabel &l) {
                                     QFont f = QApplication::font();
                                     if (big)
                                         f.setPixelSize(19);
                                     l.setFont(f);
                                     l.setAlignment(a);
                                     l.resize(size);
                                     l.setText(text);
                                 }) == 0,
                                 qPrintable(QStringLiteral("%1 at %2x%3, alignment %4, font %5")
                                                .arg(text)
                                                .arg(size.width())
                                                .arg(size.height())
                                                .arg(int(a))
                                                .arg(big)));
        QVERIFY(both([](QLabel &l) { l.setFont(QApplication::font()); }) == 0);
        QVERIFY(both([](QLabel &l) { l.resize(100, 25); }) == 0);
        QVERIFY(both([](QLabel &l) { l.setEnabled(false); }) == 0);
        QVERIFY(both([](QLabel &l) { l.setEnabled(true), l.setStyleSheet(QStringLiteral("color: #800000")); }) == 0);
    }
};

SIGM_TEST(ControlsTest)
#include "tst_controls.moc"
