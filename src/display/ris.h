// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drawing surface. Everything is drawn into a persistent image in user
// coordinates (ScaleLeft/Top/Width/Height), so the picture survives
// repaints and can be printed later; the widget only shows the image.
//
// Lines are rasterised here rather than with QPainter: a trace is thousands
// of short segments, and Qt's stroker for a 2-pixel pen costs tens of
// milliseconds per screen. A trace runs left to right, so the part of it
// inside one pixel column is one vertical interval; the surface collects
// those intervals and fills each once.
#include <QImage>
#include <QLineF>
#include <QPointF>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <cstdint>
#include <vector>

class Ris : public QWidget {
    Q_OBJECT
public:
    explicit Ris(QWidget *parent = nullptr);

    QColor BackColor() const { return back_; }

    double ScaleLeft = 0, ScaleTop = -32768, ScaleWidth = 8880, ScaleHeight = 65536;
    int DrawWidth = 1;

    // Clears the picture to the background colour (and takes the widget's size).
    void Cls();
    // The graticule alone, ten by eight divisions: the instrument before
    // anything is shown, and after every change of size until it is redrawn.
    void EmptyScreen();
    // One straight line in user coordinates, DrawWidth pixels wide.
    void Line(double x1, double y1, double x2, double y2, const QColor &color);
    // A polyline in user coordinates whose x never decreases (a trace),
    // DrawWidth pixels wide.
    void Trace(const std::vector<QPointF> &points, const QColor &color);
    // The same for the points (i, ys[i]), i = 0 .. ys.size() - 1: the same
    // pixels, but a run of points inside one pixel column costs only its
    // minimum and maximum, which is most of them on a decimated screen.
    void Trace(const std::vector<int32_t> &ys, const QColor &color);
    // Cls followed by these lines (user coordinates, one pixel wide). The
    // result is kept as a background layer and copied back while the
    // lines, the scale and the size stay the same.
    void ClsWithLines(const std::vector<QLineF> &lines, const QColor &color);
    const QImage &Image()
    {
        settle();
        return image_;
    }
    // Paints over the picture with a painter in pixel coordinates (what
    // lies over the traces: cursors, readouts, the X-Y figure).
    void Paint(const std::function<void(class QPainter &)> &paint);
    // Changes the picture's 32-bit pixels directly (what a painter would
    // take too long for, pixel by pixel); `rows` are the screen's, above
    // the readout strip.
    void PaintPixels(const std::function<void(QImage &image, int rows)> &paint);

    QPointF ToPixel(double x, double y) const;
    // User height at pixel row `row` (the inverse of ToPixel's y).
    double FromPixelY(double row) const;

    // Rows at the bottom of the picture kept for the readout strip; the
    // user scale maps onto the rows above them. 0 (the default) keeps the
    // whole picture for the screen.
    int StripHeight = 0;
    // Fills the strip and writes one line of text per entry in its colour.
    void Strip(const QStringList &lines, const std::vector<QColor> &colors);
    // A small triangle at the right edge pointing at user height y.
    void Marker(double y, const QColor &color);

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;

private:
    void beginSpans();
    void addSegment(QPointF a, QPointF b);
    int columnOf(double x) const;
    void laySegment(double ax, double ay, double bx, double by, int c0, int c1);
    void fillSpans(QRgb color);
    // Schedules a repaint of the part of the surface that is not covered by
    // the controls stacked above it (the scroll bar beside it overlaps it by
    // a pixel column and need not be repainted with every frame).
    void updateVisible();
    bool updateAsked_ = false;
    QRegion visible_;
    // The part of the picture changed since it was last painted, and the
    // part a repaint has been asked for: a page changes the rows its old
    // and new traces cover, and copying just those to the window (and the
    // window to the screen) is most of what a page saves.
    QRect changed_, requested_;

    // Puts the background layer back where lines and traces were drawn
    // over it since it was last copied, or copies it whole.
    void restoreLayer();

    QColor back_;
    QImage image_;
    // The picture is the layer except, per pixel column, in the runs of
    // rows the rasteriser filled since (drawn_), as long as overLayer_
    // holds; a painter's drawing ends that. Two traces make two runs in
    // most columns; past kRuns the nearest runs are joined.
    static constexpr int kRuns = 4;
    struct Drawn {
        int count = 0;
        int top[kRuns], bottom[kRuns];  // sorted, apart by more than a row
        void add(int from, int to)
        {
            // Most runs are a column's first, or lie below or on its last.
            if (from > to)
                return;
            if (count == 0 || (count < kRuns && from > bottom[count - 1] + 1)) {
                top[count] = from;
                bottom[count++] = to;
            } else if (from >= top[count - 1] && from <= bottom[count - 1] + 1) {
                bottom[count - 1] = std::max(bottom[count - 1], to);
            } else {
                insert(from, to);
            }
        }
        void insert(int from, int to);
    };
    bool overLayer_ = false;
    std::vector<Drawn> drawn_;
    void forgetDrawn();
    // The last screen's runs, not yet put back from the layer while
    // stalePending_: the next trace puts each column's back as it reaches
    // it; anything else that reads or paints the picture settles first.
    std::vector<Drawn> stale_;
    bool stalePending_ = false;
    // Column `column` of `bits` back from the layer's `from` where the
    // last screen drew (both pictures share `stride`, in pixels).
    void putBack(int column, QRgb *bits, const QRgb *from, qsizetype stride) const;
    void settle();
    // Per pixel column: the rows the current line or trace covers.
    std::vector<double> spanTop_, spanBottom_;
    std::vector<int> rowTop_, rowBottom_;
    // The dense traces' walk over the pixel columns, for one scale.
    struct Walk {
        struct Step {
            double column;           // the pixel column
            size_t to;               // one past its last point
            double leaveX, enterX;   // the segment to the next column (shifted)
            int leaveColumn, enterColumn;
        };
        std::vector<Step> steps;
        size_t points = 0;
        double left = 0, scaleW = 0, width = 0, shift = 0;
    } walk_;
    double shift_ = 0;

    struct Layer {
        QImage image;
        std::vector<QLineF> lines;
        QRgb color = 0;
        double scale[4] = {0, 0, 0, 0};
    };
    Layer layer_;
};
