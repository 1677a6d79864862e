// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/ris.h"

#include "platform/vbcolor.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

Ris::Ris(QWidget *parent) : QWidget(parent), back_(VbColor(0xE0E0E0))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_ = QImage(1, 1, QImage::Format_RGB32);
    image_.fill(back_);
}

void Ris::EmptyScreen()
{
    ScaleLeft = 0;
    ScaleTop = -32768;
    ScaleWidth = 10;
    ScaleHeight = 65536;
    const int keep = DrawWidth;
    DrawWidth = 1;
    Cls();
    const QColor black(Qt::black);
    for (int k = -3; k <= 3; ++k)
        Line(0, 8192 * k - 1, 10, 8192 * k - 1, black);
    for (int x = 1; x <= 10; ++x)
        Line(x, -32768, x, 32767, black);
    DrawWidth = keep;
}

void Ris::Cls()
{
    if (image_.size() != size() && !size().isEmpty())
        image_ = QImage(size(), QImage::Format_RGB32);
    image_.fill(back_);
    overLayer_ = false;
    updateVisible();
}

void Ris::ClsWithLines(const std::vector<QLineF> &lines, const QColor &color)
{
    const double scale[4] = {ScaleLeft, ScaleTop, ScaleWidth, ScaleHeight};
    const QSize wanted = size().isEmpty() ? image_.size() : size();
    const bool same = layer_.image.size() == wanted && layer_.lines == lines && layer_.color == color.rgb()
                      && std::equal(scale, scale + 4, layer_.scale);
    if (same && image_.size() == wanted) {
        restoreLayer();
        updateVisible();
        return;
    }
    Cls();
    const int width = DrawWidth;
    DrawWidth = 1;
    for (const QLineF &l : lines)
        Line(l.x1(), l.y1(), l.x2(), l.y2(), color);
    DrawWidth = width;
    layer_.image = image_.copy();
    layer_.lines = lines;
    layer_.color = color.rgb();
    std::copy(scale, scale + 4, layer_.scale);
    drawnTop_.assign(size_t(image_.width()), std::numeric_limits<int>::max());
    drawnBottom_.assign(size_t(image_.width()), -1);
    overLayer_ = true;
}

void Ris::restoreLayer()
{
    const int width = image_.width();
    int64_t drawn = 0;
    if (overLayer_ && drawnTop_.size() == size_t(width))
        for (int c = 0; c < width; ++c)
            drawn += std::max(0, drawnBottom_[size_t(c)] - drawnTop_[size_t(c)] + 1);
    // Column by column touches a cache line per pixel; past about an
    // eighth of the picture the plain copy of all of it is cheaper.
    if (!overLayer_ || drawnTop_.size() != size_t(width) || drawn > int64_t(width) * image_.height() / 8) {
        std::memcpy(image_.bits(), layer_.image.constBits(), size_t(image_.sizeInBytes()));
    } else {
        const qsizetype stride = image_.bytesPerLine() / qsizetype(sizeof(QRgb));
        QRgb *to = reinterpret_cast<QRgb *>(image_.bits());
        const QRgb *from = reinterpret_cast<const QRgb *>(layer_.image.constBits());
        for (int c = 0; c < width; ++c)
            for (qsizetype r = drawnTop_[size_t(c)]; r <= drawnBottom_[size_t(c)]; ++r)
                to[r * stride + c] = from[r * stride + c];
    }
    drawnTop_.assign(size_t(width), std::numeric_limits<int>::max());
    drawnBottom_.assign(size_t(width), -1);
    overLayer_ = true;
}

void Ris::updateVisible()
{
    QRegion visible(rect());
    if (QWidget *parent = parentWidget()) {
        const QObjectList &siblings = parent->children();
        // Siblings after this one are stacked above it.
        for (qsizetype i = siblings.indexOf(this) + 1; i > 0 && i < siblings.size(); ++i) {
            auto *w = qobject_cast<QWidget *>(siblings[i]);
            if (w && w->isVisible() && !w->isWindow() && w->geometry().intersects(geometry()))
                visible -= w->geometry().translated(-pos());
        }
    }
    update(visible);
}

QPointF Ris::ToPixel(double x, double y) const
{
    const double w = ScaleWidth == 0 ? 1 : ScaleWidth;
    const double h = ScaleHeight == 0 ? 1 : ScaleHeight;
    const int rows = std::max(1, image_.height() - std::max(0, StripHeight));
    return QPointF((x - ScaleLeft) * image_.width() / w, (y - ScaleTop) * rows / h);
}

double Ris::FromPixelY(double row) const
{
    const int rows = std::max(1, image_.height() - std::max(0, StripHeight));
    return ScaleTop + row * (ScaleHeight == 0 ? 1 : ScaleHeight) / rows;
}

