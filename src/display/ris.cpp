// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/ris.h"

#include "platform/vbcolor.h"
#include "platform/vbrt.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {
// floor() of a value already held well inside int's range (std::floor
// takes a dozen instructions without SSE4.1's rounding).
inline int floorToInt(double v)
{
    const int t = int(v);
    return t - (v < t);
}
}  // namespace

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
    stalePending_ = false;
    overLayer_ = false;
    changed_ = image_.rect();
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
    forgetDrawn();
    overLayer_ = true;
}

void Ris::restoreLayer()
{
    settle();
    const int width = image_.width();
    const bool tracked = overLayer_ && drawn_.size() == size_t(width);
    // What changes is the runs drawn since: the rows and columns they span
    // are what the next paint copies to the window.
    int64_t drawn = 0;
    if (tracked) {
        int left = width, right = -1, top = image_.height(), bottom = -1;
        for (int c = 0; c < width; ++c) {
            const Drawn &d = drawn_[size_t(c)];
            if (d.count == 0)
                continue;
            for (int i = 0; i < d.count; ++i)
                drawn += d.bottom[i] - d.top[i] + 1;
            left = std::min(left, c);
            right = c;
            top = std::min(top, d.top[0]);
            bottom = std::max(bottom, d.bottom[d.count - 1]);
        }
        if (right >= 0)
            changed_ |= QRect(QPoint(left, top), QPoint(right, bottom));
    } else {
        changed_ = image_.rect();
    }
    // Column by column touches a cache line per pixel; past about an
    // eighth of the picture the plain copy of all of it is cheaper.
    if (!tracked || drawn > int64_t(width) * image_.height() / 8) {
        std::memcpy(image_.bits(), layer_.image.constBits(), size_t(image_.sizeInBytes()));
    } else {
        // Put back column by column as the next trace reaches each column
        // (see fillSpans), or all at once before anything else.
        stale_.swap(drawn_);
        stalePending_ = true;
    }
    forgetDrawn();
    overLayer_ = true;
}

inline void Ris::putBack(int column, QRgb *bits, const QRgb *from, qsizetype stride) const
{
    const Drawn &d = stale_[size_t(column)];
    for (int i = 0; i < d.count; ++i)
        for (qsizetype at = d.top[i] * stride + column, end = d.bottom[i] * stride + column; at <= end; at += stride)
            bits[at] = from[at];
}

void Ris::settle()
{
    if (!stalePending_)
        return;
    stalePending_ = false;
    if (stale_.size() != size_t(image_.width()) || layer_.image.size() != image_.size())
        return;
    QRgb *bits = reinterpret_cast<QRgb *>(image_.bits());
    const auto *from = reinterpret_cast<const QRgb *>(layer_.image.constBits());
    const qsizetype stride = image_.bytesPerLine() / qsizetype(sizeof(QRgb));
    for (int c = 0; c < image_.width(); ++c)
        putBack(c, bits, from, stride);
}

void Ris::forgetDrawn()
{
    // A column's runs past its count are never read: emptying it is enough.
    if (drawn_.size() == size_t(image_.width())) {
        for (Drawn &d : drawn_)
            d.count = 0;
        return;
    }
    drawn_.assign(size_t(image_.width()), Drawn{});
}

