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
#include <QPointF>
#include <QStringList>
#include <QWidget>
#include <functional>
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
    const QImage &Image() const { return image_; }
    // Paints over the picture with a painter in pixel coordinates (what
    // lies over the traces: cursors, readouts, the X-Y figure).
    void Paint(const std::function<void(class QPainter &)> &paint);

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
    void fillSpans(QRgb color);

    QColor back_;
    QImage image_;
    // Per pixel column: the rows the current line or trace covers.
    std::vector<double> spanTop_, spanBottom_;
    double shift_ = 0;
};
