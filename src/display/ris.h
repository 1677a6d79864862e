#pragma once
// The drawing surface. Everything is drawn into a persistent image in user
// coordinates (ScaleLeft/Top/Width/Height), so the picture survives
// repaints and can be printed later; the widget only shows the image.
#include <QImage>
#include <QWidget>

class Ris : public QWidget {
    Q_OBJECT
public:
    explicit Ris(QWidget *parent = nullptr);

    QColor BackColor() const { return back_; }

    double ScaleLeft = 0, ScaleTop = -32768, ScaleWidth = 8880, ScaleHeight = 65536;
    int DrawWidth = 1;

    void Cls();
    void Line(double x1, double y1, double x2, double y2, const QColor &color);
    const QImage &Image() const { return image_; }

    QPointF ToPixel(double x, double y) const;

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;

private:
    QColor back_;
    QImage image_;
};