void Ris::Drawn::insert(int from, int to)
{
    if (count < kRuns) {
        // Clear of its neighbours (a second trace above the first): put in
        // its place, nothing to join.
        int i = 0;
        while (i < count && top[i] <= from)
            ++i;
        if ((i == 0 || from > bottom[i - 1] + 1) && (i == count || to < top[i] - 1)) {
            for (int k = count; k > i; --k)
                top[k] = top[k - 1], bottom[k] = bottom[k - 1];
            top[i] = from;
            bottom[i] = to;
            ++count;
            return;
        }
    }
    // The runs with the new one put in order, then joined where they
    // overlap or touch; one run too many joins the two nearest.
    int t[kRuns + 1], b[kRuns + 1], n = 0;
    bool placed = false;
    for (int i = 0; i < count; ++i) {
        if (!placed && from < top[i]) {
            t[n] = from, b[n++] = to;
            placed = true;
        }
        t[n] = top[i], b[n++] = bottom[i];
    }
    if (!placed)
        t[n] = from, b[n++] = to;
    int m = 0;
    for (int i = 0; i < n; ++i) {
        if (m > 0 && t[i] <= b[m - 1] + 1) {
            b[m - 1] = std::max(b[m - 1], b[i]);
            continue;
        }
        t[m] = t[i], b[m++] = b[i];
    }
    if (m > kRuns) {
        int near = 0;
        for (int i = 1; i + 1 < m; ++i)
            if (t[i + 1] - b[i] < t[near + 1] - b[near])
                near = i;
        b[near] = b[near + 1];
        for (int i = near + 1; i + 1 < m; ++i)
            t[i] = t[i + 1], b[i] = b[i + 1];
        --m;
    }
    std::copy(t, t + m, top);
    std::copy(b, b + m, bottom);
    count = m;
}

