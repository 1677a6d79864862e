#include "display/ris.h"

#include "platform/vbcolor.h"

#include <QPainter>

Ris::Ris(QWidget *parent) : QWidget(parent), back_(VbColor(0xE0E0E0))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_ = QImage(1, 1, QImage::Format_RGB32);
    image_.fill(back_);
}

void Ris::Cls()
{
    if (image_.size() != size() && !size().isEmpty())
        image_ = QImage(size(), QImage::Format_RGB32);
    image_.fill(back_);
    update();
}

QPointF Ris::ToPixel(double x, double y) const
{
    const double w = ScaleWidth == 0 ? 1 : ScaleWidth;
    const double h = ScaleHeight == 0 ? 1 : ScaleHeight;
    return QPointF((x - ScaleLeft) * image_.width() / w, (y - ScaleTop) * image_.height() / h);
}

void Ris::Line(double x1, double y1, double x2, double y2, const QColor &color)
{
    QPainter p(&image_);
    p.setPen(QPen(color, DrawWidth, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(ToPixel(x1, y1), ToPixel(x2, y2));
    update();
}

void Ris::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), back_);
    p.drawImage(0, 0, image_);
}

void Ris::resizeEvent(QResizeEvent *)
{
    // A new size starts a blank picture; the owner redraws the traces.
    if (!size().isEmpty() && image_.size() != size()) {
        image_ = QImage(size(), QImage::Format_RGB32);
        image_.fill(back_);
    }
}
