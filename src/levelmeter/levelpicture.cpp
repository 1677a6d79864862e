// SPDX-License-Identifier: GPL-3.0-or-later
#include "levelmeter/levelpicture.h"

#include <QPainter>
#include <cmath>

LevelPicture::LevelPicture(const QColor &back, QWidget *parent) : QWidget(parent), back_(back)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_ = QImage(1, 1, QImage::Format_RGB32);
    image_.fill(back_);
}

void LevelPicture::Cls()
{
    if (image_.size() != size() && !size().isEmpty())
        image_ = QImage(size(), QImage::Format_RGB32);
    image_.fill(back_);
    printed_.clear();
    update();
}

QPointF LevelPicture::ToPixel(double x, double y) const
{
    const double w = ScaleWidth == 0 ? 1 : ScaleWidth;
    const double h = ScaleHeight == 0 ? 1 : ScaleHeight;
    return QPointF((x - ScaleLeft) * image_.width() / w, (y - ScaleTop) * image_.height() / h);
}

int LevelPicture::col(double x) const
{
    return int(std::floor(ToPixel(x, 0).x() + 0.5));
}

int LevelPicture::row(double y) const
{
    return int(std::floor(ToPixel(0, y).y() + 0.5));
}

void LevelPicture::Line(double x1, double y1, double x2, double y2, const QColor &color)
{
    // Whole pixels, no smoothing: ticks one pixel wide, as a scale wants.
    QPainter p(&image_);
    p.setPen(QPen(color, 1));
    p.drawLine(QPoint(col(x1), row(y1)), QPoint(col(x2), row(y2)));
    update();
}

void LevelPicture::Box(double x1, double y1, double x2, double y2, const QColor &color)
{
    const int left = std::min(col(x1), col(x2));
    const int right = std::max(col(x1), col(x2));
    const int top = std::min(row(y1), row(y2));
    const int bottom = std::max(row(y1), row(y2));
    if (right == left)
        return;
    QPainter p(&image_);
    p.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom)), color);
    update();
}

void LevelPicture::Print(const QString &text, double x, double y, const QColor &color)
{
    QPainter p(&image_);
    p.setFont(font());
    p.setPen(color);
    const QPointF at = ToPixel(x, y);
    p.drawText(QPointF(std::floor(at.x() + 0.5), std::floor(at.y() + 0.5) + fontMetrics().ascent()), text);
    printed_.push_back({text, x, y});
    update();
}

double LevelPicture::TextWidth(const QString &text) const
{
    return image_.width() > 0 ? fontMetrics().horizontalAdvance(text) * ScaleWidth / image_.width() : 0;
}

double LevelPicture::TextHeight() const
{
    return image_.height() > 0 ? fontMetrics().height() * ScaleHeight / image_.height() : 0;
}

void LevelPicture::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), back_);
    p.drawImage(0, 0, image_);
}

void LevelPicture::resizeEvent(QResizeEvent *)
{
    if (!size().isEmpty() && image_.size() != size()) {
        image_ = QImage(size(), QImage::Format_RGB32);
        image_.fill(back_);
        printed_.clear();
    }
}
