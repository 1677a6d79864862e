// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/vbcontrols.h"
#include "testregistry.h"

#include <QApplication>
#include <QTest>

namespace {

// The same bar, painted the way QScrollBar paints itself.
class StockBar : public VbScrollBar {
public:
    using VbScrollBar::VbScrollBar;

protected:
    void paintEvent(QPaintEvent *e) override { QScrollBar::paintEvent(e); }
};

QImage drawn(QWidget &bar)
{
    QImage image(bar.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    bar.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

int largestDifference(QWidget &a, QWidget &b)
{
    const QImage p = drawn(a), q = drawn(b);
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
            for (int v : {1, 2, 77, 250, 499, 500})
                QVERIFY2(both([v](VbScrollBar &b) { b.SetValue(v); }) <= 1, qPrintable(QString::number(v)));
            QVERIFY(both([](VbScrollBar &b) { b.SetRange(400, -400), b.SetValue(-300); }) <= 1);
            QVERIFY(both([](VbScrollBar &b) { b.SetLargeChange(300), b.SetValue(0); }) <= 1);
            QVERIFY(both([](VbScrollBar &b) { b.setEnabled(false); }) <= 1);
            QVERIFY(both([&](VbScrollBar &b) { b.setEnabled(true), b.resize(size + QSize(40, 40)), b.SetValue(399); })
                    <= 1);
            // An arrow held down, then let go.
            const QPoint arrow(size.width() - 4, size.height() - 4);
            QVERIFY(both([&](VbScrollBar &b) { QTest::mousePress(&b, Qt::LeftButton, {}, arrow); }) <= 1);
            QVERIFY(both([&](VbScrollBar &b) { QTest::mouseRelease(&b, Qt::LeftButton, {}, arrow); }) <= 1);
        }
    }
};

SIGM_TEST(ControlsTest)
#include "tst_controls.moc"
