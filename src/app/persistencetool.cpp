// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/persistencetool.h"

#include "app/mathtool.h"
#include "app/scopestate.h"
#include "display/ris.h"
#include "platform/settings.h"
#include "platform/vbrt.h"

#include <QAction>
#include <QActionGroup>
#include <QImage>
#include <QMenu>

namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kSection = QStringLiteral("Persistence");

struct Choice {
    const char *name;
    const char *caption;
    const char *stored;
};
constexpr Choice kChoices[std::size(Persistence::kTimes)] = {
    {"PersistOff", QT_TRANSLATE_NOOP("PersistenceTool", "Выключено"), "0"},
    {"Persist02", QT_TRANSLATE_NOOP("PersistenceTool", "0,2 с"), "0.2"},
    {"Persist1", QT_TRANSLATE_NOOP("PersistenceTool", "1 с"), "1"},
    {"Persist5", QT_TRANSLATE_NOOP("PersistenceTool", "5 с"), "5"},
    {"PersistInfinite", QT_TRANSLATE_NOOP("PersistenceTool", "Бесконечное"), "inf"},
};

}  // namespace

PersistenceTool::PersistenceTool(const ToolHost &host, const MathTool *math, QObject *parent)
    : QObject(parent), host_(host), math_(math)
{
    PersistenceMenu = host_.setupMenu->addMenu(tr("Послесвечение"));
    PersistenceMenu->setObjectName(QStringLiteral("PersistenceMenu"));
    times_ = new QActionGroup(this);
    for (size_t i = 0; i < std::size(kChoices); ++i) {
        QAction *a = PersistenceMenu->addAction(tr(kChoices[i].caption));
        a->setObjectName(QLatin1String(kChoices[i].name));
        a->setCheckable(true);
        times_->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { SetTime(Persistence::kTimes[i]); });
    }
    PersistenceMenu->addSeparator();
    ClearAct = PersistenceMenu->addAction(tr("Очистить послесвечение"));
    ClearAct->setObjectName(QStringLiteral("PersistClear"));
    connect(ClearAct, &QAction::triggered, this, [this] { Clear(); });
    Load();
}

void PersistenceTool::Load()
{
    const QString stored = SettingsStore::GetSetting(kApp, kSection, QStringLiteral("Time"), QStringLiteral("0"));
    time_ = 0;
    for (size_t i = 0; i < std::size(kChoices); ++i)
        if (stored == QLatin1String(kChoices[i].stored))
            time_ = Persistence::kTimes[i];
    for (size_t i = 0; i < std::size(kChoices); ++i)
        times_->actions()[qsizetype(i)]->setChecked(Persistence::kTimes[i] == time_);
}

void PersistenceTool::SetTime(double seconds)
{
    for (size_t i = 0; i < std::size(kChoices); ++i) {
        const bool chosen = Persistence::kTimes[i] == seconds;
        times_->actions()[qsizetype(i)]->setChecked(chosen);
        if (chosen)
            SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Time"), QLatin1String(kChoices[i].stored));
    }
    if (seconds == time_)
        return;
    time_ = seconds;
    buffer_.Clear();
    host_.repaint();
}

void PersistenceTool::Clear()
{
    buffer_.Clear();
    host_.repaint();
}

void PersistenceTool::SamplesRead(const ScreenFrame &)
{
    fresh_ = time_ > 0;
}

void PersistenceTool::PaintOver(const ScreenFrame &f, Ris &surface)
{
    const bool fresh = fresh_;
    fresh_ = false;
    if (!(time_ > 0) || !f.tracesDrawn || f.points <= 0 || !f.mapValid)
        return;
    const ScopeState &st = *host_.st;
    const Cursors::ScreenMap &m = f.map;
    const bool second = st.TwoBeam && !st.SubtractMode && size_t(f.points) < st.RightBuffer.size();
    const bool withMath = math_ && math_->Drawn();
    const std::array<double, 16> geometry{double(m.widthPx), double(m.heightPx), double(f.points), double(f.sweep),
                                          double(m.sensitivity[0]), double(m.sensitivity[1]), double(m.position[0]),
                                          double(m.position[1]), double(st.SubtractMode), double(second),
                                          double(withMath), withMath ? math_->ValuePerUnit() : 0.0,
                                          withMath ? math_->PositionUnits() : 0.0, double(surface.Image().width()),
                                          double(f.channels), 0};
    if (geometry != geometry_ || buffer_.Width() != m.widthPx || buffer_.Height() != m.heightPx) {
        geometry_ = geometry;
        buffer_.Resize(m.widthPx, m.heightPx, withMath ? 3 : 2);
        buffer_.Clear();
        clock_.start();
    }
    const double elapsed = clock_.isValid() ? clock_.nsecsElapsed() / 1e9 : 0;
    clock_.start();
    buffer_.Age(elapsed, Persistence::TimeConstant(time_));

    if (fresh) {
        const auto &l = st.LeftBuffer, &r = st.RightBuffer;
        const size_t n = size_t(f.points) + 1;
        if (l.size() >= n) {
            xs_.resize(n);
            ys_.resize(n);
            auto add = [&](int layer, auto valueAt, int channel) {
                for (size_t i = 0; i < n; ++i) {
                    const QPointF p = surface.ToPixel(double(i), -(valueAt(i) * m.sensitivity[channel] + m.position[channel]));
                    xs_[i] = p.x();
                    ys_[i] = p.y();
                }
                buffer_.Add(layer, xs_.data(), ys_.data(), n);
            };
            if (st.SubtractMode)
                add(0, [&](size_t i) { return double(l[i]) - (r.size() >= n ? r[i] : 0); }, 0);
            else
                add(0, [&](size_t i) { return double(l[i]); }, 0);
            if (second)
                add(1, [&](size_t i) { return double(r[i]); }, 1);
        }
        if (withMath) {
            const QPolygonF poly = math_->Polyline();
            xs_.resize(size_t(poly.size()));
            ys_.resize(size_t(poly.size()));
            for (qsizetype i = 0; i < poly.size(); ++i) {
                xs_[size_t(i)] = poly[i].x();
                ys_[size_t(i)] = poly[i].y();
            }
            buffer_.Add(2, xs_.data(), ys_.data(), xs_.size());
        }
        buffer_.EndScreen();
    }
    const uint32_t colours[3] = {0x0000FF, 0xFF0000, MathTool::Colour().rgb() & 0xFFFFFF};
    const uint32_t under[2] = {surface.BackColor().rgb(), 0xFF000000u};
    surface.PaintPixels([&](QImage &image, int rows) {
        if (image.format() != QImage::Format_RGB32 || image.width() != buffer_.Width() || rows < buffer_.Height())
            return;
        buffer_.Render(reinterpret_cast<uint32_t *>(image.bits()), int(image.bytesPerLine() / 4), colours, under, 2);
    });
}

QString PersistenceTool::CaptionNote() const
{
    if (!(time_ > 0))
        return QString();
    return std::isinf(time_) ? tr("Послесвечение: бесконечное")
                             : tr("Послесвечение: %1 с").arg(vb::FormatGeneral(time_));
}
