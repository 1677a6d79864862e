// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cursortool.h"

#include "analysis/mathtrace.h"
#include "app/mathtool.h"
#include "app/scopestate.h"
#include "display/ris.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {
// Neither trace's colour (blue, red) nor the graticule's.
const QColor kCursorColour(0, 140, 0);
}  // namespace

CursorTool::CursorTool(const ToolHost &host, std::function<bool()> tracesHidden, QObject *parent)
    : QObject(parent), host_(host), tracesHidden_(std::move(tracesHidden))
{
    auto item = [this](const char *name, const QString &caption) {
        QAction *a = host_.setupMenu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        return a;
    };
    CursorsMenu = item("CursorsMenu", tr("Курсоры"));
    CursorsOnSecond = item("CursorsOnSecond", tr("Курсоры напряжения по 2-му каналу"));
    CursorsOnMath = item("CursorsOnMath", tr("Курсоры напряжения по M"));
    connect(CursorsMenu, &QAction::toggled, this, [this](bool on) { SetCursorsShown(on); });
    connect(CursorsOnSecond, &QAction::toggled, this, [this](bool on) {
        if (on)
            CursorsOnMath->setChecked(false);
        host_.repaint();
    });
    connect(CursorsOnMath, &QAction::toggled, this, [this](bool on) {
        if (on)
            CursorsOnSecond->setChecked(false);
        host_.repaint();
    });
    host_.surface->installEventFilter(this);
}

void CursorTool::PaintOver(const ScreenFrame &f, Ris &surface)
{
    mapValid_ = f.mapValid;
    if (!f.mapValid)
        return;
    map_ = f.map;
    // (The computed trace paints before the cursors, so its scale is this screen's.)
    if (math_ && math_->Drawn()) {
        map_.voltsPerUnit[2] = math_->ValuePerUnit();
        map_.sensitivity[2] = 1;
        map_.position[2] = int(std::lround(math_->PositionUnits()));
        map_.removed[2] = math_->RemovedUnits();
    }
    if (CursorsShown() && f.tracesDrawn) {
        if (!placed_)
            placeInitialCursors();
        const Scene s = Overlay();
        surface.Paint([&](QPainter &p) { s.Paint(p); });
    }
}

bool CursorTool::CursorsShown() const
{
    return CursorsMenu->isChecked();
}

void CursorTool::SetCursorsShown(bool on)
{
    if (CursorsMenu->isChecked() != on) {
        CursorsMenu->setChecked(on);  // comes back here through toggled
        return;
    }
    host_.surface->setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
    host_.surface->setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
    host_.repaint();
}

int CursorTool::VoltChannel() const
{
    if (CursorsOnMath->isChecked() && math_ && math_->Drawn())
        return 2;
    return CursorsOnSecond->isChecked() && host_.st->TwoBeam && !host_.st->SubtractMode ? 1 : 0;
}

void CursorTool::SetCursor(Cursor c, double value)
{
    value_[c] = value;
    placed_ = true;
    host_.repaint();
}

void CursorTool::placeInitialCursors()
{
    value_[Time1] = map_.SecondsAt(map_.widthPx * 0.25);
    value_[Time2] = map_.SecondsAt(map_.widthPx * 0.75);
    value_[Volt1] = map_.VoltsAt(VoltChannel(), map_.heightPx * 3.0 / 8);
    value_[Volt2] = map_.VoltsAt(VoltChannel(), map_.heightPx * 5.0 / 8);
    placed_ = true;
}

Cursors::Readout CursorTool::Readout() const
{
    return Cursors::Read(value_[Time1], value_[Time2], value_[Volt1], value_[Volt2]);
}