void Ris::updateVisible()
{
    // A screen draws a graticule and two traces or more: the part of the
    // widget that shows is worked out once until it is painted, and a
    // drawing asks again only when it grows the part already asked for.
    if (!updateAsked_) {
        updateAsked_ = true;
        visible_ = QRegion(rect());
        if (QWidget *parent = parentWidget()) {
            const QObjectList &siblings = parent->children();
            // Siblings after this one are stacked above it. Only one that
            // paints all of itself hides the picture: under a caption
            // without a background (the "X1" mark over the top left
            // corner) the picture shows, and must be brought up to date.
            for (qsizetype i = siblings.indexOf(this) + 1; i > 0 && i < siblings.size(); ++i) {
                auto *w = qobject_cast<QWidget *>(siblings[i]);
                const bool opaque = w
                                    && (w->testAttribute(Qt::WA_OpaquePaintEvent) || w->autoFillBackground()
                                        || qobject_cast<QScrollBar *>(w));
                if (opaque && w->isVisible() && !w->isWindow() && w->geometry().intersects(geometry()))
                    visible_ -= w->geometry().translated(-pos());
            }
        }
    }
    if (requested_.contains(changed_))
        return;
    requested_ |= changed_;
    update(visible_ & requested_);
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
    settle();
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
    settle();
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
    auto column = [&](size_t i) { return vb::Floor(x(i) - shift); };
    if (ys.size() == 1) {
        addSegment(pixel(0), pixel(0));
    } else if (!(scaleW > 0)) {
        // Right to left: segment by segment.
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
        // whole. At the decimated sweeps a column holds several points; at
        // the fast ones a segment may cross several columns.
        const int firstColumn = -(std::max(1, DrawWidth) - 1);
        const double lastColumn = double(spanTop_.size()) + firstColumn;
        const size_t n = ys.size();
        // Where each column's points end depends on the scale alone, so
        // the walk is worked out once for both traces and every page of
        // the same sweep.
        Walk &walk = walk_;
        if (walk.points != n || walk.left != left || walk.scaleW != scaleW || walk.width != width
            || walk.shift != shift) {
            walk.steps.clear();
            size_t from = 0;
            double here = column(0);
            while (from < n) {
                // The first point past this column: estimated, then made exact.
                const double guess = vb::Ceil((here + 1 + shift) * scaleW / width + left);
                size_t to = guess > double(from + 1) ? size_t(std::min(guess, double(n))) : from + 1;
                while (to > from + 1 && column(to - 1) > here)
                    --to;
                while (to < n && column(to) <= here)
                    ++to;
                Walk::Step step{here, to, 0, 0, 0, 0};
                if (to < n) {
                    step.leaveX = x(to - 1) - shift;
                    step.enterX = x(to) - shift;
                    step.leaveColumn = columnOf(step.leaveX);
                    step.enterColumn = columnOf(step.enterX);
                    here = column(to);
                }
                walk.steps.push_back(step);
                from = to;
            }
            walk.points = n;
            walk.left = left;
            walk.scaleW = scaleW;
            walk.width = width;
            walk.shift = shift;
        }
        size_t from = 0;
        for (const Walk::Step &step : walk.steps) {
            const size_t to = step.to;
            if (to - from > 1 && step.column >= firstColumn && step.column < lastColumn) {
                const auto [lo, hi] = std::minmax_element(ys.begin() + ptrdiff_t(from), ys.begin() + ptrdiff_t(to));
                const double y0 = y(*lo) - shift, y1 = y(*hi) - shift;
                const size_t k = size_t(int(step.column) - firstColumn);
                spanTop_[k] = std::min(spanTop_[k], std::min(y0, y1));
                spanBottom_[k] = std::max(spanBottom_[k], std::max(y0, y1));
            }
            if (to < n)
                laySegment(step.leaveX, y(ys[to - 1]) - shift, step.enterX, y(ys[to]) - shift, step.leaveColumn,
                           step.enterColumn);
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
    if (b.x() < a.x())
        std::swap(a, b);
    const double ax = a.x() - shift_, bx = b.x() - shift_;
    laySegment(ax, a.y() - shift_, bx, b.y() - shift_, columnOf(ax), columnOf(bx));
}

// floor(x), held to the columns a span may start in (and so within int's
// range): a segment's first and last column.
inline int Ris::columnOf(double x) const
{
    const int firstColumn = -(std::max(1, DrawWidth) - 1);
    const int lastColumn = int(spanTop_.size()) + firstColumn - 1;
    return !(x > firstColumn) ? firstColumn : x >= lastColumn ? lastColumn : floorToInt(x);
}

// The segment's part in each pixel column it crosses, in coordinates
// shifted by half the pen, left to right (ax <= bx); c0 and c1 are the
// columnOf its ends.
inline void Ris::laySegment(double ax, double ay, double bx, double by, int c0, int c1)
{
    if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by))
        return;
    const int firstColumn = -(std::max(1, DrawWidth) - 1);
    const int lastColumn = int(spanTop_.size()) + firstColumn - 1;
    if (bx < firstColumn || ax >= lastColumn + 1)
        return;
    // One division a segment: where it crosses a column's edge is worked
    // out from its slope, and each crossing once (a column's right edge is
    // the next one's left); its ends are its own points.
    const double dx = bx - ax, slope = dx == 0 ? 0 : (by - ay) / dx;
    auto at = [&](double x) { return ay + (x - ax) * slope; };
    double y0 = dx == 0 || ax >= c0 ? ay : at(double(c0));
    for (int c = c0; c <= c1; ++c) {
        const double y1 = dx == 0 || bx < c + 1 ? by : at(double(c + 1));
        const size_t k = size_t(c - firstColumn);
        spanTop_[k] = std::min(spanTop_[k], std::min(y0, y1));
        spanBottom_[k] = std::max(spanBottom_[k], std::max(y0, y1));
        y0 = dx == 0 ? ay : y1;
    }
}

