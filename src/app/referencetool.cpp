// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/referencetool.h"

#include "analysis/mathtrace.h"
#include "app/mathtool.h"
#include "app/scopestate.h"
#include "display/ris.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbrt.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPainter>

namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kSection = QStringLiteral("References");

// Grey against the grey background, darker than the graticule's spaces
// and lighter than its black lines.
const QColor kReferenceColour(105, 105, 105);

}  // namespace

ReferenceTool::ReferenceTool(const ToolHost &host, const MathTool *math, QObject *parent)
    : QObject(parent), host_(host), math_(math)
{
    ReferenceMenu = host_.setupMenu->addMenu(tr("Опорные осциллограммы"));
    ReferenceMenu->setObjectName(QStringLiteral("ReferenceMenu"));
    auto *traces = new QActionGroup(this);
    auto traceItem = [&](const char *name, const QString &caption, Trace t) {
        QAction *a = ReferenceMenu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        traces->addAction(a);
        connect(a, &QAction::triggered, this, [this, t] { Choose(t); });
        return a;
    };
    TraceA = traceItem("RefTraceA", tr("Запоминать канал A"), Trace::A);
    TraceB = traceItem("RefTraceB", tr("Запоминать канал B"), Trace::B);
    TraceM = traceItem("RefTraceM", tr("Запоминать M"), Trace::M);
    ReferenceMenu->addSeparator();
    for (int i = 0; i < kSlots; ++i) {
        StoreAct[size_t(i)] = ReferenceMenu->addAction(tr("Запомнить как опорную R%1").arg(i + 1));
        StoreAct[size_t(i)]->setObjectName(QStringLiteral("RefStore%1").arg(i + 1));
        connect(StoreAct[size_t(i)], &QAction::triggered, this, [this, i] { Store(i); });
    }
    ReferenceMenu->addSeparator();
    for (int i = 0; i < kSlots; ++i) {
        QAction *a = ReferenceMenu->addAction(QString());
        a->setObjectName(QStringLiteral("RefShow%1").arg(i + 1));
        a->setCheckable(true);
        ShowAct[size_t(i)] = a;
        connect(a, &QAction::triggered, this, [this, i](bool on) { SetShown(i, on); });
    }
    connect(ReferenceMenu, &QMenu::aboutToShow, this, [this] {
        const bool screen = haveLast_ && last_.tracesDrawn && last_.points > 0;
        for (QAction *a : StoreAct)
            a->setEnabled(screen);
    });
    Load();
}

QString ReferenceTool::FileOf(int slot)
{
    return Paths::ReferenceFolder() + QStringLiteral("/R%1.ref").arg(slot + 1);
}

QColor ReferenceTool::Colour()
{
    return kReferenceColour;
}

void ReferenceTool::Load()
{
    const QString trace = SettingsStore::GetSetting(kApp, kSection, QStringLiteral("Trace"), QStringLiteral("A"));
    chosen_ = trace == QLatin1String("B") ? Trace::B : trace == QLatin1String("M") ? Trace::M : Trace::A;
    (chosen_ == Trace::A ? TraceA : chosen_ == Trace::B ? TraceB : TraceM)->setChecked(true);
    for (int i = 0; i < kSlots; ++i) {
        refs_[size_t(i)] = ReferenceFile::Load(FileOf(i), &problems_[size_t(i)]);
        describe(i);
    }
}

void ReferenceTool::Choose(Trace t)
{
    chosen_ = t;
    (t == Trace::A ? TraceA : t == Trace::B ? TraceB : TraceM)->setChecked(true);
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Trace"),
                               t == Trace::A ? QStringLiteral("A") : t == Trace::B ? QStringLiteral("B") : QStringLiteral("M"));
}

bool ReferenceTool::Shown(int slot) const
{
    return refs_[size_t(slot)].has_value()
           && vb::ParseBool(SettingsStore::GetSetting(kApp, kSection, QStringLiteral("Shown%1").arg(slot + 1),
                                                      QStringLiteral("False")))
                  .value_or(false);
}

void ReferenceTool::SetShown(int slot, bool on)
{
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Shown%1").arg(slot + 1), vb::BoolText(on));
    describe(slot);
    host_.repaint();
}

QString ReferenceTool::summary(const ReferenceFile::Reference &r) const
{
    return tr("%1, %2/дел., %3/дел.")
        .arg(r.trace, MathTrace::ValueText(r.perDivision, r.unit),
             r.secondsPerDivision > 0 ? MathTrace::ValueText(r.secondsPerDivision, QStringLiteral("с")) : QStringLiteral("—"));
}

void ReferenceTool::describe(int slot)
{
    QAction *a = ShowAct[size_t(slot)];
    const auto &r = refs_[size_t(slot)];
    const QString name = tr("Показывать R%1").arg(slot + 1);
    if (r)
        a->setText(QStringLiteral("%1 (%2)").arg(name, summary(*r)));
    else if (!problems_[size_t(slot)].isEmpty())
        a->setText(tr("%1 (файл не читается: %2)").arg(name, problems_[size_t(slot)]));
    else
        a->setText(tr("%1 (пусто)").arg(name));
    a->setEnabled(r.has_value());
    a->setChecked(Shown(slot));
}

