// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/xytool.h"

#include "analysis/xyplot.h"
#include "display/ris.h"
#include "platform/settings.h"
#include "platform/vbcolor.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <cstring>

XYTool::XYTool(const ToolHost &host, QObject *parent) : QObject(parent), host_(host)
{
    XYMenu = host_.setupMenu->addAction(tr("Развёртка X-Y (фигуры Лиссажу)"));
    XYMenu->setObjectName(QStringLiteral("XYMenu"));
    XYMenu->setCheckable(true);
    connect(XYMenu, &QAction::toggled, this, [this](bool on) {
        SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("View"), QStringLiteral("XY"),
                                   on ? QStringLiteral("True") : QStringLiteral("False"));
        host_.repaint();
    });
}

void XYTool::Load()
{
    const QSignalBlocker quiet(XYMenu);
    XYMenu->setChecked(SettingsStore::GetSetting(QStringLiteral("Sigm"), QStringLiteral("View"), QStringLiteral("XY"),
                                                 QStringLiteral("False"))
                       == QLatin1String("True"));
}

bool XYTool::IsOn() const
{
    return XYMenu->isChecked();
}

void XYTool::SamplesRead(const ScreenFrame &f)
{
    // A block from the capture stream is copied only while the figure is
    // drawn; a screen read from the file is kept always, for the figure
    // the exports draw. The storage is reused from frame to frame.
    if (f.streamed && !IsOn())
        return;
    block_.resize(f.samples.size());
    if (!f.samples.empty())  // (an empty view may have no storage at all)
        std::memcpy(block_.data(), f.samples.data(), size_t(f.samples.size()));
}

Scene XYTool::Figure(QSize size, int channels, const int sensitivity[2], const int position[2], bool note) const
{
    Scene scene;
    scene.size = size;
    const QRectF sq = XY::SquareIn(size.width(), size.height());
    for (double o : XY::GridOffsets(sq)) {
        const QColor black(0, 0, 0);
        scene.strokes.push_back({QPolygonF({QPointF(sq.left() + o, sq.top()), QPointF(sq.left() + o, sq.bottom())}),
                                 black, 1, false});
        scene.strokes.push_back({QPolygonF({QPointF(sq.left(), sq.top() + o), QPointF(sq.right(), sq.top() + o)}),
                                 black, 1, false});
    }
    if (channels == 2) {
        const std::vector<QPointF> pts = XY::Figure(block_.constData(), block_.size() / 4, sq,
                                                    {sensitivity[0], position[0]}, {sensitivity[1], position[1]});
        if (pts.size() > 1)
            scene.strokes.push_back({QPolygonF(QList<QPointF>(pts.begin(), pts.end())), VbColor(0xFF0000), 1, false});
    } else if (note) {
        scene.texts.push_back({QPointF(sq.left() + 8, sq.top() + 8),
                               tr("Для X-Y нужен двухлучевой режим"), Qt::black});
    }
    return scene;
}

void XYTool::PaintInstead(const ScreenFrame &f, Ris &surface)
{
    const Scene scene = Figure(surface.Image().size(), f.channels, f.map.sensitivity, f.map.position, true);
    surface.Paint([&](QPainter &p) { scene.Paint(p); });
}