QStringList CursorTool::ReadoutLines() const
{
    const Cursors::Readout r = Readout();
    const QString times = QStringLiteral("t1 = %1   t2 = %2   Δt = %3   1/Δt = %4")
                              .arg(Cursors::SecondsText(r.t1), Cursors::SecondsText(r.t2), Cursors::SecondsText(r.dt),
                                   Cursors::HertzText(r.frequency));
    if (VoltChannel() == 2) {
        // M in its own unit.
        auto v = [&](double value) { return MathTrace::ValueText(value, math_->UnitText()); };
        return {times, QStringLiteral("M:  U1 = %1   U2 = %2   ΔU = %3").arg(v(r.v1), v(r.v2), v(r.dv))};
    }
    const QString ch = VoltChannel() == 0 ? QStringLiteral("1") : QStringLiteral("2");
    return {times, tr("Канал %1:  U1 = %2   U2 = %3   ΔU = %4")
                       .arg(ch, Cursors::VoltsText(r.v1), Cursors::VoltsText(r.v2), Cursors::VoltsText(r.dv))};
}

Scene CursorTool::Overlay() const
{
    Scene s;
    s.size = QSize(map_.widthPx, map_.heightPx);
    const double h = map_.heightPx, wpx = map_.widthPx;
    for (Cursor c : {Time1, Time2}) {
        const double x = std::floor(map_.PixelAtSeconds(value_[c])) + 0.5;
        s.strokes.push_back({QPolygonF({QPointF(x, 0), QPointF(x, h)}), kCursorColour, 1, c != selected_});
    }
    for (Cursor c : {Volt1, Volt2}) {
        const double y = std::floor(map_.PixelAtVolts(VoltChannel(), value_[c])) + 0.5;
        s.strokes.push_back({QPolygonF({QPointF(0, y), QPointF(wpx, y)}), kCursorColour, 1, c != selected_});
    }
    const QStringList lines = ReadoutLines();
    for (int i = 0; i < lines.size(); ++i)
        s.texts.push_back({QPointF(4, 4 + 15 * i), lines[i], kCursorColour.darker(130)});
    return s;
}

bool CursorTool::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != host_.surface)
        return false;
    if (!CursorsShown() || !mapValid_ || tracesHidden_())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove: {
        auto *me = static_cast<QMouseEvent *>(event);
        const QPointF pos = me->position();
        if (event->type() == QEvent::MouseButtonPress) {
            if (me->button() != Qt::LeftButton)
                return false;
            // The nearest cursor comes to the mouse and follows it.
            double best = 1e300;
            for (Cursor c : {Time1, Time2, Volt1, Volt2}) {
                const double d = c <= Time2 ? std::fabs(map_.PixelAtSeconds(value_[c]) - pos.x())
                                            : std::fabs(map_.PixelAtVolts(VoltChannel(), value_[c]) - pos.y());
                if (d < best) {
                    best = d;
                    selected_ = c;
                }
            }
            dragging_ = true;
        } else if (!dragging_ || !(me->buttons() & Qt::LeftButton)) {
            return false;
        }
        if (selected_ <= Time2)
            SetCursor(selected_, map_.SecondsAt(pos.x()));
        else
            SetCursor(selected_, map_.VoltsAt(VoltChannel(), pos.y()));
        return true;
    }
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        return false;
    case QEvent::KeyPress: {
        auto *ke = static_cast<QKeyEvent *>(event);
        switch (ke->key()) {
        case Qt::Key_1: case Qt::Key_2: case Qt::Key_3: case Qt::Key_4:
            selected_ = Cursor(ke->key() - Qt::Key_1);
            host_.repaint();
            return true;
        case Qt::Key_Left: case Qt::Key_Right:
            if (selected_ > Time2)
                return false;
            SetCursor(selected_, value_[selected_] + (ke->key() == Qt::Key_Right ? 1 : -1) * map_.SecondsPerPixel());
            return true;
        case Qt::Key_Up: case Qt::Key_Down:
            if (selected_ < Volt1)
                return false;
            SetCursor(selected_,
                      value_[selected_] + (ke->key() == Qt::Key_Up ? 1 : -1) * map_.VoltsPerPixel(VoltChannel()));
            return true;
        default:
            return false;
        }
    }
    default:
        return false;
    }
}
