// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One screen as drawing instructions in pixel coordinates: what the window
// rasterises on its surface, the vector picture writes as SVG paths, and
// both paint the same way through QPainter for what lies over the traces
// (cursors, readouts).
#include <QColor>
#include <QImage>
#include <QPolygonF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

class QPainter;

struct Scene {
    struct Stroke {
        QPolygonF points;
        QColor color;
        double width = 1;
        bool dashed = false;
    };
    struct Text {
        QPointF at;  // top-left corner
        QString text;
        QColor color;
    };
    QSize size;
    QColor background;
    std::vector<Stroke> strokes;  // graticule, traces, cursors, in drawing order
    std::vector<Text> texts;
    QStringList caption;  // the settings line(s), written under the screen

    // Paints strokes and texts (not the background or caption).
    void Paint(QPainter &p) const;
};

namespace PictureExport {

// What the settings line under a picture says.
struct CaptionText {
    enum class Mode { OneBeam, TwoBeams, Subtract, XY } mode = Mode::OneBeam;
    // The selectors' texts: "100 мВ", "1 мС".
    QString sensitivity1, sensitivity2, sweep;
    QString span;  // X-Y: how long a stretch the figure is drawn from
    bool live = false;
    QString start, end;  // a stopped screen's times
};
QStringList Caption(const CaptionText &t);

// The screen image with the caption band beneath, as it goes to a PNG.
QImage Compose(const QImage &screen, const QStringList &caption);
// Height of the caption band for `lines` lines.
int CaptionHeight(int lines);
// The scene as a vector picture with the same caption band.
QByteArray SvgOf(const Scene &scene);

// Write a picture all or nothing (see AtomicFile): false, with a text that
// says what failed, leaves whatever was at `path` as it was.
bool SavePng(const QString &path, const QImage &image, QString *error);
bool SaveSvg(const QString &path, const QByteArray &svg, QString *error);

// The screen with its caption as PNG; the scene as SVG.
bool WritePng(const QString &path, const QImage &screen, const QStringList &caption, QString *error);
bool WriteSvg(const QString &path, const Scene &scene, QString *error);

}  // namespace PictureExport