void Ris::Strip(const QStringList &lines, const std::vector<QColor> &colors)
{
    if (StripHeight <= 0)
        return;
    overLayer_ = false;
    QPainter p(&image_);
    const QRect strip(0, image_.height() - StripHeight, image_.width(), StripHeight);
    p.fillRect(strip, back_);
    p.setPen(Qt::black);
    p.drawLine(strip.topLeft(), strip.topRight());
    QFont f = font();
    f.setPointSizeF(7.5);
    p.setFont(f);
    const int lineHeight = p.fontMetrics().height();
    for (int i = 0; i < lines.size(); ++i) {
        p.setPen(i < int(colors.size()) ? colors[size_t(i)] : QColor(Qt::black));
        const QRect r(4, strip.top() + 2 + i * lineHeight, image_.width() - 8, lineHeight);
        p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(lines[i], Qt::ElideRight, r.width()));
    }
    update();
}

void Ris::Marker(double y, const QColor &color)
{
    const int rows = std::max(1, image_.height() - std::max(0, StripHeight));
    const double py = std::clamp(ToPixel(0, y).y(), 0.0, double(rows - 1));
    const double right = image_.width() - 1;
    overLayer_ = false;
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const QPointF tip(right - 9, py);
    p.drawPolygon(QPolygonF{tip, QPointF(right, py - 5), QPointF(right, py + 5)});
    update();
}

void Ris::Line(double x1, double y1, double x2, double y2, const QColor &color)
{
    beginSpans();
    addSegment(ToPixel(x1, y1), ToPixel(x2, y2));
    fillSpans(color.rgb());
    updateVisible();
}

void Ris::Trace(const std::vector<QPointF> &points, const QColor &color)
{
    if (points.empty())
        return;
    beginSpans();
    if (points.size() == 1) {
        const QPointF p = ToPixel(points[0].x(), points[0].y());
        addSegment(p, p);
    }
    QPointF prev = ToPixel(points[0].x(), points[0].y());
    for (size_t i = 1; i < points.size(); ++i) {
        const QPointF next = ToPixel(points[i].x(), points[i].y());
        addSegment(prev, next);
        prev = next;
    }
    fillSpans(color.rgb());
    updateVisible();
}

void Ris::Trace(const std::vector<int32_t> &ys, const QColor &color)
{
    if (ys.empty())
        return;
    beginSpans();
    // ToPixel's arithmetic, in the same order so every point lands on the
    // same pixel, with its constants taken out of the loop.
    const double left = ScaleLeft, top = ScaleTop;
    const double scaleW = ScaleWidth == 0 ? 1 : ScaleWidth, scaleH = ScaleHeight == 0 ? 1 : ScaleHeight;
    const double width = image_.width();
    const double rows = std::max(1, image_.height() - std::max(0, StripHeight));
    const double shift = shift_;
    auto x = [&](size_t i) { return (double(i) - left) * width / scaleW; };
    auto y = [&](int32_t v) { return (double(v) - top) * rows / scaleH; };
    auto pixel = [&](size_t i) { return QPointF(x(i), y(ys[i])); };
    auto column = [&](size_t i) { return std::floor(x(i) - shift); };
    if (ys.size() == 1) {
        addSegment(pixel(0), pixel(0));
    } else if (!(scaleW > 0) || double(ys.size()) <= 2 * width) {
        // Right to left, or about a point a column: segment by segment.
        QPointF prev = pixel(0);
        for (size_t i = 1; i < ys.size(); ++i) {
            const QPointF next = pixel(i);
            addSegment(prev, next);
            prev = next;
        }
    } else {
        // Points are taken a pixel column at a time: the segments between
        // the points of one column add just their lowest and highest point
        // to its span (the scale is monotonic, so those are the lowest and
        // highest samples), and the segment leaving the column is drawn
        // whole. At the decimated sweeps a column holds several points.
        const int firstColumn = -(std::max(1, DrawWidth) - 1);
        const double lastColumn = double(spanTop_.size()) + firstColumn;
        const size_t n = ys.size();
        size_t from = 0;
        double here = column(0);
        while (from < n) {
            // The first point past this column: estimated, then made exact.
            const double guess = std::ceil((here + 1 + shift) * scaleW / width + left);
            size_t to = guess > double(from + 1) ? size_t(std::min(guess, double(n))) : from + 1;
            while (to > from + 1 && column(to - 1) > here)
                --to;
            while (to < n && column(to) <= here)
                ++to;
            if (to - from > 1 && here >= firstColumn && here < lastColumn) {
                const auto [lo, hi] = std::minmax_element(ys.begin() + ptrdiff_t(from), ys.begin() + ptrdiff_t(to));
                const double y0 = y(*lo) - shift, y1 = y(*hi) - shift;
                const size_t k = size_t(int(here) - firstColumn);
                spanTop_[k] = std::min(spanTop_[k], std::min(y0, y1));
                spanBottom_[k] = std::max(spanBottom_[k], std::max(y0, y1));
            }
            if (to < n) {
                addSegment(pixel(to - 1), pixel(to));
                here = column(to);
            }
            from = to;
        }
    }
    fillSpans(color.rgb());
    updateVisible();
}