void Ris::fillSpans(QRgb color)
{
    const int w = std::max(1, DrawWidth);
    const int width = image_.width(), height = image_.height();
    const QRgb pixel = 0xFF000000u | color;
    const qsizetype stride = image_.bytesPerLine() / qsizetype(sizeof(QRgb));
    QRgb *bits = reinterpret_cast<QRgb *>(image_.bits());
    // The rows each span covers, clamped to the picture (empty: top > bottom).
    const size_t n = spanTop_.size();
    rowTop_.resize(n);
    rowBottom_.resize(n);
    for (size_t k = 0; k < n; ++k) {
        // Clamp before converting: off-screen ordinates can be huge.
        const double top = std::clamp(spanTop_[k], -2.0 - w, double(height) + 1);
        const double bottom = std::clamp(spanBottom_[k], -2.0 - w, double(height) + 1);
        const bool empty = !(spanTop_[k] <= spanBottom_[k]);
        rowTop_[k] = empty ? height : std::max(0, floorToInt(top));
        rowBottom_[k] = empty ? -1 : std::min(height - 1, floorToInt(bottom) + w - 1);
    }
    if (drawn_.size() != size_t(width))
        overLayer_ = false;
    if (stalePending_ && (!overLayer_ || stale_.size() != size_t(width) || layer_.image.size() != image_.size()))
        settle();
    Drawn *drawn = overLayer_ ? drawn_.data() : nullptr;
    // The last screen's runs go back column by column just before this
    // trace's own: mostly the same cache lines, still at hand.
    const bool puttingBack = stalePending_;
    const auto *layerBits = puttingBack ? reinterpret_cast<const QRgb *>(layer_.image.constBits()) : nullptr;
    stalePending_ = false;
    int left = width, right = -1, highest = height, lowest = -1;
    // One run down pixel column x, noted for restoreLayer.
    auto fill = [&](int x, int top, int bottom) {
        if (top > bottom)
            return;
        QRgb *at = bits + top * stride + x;
        for (int r = top; r <= bottom; ++r, at += stride)
            *at = pixel;
        if (drawn)
            drawn[x].add(top, bottom);
        left = std::min(left, x);
        right = x;
        highest = std::min(highest, top);
        lowest = std::max(lowest, bottom);
    };
    // A pen wider than a pixel gives a pixel column w spans (those of array
    // index x .. x+w-1). Where they overlap or touch, as along any steep
    // stretch, the column is filled once as one run: each pixel is written
    // once, down the column, which is most of a dense trace's cost.
    if (w == 2) {
        // The traces' pen: the generic loop below, unrolled for its two spans.
        const int *tops = rowTop_.data(), *bottoms = rowBottom_.data();
        for (int x = 0; x < width; ++x) {
            if (puttingBack)
                putBack(x, bits, layerBits, stride);
            const int at = tops[x], ab = bottoms[x], bt = tops[x + 1], bb = bottoms[x + 1];
            if (at > ab) {
                fill(x, bt, bb);
            } else if (bt > bb) {
                fill(x, at, ab);
            } else if (bt <= ab + 1 && at <= bb + 1) {
                fill(x, std::min(at, bt), std::max(ab, bb));
            } else {
                fill(x, at, ab);
                fill(x, bt, bb);
            }
        }
    } else {
        for (int x = 0; x < width; ++x) {
            if (puttingBack)
                putBack(x, bits, layerBits, stride);
            // The spans in turn, joined while they overlap or touch.
            int top = height, bottom = -1;
            for (int j = 0; j < w; ++j) {
                const int t = rowTop_[size_t(x + j)], b = rowBottom_[size_t(x + j)];
                if (t > b)
                    continue;
                if (t <= bottom + 1 && top <= b + 1) {
                    top = std::min(top, t);
                    bottom = std::max(bottom, b);
                    continue;
                }
                fill(x, top, bottom);
                top = t;
                bottom = b;
            }
            fill(x, top, bottom);
        }
    }
    if (right >= 0)
        changed_ |= QRect(QPoint(left, highest), QPoint(right, lowest));
}

void Ris::Paint(const std::function<void(QPainter &)> &paint)
{
    settle();
    overLayer_ = false;
    QPainter p(&image_);
    paint(p);
    p.end();
    update();
}

void Ris::PaintPixels(const std::function<void(QImage &, int)> &paint)
{
    settle();
    overLayer_ = false;
    paint(image_, std::max(1, image_.height() - std::max(0, StripHeight)));
    update();
}

void Ris::paintEvent(QPaintEvent *e)
{
    settle();
    updateAsked_ = false;
    // Every change was asked for as it was made; what this paint leaves
    // out stays in Qt's own list for the next.
    changed_ = requested_ = QRect();
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
        stalePending_ = false;
        image_ = QImage(size(), QImage::Format_RGB32);
        EmptyScreen();
    }
}
