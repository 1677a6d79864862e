// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap draw(const QString &name, bool enabled)
{
    QPixmap pm(28, 28);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = enabled ? QColor(40, 40, 40) : QColor(150, 150, 150);
    auto tone = [&](QColor c) { return enabled ? c : QColor(200, 200, 200); };
    p.setPen(QPen(ink, 1.5));
    if (name == QLatin1String("open")) {
        p.setBrush(tone(QColor(240, 200, 90)));
        QPainterPath folder;
        folder.moveTo(3, 8);
        folder.lineTo(10, 8);
        folder.lineTo(12, 10);
        folder.lineTo(24, 10);
        folder.lineTo(24, 23);
        folder.lineTo(3, 23);
        folder.closeSubpath();
        p.drawPath(folder);
        p.setPen(QPen(tone(QColor(30, 60, 200)), 1.5));
        p.drawLine(QPointF(6, 18), QPointF(9, 13));
        p.drawLine(QPointF(9, 13), QPointF(13, 20));
        p.drawLine(QPointF(13, 20), QPointF(17, 14));
        p.drawLine(QPointF(17, 14), QPointF(21, 17));
    } else if (name == QLatin1String("save")) {
        p.setBrush(tone(QColor(70, 110, 190)));
        p.drawRect(QRectF(4, 4, 20, 20));
        p.setBrush(tone(QColor(235, 235, 235)));
        p.drawRect(QRectF(8, 4, 12, 8));
        p.drawRect(QRectF(8, 15, 12, 9));
    } else if (name == QLatin1String("print")) {
        p.setBrush(tone(QColor(250, 250, 250)));
        p.drawRect(QRectF(8, 3, 12, 9));
        p.setBrush(tone(QColor(120, 120, 120)));
        p.drawRoundedRect(QRectF(3, 11, 22, 9), 2, 2);
        p.setBrush(tone(QColor(250, 250, 250)));
        p.drawRect(QRectF(8, 17, 12, 8));
    } else if (name == QLatin1String("stop")) {
        p.setBrush(tone(QColor(200, 40, 40)));
        p.drawRect(QRectF(7, 7, 14, 14));
    } else if (name == QLatin1String("memory")) {
        p.setBrush(tone(QColor(220, 30, 30)));
        p.drawEllipse(QRectF(6, 6, 16, 16));
    } else if (name == QLatin1String("run")) {
        p.setBrush(tone(QColor(30, 150, 60)));
        QPolygonF tri;
        tri << QPointF(8, 5) << QPointF(23, 14) << QPointF(8, 23);
        p.drawPolygon(tri);
    }
    return pm;
}

}  // namespace

QIcon PanelIcon(const QString &name)
{
    QIcon icon;
    icon.addPixmap(draw(name, true), QIcon::Normal);
    icon.addPixmap(draw(name, false), QIcon::Disabled);
    return icon;
}
