// SPDX-License-Identifier: GPL-3.0-or-later
#include "fourier/fourierplot.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPainter>
#include <cmath>

namespace {

QString hzLabel(double hz)
{
    if (hz >= 1000)
        return QLocale().toString(hz / 1000, 'g', 3) + QCoreApplication::translate("Units", "к");
    return QLocale().toString(hz, 'g', 3);
}

// A step of 1, 2 or 5 times a power of ten giving about `count` divisions.
double niceStep(double span, int count)
{
    const double raw = span / count;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= raw)
            return m * p;
    return 10 * p;
}

}  // namespace

SpectrumPlot::SpectrumPlot(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 180);
}

void SpectrumPlot::SetData(std::vector<Curve> curves, double binWidth, double nyquist, double top, double bottom,
                           const QString &unit, bool logFrequency)
{
    curves_ = std::move(curves);
    binWidth_ = binWidth;
    nyquist_ = nyquist > 0 ? nyquist : 22050;
    top_ = top;
    bottom_ = bottom < top ? bottom : top - 10;
    unit_ = unit;
    log_ = logFrequency;
    // The log axis starts at a whole decade no lower than 10 Hz and no
    // lower than one bin.
    lowest_ = std::pow(10.0, std::floor(std::log10(std::max(10.0, binWidth_))));
    logSpan_ = std::log(nyquist_ / lowest_);
    update();
}

QRect SpectrumPlot::PlotArea() const
{
    // Asked for every bin drawn: measuring text each time would cost more
    // than the spectrum itself.
    if (areaFor_ != size()) {
        const int text = fontMetrics().height();
        const int left = fontMetrics().horizontalAdvance(QStringLiteral("-140 ")) + 6;
        area_ = QRect(left, text / 2 + 4, std::max(width() - left - 12, 10), std::max(height() - 2 * text - 10, 10));
        areaFor_ = size();
    }
    return area_;
}

double SpectrumPlot::lowestHz() const
{
    return lowest_;
}

double SpectrumPlot::XOf(double hz) const
{
    const QRect a = PlotArea();
    double t;
    if (log_) {
        const double lo = lowestHz();
        t = hz <= lo ? 0 : std::log(hz / lo) / logSpan_;
    } else {
        t = hz / nyquist_;
    }
    return a.left() + t * a.width();
}

double SpectrumPlot::YOf(double db) const
{
    const QRect a = PlotArea();
    const double t = (top_ - db) / (top_ - bottom_);
    return a.top() + std::clamp(t, 0.0, 1.0) * a.height();
}

void SpectrumPlot::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRect a = PlotArea();
    const QColor grid(200, 200, 200);
    const QColor axis(0, 0, 0);
    const int th = fontMetrics().height();

    // Levels: a line every 10 dB, labelled every 20.
    for (double db = std::floor(top_ / 10) * 10; db >= bottom_ - 1e-9; db -= 10) {
        const double y = YOf(db);
        p.setPen(grid);
        p.drawLine(QPointF(a.left(), y), QPointF(a.right(), y));
        if (std::fmod(std::abs(db), 20.0) < 1e-9) {
            p.setPen(axis);
            p.drawText(QRectF(0, y - th / 2.0, a.left() - 4, th), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(int(db)));
        }
    }
    // Frequencies.
    std::vector<std::pair<double, bool>> marks;  // frequency, labelled
    if (log_) {
        for (double decade = lowestHz(); decade <= nyquist_; decade *= 10)
            for (int m = 1; m <= 9; ++m) {
                const double f = decade * m;
                if (f <= nyquist_)
                    marks.push_back({f, m == 1 || m == 2 || m == 5});
            }
    } else {
        const double step = niceStep(nyquist_, 10);
        for (double f = 0; f <= nyquist_ + 1e-9; f += step)
            marks.push_back({f, true});
    }
    double lastLabelRight = -1e9;
    for (const auto &[f, labelled] : marks) {
        const double x = XOf(f);
        p.setPen(grid);
        p.drawLine(QPointF(x, a.top()), QPointF(x, a.bottom()));
        if (labelled) {
            const QString t = hzLabel(f);
            const double w = fontMetrics().horizontalAdvance(t);
            if (x - w / 2 > lastLabelRight + 4) {
                p.setPen(axis);
                p.drawText(QRectF(x - w / 2, a.bottom() + 2, w, th), Qt::AlignCenter, t);
                lastLabelRight = x + w / 2;
            }
        }
    }
    p.setPen(axis);
    p.drawRect(a);
    p.drawText(QRectF(a.left(), a.bottom() + 2 + th, a.width(), th), Qt::AlignRight | Qt::AlignVCenter,
               QCoreApplication::translate("Spectrum", "Частота, Гц"));
    p.drawText(QRectF(a.left() + 4, a.top() + 2, a.width(), th), Qt::AlignLeft | Qt::AlignVCenter, unit_);

    // Curves: each column of pixels shows the strongest bin falling in it,
    // so a narrow tone is never lost between columns.
    p.setClipRect(a.adjusted(0, 0, 1, 1));
    // Thin aliased lines: antialiased strokes of a few thousand points
    // cost the live refresh more than the whole spectrum.
    // Positions of the bins, worked out once for all curves.
    size_t bins = 0;
    for (const Curve &c : curves_)
        bins = std::max(bins, c.level.size());
    const double lo = lowestHz();
    std::vector<double> xs(bins, -1);
    for (size_t k = 1; k < bins; ++k) {
        const double f = k * binWidth_;
        if (!log_ || f >= lo)
            xs[k] = XOf(f);
    }
    auto curvePath = [&](const std::vector<double> &level) {
        std::vector<QPointF> path;
        int column = INT32_MIN;
        double columnX = 0, columnMax = 0;
        auto flush = [&] {
            if (column == INT32_MIN)
                return;
            path.emplace_back(columnX, YOf(columnMax));
        };
        for (size_t k = 1; k < level.size(); ++k) {
            const double x = k < xs.size() ? xs[k] : -1;
            if (x < 0)
                continue;
            const int c = int(std::floor(x));
            if (c != column) {
                flush();
                column = c;
                columnX = x;
                columnMax = level[k];
            } else {
                columnMax = std::max(columnMax, level[k]);
            }
        }
        flush();
        return path;
    };
    for (const Curve &c : curves_) {
        if (c.held.empty())
            continue;
        QColor faint = c.colour;
        faint.setAlpha(90);
        p.setPen(QPen(faint, 0));
        const auto pts = curvePath(c.held);
        p.drawPolyline(pts.data(), int(pts.size()));
    }
    for (const Curve &c : curves_) {
        p.setPen(QPen(c.colour, 0));
        const auto pts = curvePath(c.level);
        p.drawPolyline(pts.data(), int(pts.size()));
    }
}