// A pen of width w covers the pixels whose centres lie within w/2 of the
// line: columns floor(x - (w-1)/2) .. +w-1, and rows likewise. Spans are
// kept per first covered column, in coordinates shifted by (w-1)/2.
void Ris::beginSpans()
{
    const int w = std::max(1, DrawWidth);
    shift_ = (w - 1) / 2.0;
    const size_t n = size_t(image_.width()) + size_t(w - 1);
    spanTop_.assign(n, std::numeric_limits<double>::infinity());
    spanBottom_.assign(n, -std::numeric_limits<double>::infinity());
}

void Ris::addSegment(QPointF a, QPointF b)
{
    if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) || !std::isfinite(b.y()))
        return;
    if (b.x() < a.x())
        std::swap(a, b);
    const int w = std::max(1, DrawWidth);
    const double ax = a.x() - shift_, ay = a.y() - shift_;
    const double bx = b.x() - shift_, by = b.y() - shift_;
    const int firstColumn = -(w - 1);
    const int lastColumn = image_.width() - 1;
    if (bx < firstColumn || ax >= lastColumn + 1)
        return;
    const int c0 = std::max(firstColumn, int(std::floor(ax)));
    const int c1 = std::min(lastColumn, int(std::floor(bx)));
    const double dx = bx - ax;
    for (int c = c0; c <= c1; ++c) {
        double y0, y1;
        if (dx == 0) {
            y0 = ay;
            y1 = by;
        } else {
            const double xa = std::max(ax, double(c));
            const double xb = std::min(bx, double(c + 1));
            y0 = ay + (xa - ax) * (by - ay) / dx;
            y1 = ay + (xb - ax) * (by - ay) / dx;
        }
        const size_t k = size_t(c - firstColumn);
        spanTop_[k] = std::min({spanTop_[k], y0, y1});
        spanBottom_[k] = std::max({spanBottom_[k], y0, y1});
    }
}

void Ris::fillSpans(QRgb color)
{
    const int w = std::max(1, DrawWidth);
    const int width = image_.width(), height = image_.height();
    const QRgb pixel = 0xFF000000u | color;
    const qsizetype stride = image_.bytesPerLine() / qsizetype(sizeof(QRgb));
    QRgb *bits = reinterpret_cast<QRgb *>(image_.bits());
    for (size_t k = 0; k < spanTop_.size(); ++k) {
        if (!(spanTop_[k] <= spanBottom_[k]))
            continue;
        // Clamp before converting: off-screen ordinates can be huge.
        const double top = std::clamp(spanTop_[k], -2.0 - w, double(height) + 1);
        const double bottom = std::clamp(spanBottom_[k], -2.0 - w, double(height) + 1);
        const int r0 = std::max(0, int(std::floor(top)));
        const int r1 = std::min(height - 1, int(std::floor(bottom)) + w - 1);
        if (r0 > r1)
            continue;
        const int c = int(k) - (w - 1);
        const int c0 = std::max(0, c), c1 = std::min(width - 1, c + w - 1);
        if (drawnTop_.size() == size_t(width))
            for (int x = c0; x <= c1; ++x) {
                drawnTop_[size_t(x)] = std::min(drawnTop_[size_t(x)], r0);
                drawnBottom_[size_t(x)] = std::max(drawnBottom_[size_t(x)], r1);
            }
        else
            overLayer_ = false;
        // Row by row: the pen's columns of one row share a cache line.
        QRgb *row = bits + r0 * stride;
        for (int r = r0; r <= r1; ++r, row += stride)
            std::fill(row + c0, row + c1 + 1, pixel);
    }
}

void Ris::Paint(const std::function<void(QPainter &)> &paint)
{
    overLayer_ = false;
    QPainter p(&image_);
    paint(p);
    p.end();
    update();
}

void Ris::paintEvent(QPaintEvent *e)
{
    // The picture covers the widget; only a widget grown past it (before
    // its owner redraws) shows background beside it.
    QPainter p(this);
    const QRect r = e->rect();
    // In bands of 64 rows: Qt hands a taller copy to its fill threads, and
    // waking them costs more than the copy itself.
    for (int y = r.top(); y <= r.bottom(); y += 64) {
        const QRect band(r.left(), y, r.width(), std::min(64, r.bottom() + 1 - y));
        p.drawImage(band.topLeft(), image_, band);
    }
    const QRegion rest = QRegion(r) - QRegion(image_.rect());
    for (const QRect &part : rest)
        p.fillRect(part, back_);
}

void Ris::resizeEvent(QResizeEvent *)
{
    // A new size starts an empty screen; the owner redraws the traces.
    if (!size().isEmpty() && image_.size() != size()) {
        image_ = QImage(size(), QImage::Format_RGB32);
        EmptyScreen();
    }
}
