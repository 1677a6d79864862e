// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The spectrum graph: level against frequency with a graticule and
// labelled axes, one curve per channel in its trace's colour, the held
// peaks fainter behind it.
#include <QColor>
#include <QImage>
#include <QWidget>
#include <cmath>
#include <vector>

class SpectrumPlot : public QWidget {
    Q_OBJECT
public:
    explicit SpectrumPlot(QWidget *parent = nullptr);

    struct Curve {
        std::vector<double> level;  // dB per bin 0..n
        std::vector<double> held;   // empty when peak hold is off
        QColor colour;
    };
    // binWidth in Hz; top and bottom of the level axis in dB; unit is the
    // caption of the level axis.
    void SetData(std::vector<Curve> curves, double binWidth, double nyquist, double top, double bottom,
                 const QString &unit, bool logFrequency);
    // Horizontal position of a frequency, in pixels of the widget.
    double XOf(double hz) const;
    double YOf(double db) const;
    QRect PlotArea() const;
    // The last picture painted (tests look at it).
    QImage Picture() { return grab().toImage(); }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    double lowestHz() const;
    std::vector<Curve> curves_;
    double binWidth_ = 0, nyquist_ = 22050, top_ = 0, bottom_ = -140;
    QString unit_;
    bool log_ = true;
    double lowest_ = 10, logSpan_ = std::log(2205.0);
    mutable QRect area_;
    mutable QSize areaFor_;
};
