// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/scene.h"

#include "export/atomicfile.h"
#include "platform/language.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

namespace {

QFont captionFont()
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(12);
    return f;
}

QFont readoutFont()
{
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(11);
    return f;
}

void paintCaption(QPainter &p, int top, int width, const QStringList &caption)
{
    const int h = PictureExport::CaptionHeight(int(caption.size()));
    p.fillRect(QRect(0, top, width, h), Qt::white);
    p.setPen(Qt::black);
    p.setFont(captionFont());
    const QFontMetrics fm(captionFont());
    for (int i = 0; i < caption.size(); ++i)
        p.drawText(QPointF(6, top + 4 + fm.ascent() + i * fm.lineSpacing()), caption[i]);
}

}  // namespace

void Scene::Paint(QPainter &p) const
{
    for (const Stroke &s : strokes) {
        QPen pen(s.color, s.width);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::RoundJoin);
        if (s.dashed)
            pen.setDashPattern({4, 3});
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        if (s.points.size() == 2) {
            p.drawLine(s.points[0], s.points[1]);
        } else {
            QPainterPath path;
            path.addPolygon(s.points);
            p.drawPath(path);
        }
    }
    p.setFont(readoutFont());
    const QFontMetrics fm(readoutFont());
    for (const Text &t : texts) {
        const QRectF box = QRectF(t.at, fm.size(0, t.text)).adjusted(-2, -1, 2, 1);
        p.fillRect(box, QColor(255, 255, 255, 220));
        p.setPen(t.color);
        p.drawText(QPointF(t.at.x(), t.at.y() + fm.ascent()), t.text);
    }
    PaintLabels(p, labels);
}

void Scene::PaintLabels(QPainter &p, const std::vector<Label> &labels)
{
    for (const Label &l : labels) {
        p.fillRect(l.box, l.fill);
        p.setFont(l.font);
        p.setPen(l.color);
        // At a point, not in a rectangle: the SVG painter drops text under a clip.
        const QFontMetricsF fm(l.font);
        p.drawText(QPointF(l.box.left() + 2, l.box.top() + (l.box.height() - fm.height()) / 2 + fm.ascent()), l.text);
    }
}

namespace PictureExport {

QStringList Caption(const CaptionText &t)
{
    QString line;
    switch (t.mode) {
    case CaptionText::Mode::XY:
        // Across is channel 1, not time: the sweep only says how long a
        // stretch of signal the figure is drawn from.
        line = QCoreApplication::translate("Export", "X-Y:  X (канал 1) = %1/дел.   Y (канал 2) = %2/дел.   фигура за %3 с (развёртка %4/дел.)")
                   .arg(t.sensitivity1, t.sensitivity2, t.span, t.sweep);
        break;
    case CaptionText::Mode::Subtract:
        line = QCoreApplication::translate("Export", "Канал 1 − канал 2: %1/дел.   Время/Дел. = %2").arg(t.sensitivity1, t.sweep);
        break;
    case CaptionText::Mode::TwoBeams:
        line = QCoreApplication::translate("Export", "Канал 1: %1/дел.   Канал 2: %2/дел.   Время/Дел. = %3")
                   .arg(t.sensitivity1, t.sensitivity2, t.sweep);
        break;
    case CaptionText::Mode::OneBeam:
        line = QCoreApplication::translate("Export", "Канал 1: %1/дел.   Время/Дел. = %2").arg(t.sensitivity1, t.sweep);
        break;
    }
    if (!t.live)
        line += QCoreApplication::translate("Export", "   Экран: %1 … %2 с").arg(t.start, t.end);
    return {line};
}

int CaptionHeight(int lines)
{
    return lines <= 0 ? 0 : QFontMetrics(captionFont()).lineSpacing() * lines + 8;
}

QImage Compose(const QImage &screen, const QStringList &caption, const std::vector<Scene::Label> &labels)
{
    QImage out(screen.width(), screen.height() + CaptionHeight(int(caption.size())), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, screen);
    if (!labels.empty()) {
        p.save();
        p.setClipRect(QRect(QPoint(0, 0), screen.size()));
        Scene::PaintLabels(p, labels);
        p.restore();
    }
    paintCaption(p, screen.height(), screen.width(), caption);
    return out;
}

QByteArray SvgOf(const Scene &scene)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator gen;
    gen.setOutputDevice(&buffer);
    const QSize size(scene.size.width(), scene.size.height() + CaptionHeight(int(scene.caption.size())));
    gen.setSize(size);
    gen.setResolution(96);  // one SVG pixel per screen pixel in viewers
    gen.setViewBox(QRect(QPoint(0, 0), size));
    gen.setTitle(Language::AppTitle());
    gen.setDescription(scene.caption.join(QLatin1Char('\n')));
    QPainter p;
    if (!p.begin(&gen))
        return {};
    p.fillRect(QRect(QPoint(0, 0), scene.size), scene.background);
    // No clip: the SVG painter drops text under a clip.
    scene.Paint(p);
    paintCaption(p, scene.size.height(), scene.size.width(), scene.caption);
    if (!p.end())
        return {};
    return bytes;
}

bool SavePng(const QString &path, const QImage &image, QString *error)
{
    // Refused before encoding: a FIFO answers at once.
    if (const QString refused = AtomicFile::Refusal(path); !refused.isEmpty()) {
        *error = refused;
        return false;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG")) {
        *error = QCoreApplication::translate("Export", "Не удалось записать файл %1: ошибка кодирования PNG.").arg(path);
        return false;
    }
    return AtomicFile::Write(path, bytes, error);
}

bool SaveSvg(const QString &path, const QByteArray &svg, QString *error)
{
    if (svg.isEmpty()) {
        *error = QCoreApplication::translate("Export", "Не удалось записать файл %1: ошибка кодирования SVG.").arg(path);
        return false;
    }
    return AtomicFile::Write(path, svg, error);
}

bool WritePng(const QString &path, const QImage &screen, const QStringList &caption, QString *error)
{
    return SavePng(path, Compose(screen, caption), error);
}

bool WriteSvg(const QString &path, const Scene &scene, QString *error)
{
    if (const QString refused = AtomicFile::Refusal(path); !refused.isEmpty()) {
        *error = refused;
        return false;
    }
    return SaveSvg(path, SvgOf(scene), error);
}

}  // namespace PictureExport
