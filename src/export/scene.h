// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One screen as drawing instructions in pixel coordinates: what the window
// rasterises on its surface, the vector picture writes as SVG paths, and
// both paint the same way through QPainter for what lies over the traces
// (cursors, readouts).
#include <QColor>
#include <QFont>
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
    // A label the window lays over its screen rather than painting it into
    // each frame (M's scale): its box, filled, with one line of text in the
    // label's own font, 2 pixels in from the left, centred up and down.
    struct Label {
        QRectF box;
        QString text;
        QColor color;
        QColor fill;
        QFont font;
    };
    QSize size;
    QColor background;
    std::vector<Stroke> strokes;  // graticule, traces, cursors, in drawing order
    std::vector<Text> texts;
    std::vector<Label> labels;  // over everything, as the window's labels are
    QStringList caption;  // the settings line(s), written under the screen

    // Paints strokes, texts and labels (not the background or caption).
    void Paint(QPainter &p) const;
    static void PaintLabels(QPainter &p, const std::vector<Label> &labels);
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

// The screen image with the caption band beneath, as it goes to a PNG, and
// the labels the window lays over that screen painted onto it.
QImage Compose(const QImage &screen, const QStringList &caption, const std::vector<Scene::Label> &labels = {});
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
