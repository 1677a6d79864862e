// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture box of the level window: bars, ticks and labels are drawn in
// user coordinates into a persistent image that the widget shows.
#include <QImage>
#include <QWidget>
#include <vector>

class LevelPicture : public QWidget {
    Q_OBJECT
public:
    explicit LevelPicture(const QColor &back, QWidget *parent = nullptr);

    double ScaleLeft = 0, ScaleTop = 0, ScaleWidth = 90.11, ScaleHeight = 20;

    void Cls();
    void Line(double x1, double y1, double x2, double y2, const QColor &color);
    // Filled rectangle between two corners; a zero-width box draws nothing.
    void Box(double x1, double y1, double x2, double y2, const QColor &color);
    // Prints text with its top-left corner at (x, y).
    void Print(const QString &text, double x, double y, const QColor &color);
    double TextWidth(const QString &text) const;
    double TextHeight() const;

    // Where a user coordinate lands, in pixels of the image.
    QPointF ToPixel(double x, double y) const;
    const QImage &Image() const { return image_; }
    QColor BackColor() const { return back_; }

    // Texts printed since the last Cls, with their user coordinates.
    struct Printed {
        QString text;
        double x, y;
    };
    const std::vector<Printed> &PrintedTexts() const { return printed_; }

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;

private:
    int col(double x) const;
    int row(double y) const;

    QColor back_;
    QImage image_;
    std::vector<Printed> printed_;
};
