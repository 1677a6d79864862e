// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The frequency response as a picture and a table: magnitude (dB, left
// scale) and phase (degrees, right scale) against frequency on a log axis,
// drawn as a Scene so the window, the PNG and the SVG are one drawing; and
// the points as CSV, numbers with a dot whatever the locale.
#include "analysis/toneresponse.h"
#include "export/scene.h"

#include <QByteArray>
#include <QRectF>
#include <vector>

namespace ResponseChart {

struct Frame {
    QSize size;
    double fromHz = 20, toHz = 20000;
    double dbLow = -40, dbHigh = 10;  // the magnitude scale
    QRectF plot;                      // where the curves go
};

// The frame for `points` on a picture of `size`: the magnitude scale
// fitted to the points in 10 dB divisions.
Frame Fit(const std::vector<ToneResponse::Point> &points, double fromHz, double toHz, QSize size);

double XOf(const Frame &f, double hz);
// The point whose frequency lies nearest to pixel column x, −1 when none.
int Nearest(const Frame &f, const std::vector<ToneResponse::Point> &points, double x);

// The readout of one point, numbers in the locale shown.
QString Readout(const ToneResponse::Point &p);

// The picture; `cursor` a point's index to mark and read out, or −1.
Scene Draw(const Frame &f, const std::vector<ToneResponse::Point> &points, int cursor);

// Header, then one line a point: frequency, gain, phase, the reference's level.
QByteArray Csv(const std::vector<ToneResponse::Point> &points);

}  // namespace ResponseChart
