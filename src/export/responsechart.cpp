// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/responsechart.h"

#include <QCoreApplication>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace ResponseChart {
namespace {

// Light, like a page: the scene's texts sit on white boxes.
const QColor kBackground(255, 255, 255);
const QColor kGrid(215, 215, 215);
const QColor kScale(0, 0, 0);
const QColor kMagnitude(0, 0, 200);
const QColor kPhase(200, 0, 0);
const QColor kCursor(0, 120, 0);

QString tr(const char *s)
{
    return QCoreApplication::translate("ResponseChart", s);
}

double yOfDb(const Frame &f, double db)
{
    const double t = (db - f.dbLow) / (f.dbHigh - f.dbLow);
    return f.plot.bottom() - t * f.plot.height();
}

double yOfDegrees(const Frame &f, double deg)
{
    return f.plot.bottom() - (deg + 180) / 360 * f.plot.height();
}

QString hzText(double hz)
{
    const QLocale l;
    return hz >= 1000 ? l.toString(hz / 1000, 'g', 3) + tr(" к") : l.toString(hz, 'g', 3);
}

QByteArray num(double v, int decimals)
{
    return std::isfinite(v) ? QByteArray::number(v, 'f', decimals) : QByteArrayLiteral("");
}

}  // namespace

Frame Fit(const std::vector<ToneResponse::Point> &points, double fromHz, double toHz, QSize size)
{
    Frame f;
    f.size = size;
    f.fromHz = fromHz > 0 ? fromHz : 20;
    f.toHz = toHz > f.fromHz ? toHz : f.fromHz * 2;
    f.plot = QRectF(56, 12, std::max(40, size.width() - 56 - 50), std::max(40, size.height() - 12 - 34));
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const ToneResponse::Point &p : points) {
        if (std::isfinite(p.gainDb)) {
            lo = std::min(lo, p.gainDb);
            hi = std::max(hi, p.gainDb);
        }
    }
    if (lo > hi)
        lo = -40, hi = 10;
    // Whole 10 dB divisions, at least 50 dB of them (a flat curve is not
    // blown up into noise), down to −140 dB at most.
    f.dbHigh = std::ceil((hi + 1) / 10) * 10;
    f.dbLow = std::max(std::floor((lo - 1) / 10) * 10, -140.0);
    if (f.dbHigh - f.dbLow < 50)
        f.dbLow = f.dbHigh - 50;
    return f;
}

double XOf(const Frame &f, double hz)
{
    const double t = std::log(hz / f.fromHz) / std::log(f.toHz / f.fromHz);
    return f.plot.left() + t * f.plot.width();
}

int Nearest(const Frame &f, const std::vector<ToneResponse::Point> &points, double x)
{
    int best = -1;
    double dist = HUGE_VAL;
    for (size_t i = 0; i < points.size(); ++i) {
        const double d = std::abs(XOf(f, points[i].hz) - x);
        if (d < dist)
            dist = d, best = int(i);
    }
    return best;
}

QString Readout(const ToneResponse::Point &p)
{
    const QLocale l;
    return tr("%1 Гц: %2 дБ, %3°")
        .arg(l.toString(p.hz, 'f', p.hz < 100 ? 1 : 0), l.toString(p.gainDb, 'f', 2), l.toString(p.phaseDegrees, 'f', 1));
}

Scene Draw(const Frame &f, const std::vector<ToneResponse::Point> &points, int cursor)
{
    Scene s;
    s.size = f.size;
    s.background = kBackground;
    const QRectF &r = f.plot;
    // Frequencies 1, 2, 5 in every decade.
    for (double decade = std::pow(10, std::floor(std::log10(f.fromHz))); decade <= f.toHz; decade *= 10) {
        for (double m : {1.0, 2.0, 5.0}) {
            const double hz = decade * m;
            if (hz < f.fromHz * 0.999 || hz > f.toHz * 1.001)
                continue;
            const double x = XOf(f, hz);
            s.strokes.push_back({QPolygonF({QPointF(x, r.top()), QPointF(x, r.bottom())}), kGrid, 1, false});
            s.texts.push_back({QPointF(x - 10, r.bottom() + 4), hzText(hz), kScale});
        }
    }
    s.texts.push_back({QPointF(r.right() - 4, r.bottom() + 18), tr("Гц"), kScale});
    for (double db = f.dbLow; db <= f.dbHigh + 1e-9; db += 10) {
        const double y = yOfDb(f, db);
        s.strokes.push_back({QPolygonF({QPointF(r.left(), y), QPointF(r.right(), y)}), kGrid, 1, false});
        s.texts.push_back({QPointF(4, y - 7), QLocale().toString(int(db)) + tr(" дБ"), kMagnitude});
    }
    for (int deg = -180; deg <= 180; deg += 90)
        s.texts.push_back({QPointF(r.right() + 6, yOfDegrees(f, deg) - 7), QLocale().toString(deg) + QStringLiteral("°"), kPhase});
    s.strokes.push_back({QPolygonF(r), kScale, 1, false});

    QPolygonF magnitude, phase;
    for (const ToneResponse::Point &p : points) {
        const double x = XOf(f, p.hz);
        if (std::isfinite(p.gainDb))
            magnitude << QPointF(x, std::clamp(yOfDb(f, p.gainDb), r.top(), r.bottom()));
        phase << QPointF(x, yOfDegrees(f, p.phaseDegrees));
    }
    s.strokes.push_back({phase, kPhase, 1.5, true});
    s.strokes.push_back({magnitude, kMagnitude, 2, false});
    if (cursor >= 0 && size_t(cursor) < points.size()) {
        const ToneResponse::Point &p = points[size_t(cursor)];
        const double x = XOf(f, p.hz);
        s.strokes.push_back({QPolygonF({QPointF(x, r.top()), QPointF(x, r.bottom())}), kCursor, 1, true});
        s.texts.push_back({QPointF(r.left() + 6, r.top() + 4), Readout(p), kCursor});
    }
    return s;
}

QByteArray Csv(const std::vector<ToneResponse::Point> &points)
{
    QByteArray out = QByteArrayLiteral("частота_Гц,усиление_дБ,фаза_град,опора_дБFS\n");
    for (const ToneResponse::Point &p : points)
        out += num(p.hz, 3) + ',' + num(p.gainDb, 4) + ',' + num(p.phaseDegrees, 3) + ',' + num(p.referenceDbfs, 2) + '\n';
    return out;
}

}  // namespace ResponseChart