bool ReferenceTool::Store(int slot)
{
    const ScopeState &st = *host_.st;
    const ScreenFrame &f = last_;
    auto refuse = [&](const QString &text) {
        MsgBox(text, MsgButtons::OK, MsgIcon::Information, Language::AppTitle());
        return false;
    };
    if (!haveLast_ || !f.tracesDrawn || f.points <= 0 || !f.mapValid)
        return refuse(tr("На экране нет осциллограммы, которую можно запомнить."));
    const Cursors::ScreenMap &m = f.map;
    ReferenceFile::Reference r;
    const size_t n = size_t(f.points) + 1;
    if (chosen_ == Trace::M) {
        if (!math_ || !math_->Drawn())
            return refuse(tr("M не показана: выберите её в меню «Математика»."));
        r.values = math_->DrawnValues();
        r.trace = QStringLiteral("M = %1").arg(MathTrace::Name(math_->Choice().function, math_->Choice().filterB));
        r.unit = math_->UnitText();
        r.perDivision = MathTrace::ScaleStep(math_->Choice().scale);
        r.position = math_->Choice().position;
    } else {
        const int c = chosen_ == Trace::B ? 1 : 0;
        const bool subtract = st.SubtractMode && c == 0;
        if (c == 1 && (!st.TwoBeam || st.SubtractMode))
            return refuse(tr("Канал B не показан."));
        const auto &l = st.LeftBuffer, &rb = st.RightBuffer;
        const auto &buf = c == 0 ? l : rb;
        if (buf.size() < n)
            return refuse(tr("На экране нет осциллограммы, которую можно запомнить."));
        r.values.resize(n);
        for (size_t i = 0; i < n; ++i)
            r.values[i] = float((double(buf[i]) - (subtract && rb.size() >= n ? rb[i] : 0)) * m.voltsPerUnit[c]);
        r.trace = subtract ? QStringLiteral("A − B") : c == 0 ? QStringLiteral("A") : QStringLiteral("B");
        r.unit = QStringLiteral("В");
        r.perDivision = m.voltsPerUnit[c] * 8192.0 / std::max(1, m.sensitivity[c]);
        r.position = m.position[c] / 8192.0;
    }
    // The screen is ten divisions of the sweep, whatever the points.
    r.secondsPerDivision = f.sweep > 0 ? 0.1 / f.sweep : 0;
    // The points' own spacing, which the ten divisions only come near.
    r.secondsPerPoint = m.secondsPerPoint;
    r.startSeconds = m.startSeconds;
    // A note inside the file, the same in every language, as CSV headers are.
    r.source = (f.live ? QStringLiteral("живой сигнал, %1 Гц") : QStringLiteral("файл, %1 Гц")).arg(f.sampleRate);
    r.saved = QDateTime::currentDateTime();
    QString error;
    if (!ReferenceFile::Save(FileOf(slot), r, &error)) {
        MsgBox(tr("Опорная осциллограмма R%1 не запомнена.\n%2").arg(slot + 1).arg(error), MsgButtons::OK,
               MsgIcon::Critical, Language::AppTitle());
        return false;
    }
    refs_[size_t(slot)] = std::move(r);
    problems_[size_t(slot)].clear();
    SetShown(slot, true);
    return true;
}

Scene ReferenceTool::Overlay(int width, int rows) const
{
    Scene s;
    s.size = QSize(width, rows);
    for (int i = 0; i < kSlots; ++i) {
        if (!Shown(i))
            continue;
        const ReferenceFile::Reference &r = *refs_[size_t(i)];
        const size_t n = r.values.size();
        QPolygonF poly;
        poly.reserve(qsizetype(n));
        for (size_t k = 0; k < n; ++k) {
            // As a trace is drawn: 8192 units a division, ±32768 top to bottom.
            const double units = (double(r.values[k]) / r.perDivision + r.position) * 8192;
            const double y = (32768 - std::clamp(units, -1e7, 1e7)) * rows / 65536.0;
            poly << QPointF(double(k) * width / double(n - 1), y);
        }
        s.strokes.push_back({poly, kReferenceColour, 1, false});
        const double labelY = std::clamp(poly.first().y() - 16, 0.0, std::max(0.0, rows - 16.0));
        s.texts.push_back({QPointF(2 + 22 * i, labelY), QStringLiteral("R%1").arg(i + 1), kReferenceColour});
    }
    return s;
}

void ReferenceTool::PaintOver(const ScreenFrame &f, Ris &surface)
{
    last_ = f;
    last_.samples = {};
    last_.lead = {};
    haveLast_ = true;
    if (!f.tracesDrawn || !f.mapValid)
        return;
    bool any = false;
    for (int i = 0; i < kSlots; ++i)
        any = any || Shown(i);
    if (!any)
        return;
    // The lines go through the surface's own rasteriser, in its user units
    // (a painter's stroke of thousands of points costs far more); the
    // names are painted.
    const Scene s = Overlay(f.map.widthPx, f.map.heightPx);
    const double toUnitsX = surface.ScaleWidth / std::max(1, f.map.widthPx);
    const double toUnitsY = 65536.0 / std::max(1, f.map.heightPx);
    std::vector<QPointF> line;
    for (const Scene::Stroke &stroke : s.strokes) {
        line.clear();
        for (const QPointF &p : stroke.points)
            line.emplace_back(p.x() * toUnitsX, surface.ScaleTop + p.y() * toUnitsY);
        surface.Trace(line, stroke.color);
    }
    Scene names = s;
    names.strokes.clear();
    surface.Paint([&](QPainter &p) {
        p.setClipRect(QRect(0, 0, f.map.widthPx, f.map.heightPx));
        names.Paint(p);
    });
}

QString ReferenceTool::CaptionNote() const
{
    QStringList parts;
    for (int i = 0; i < kSlots; ++i)
        if (Shown(i))
            parts << QStringLiteral("R%1: %2").arg(i + 1).arg(summary(*refs_[size_t(i)]));
    return parts.join(QStringLiteral("   "));
}
