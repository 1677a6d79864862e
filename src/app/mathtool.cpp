// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mathtool.h"

#include "analysis/trigger.h"
#include "app/scopestate.h"
#include "display/ris.h"
#include "display/screenread.h"
#include "display/tracebuffers.h"
#include "platform/messagebox.h"
#include "platform/paths.h"

#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QInputDialog>
#include <QLocale>
#include <QMenu>
#include <QLabel>
#include <cmath>
#include <cstring>

namespace {

using MathTrace::Function;

// Neither channel's colour (blue, red), the cursors' green nor the
// references' grey.
const QColor kMathColour(170, 0, 170);
// The background of M's label over the screen, as its style sheet has it.
const QColor kLabelFill(255, 255, 255, 200);

// Beyond this many divisions off the centre M is off the screen anyway;
// the bound keeps the interpolation of the fast sweeps within 32 bits.
constexpr double kMostUnits = double(1 << 24);

struct MenuEntry {
    Function f;
    const char *name;
    const char *caption;
};
constexpr MenuEntry kMenu[] = {
    {Function::Off, "MathOff", QT_TRANSLATE_NOOP("MathTool", "Выключена")},
    {Function::Sum, "MathSum", "A + B"},
    {Function::Difference, "MathDifference", "A − B"},
    {Function::Product, "MathProduct", QT_TRANSLATE_NOOP("MathTool", "A × B (мгновенная мощность)")},
    {Function::NegateA, "MathNegA", "−A"},
    {Function::NegateB, "MathNegB", "−B"},
    {Function::Derivative, "MathDerivative", QT_TRANSLATE_NOOP("MathTool", "dA/dt (производная канала A)")},
    {Function::Integral, "MathIntegral", QT_TRANSLATE_NOOP("MathTool", "∫A dt (интеграл канала A от начала экрана)")},
    {Function::LowPass, "MathLowPass", QT_TRANSLATE_NOOP("MathTool", "Фильтр нижних частот")},
    {Function::HighPass, "MathHighPass", QT_TRANSLATE_NOOP("MathTool", "Фильтр верхних частот")},
    {Function::BandPass, "MathBandPass", QT_TRANSLATE_NOOP("MathTool", "Полосовой фильтр")},
};

// Samples of channel `c` of interleaved 16-bit frames, in volts.
void decode(const char *bytes, int64_t frames, int channels, int c, double voltsPerUnit, float *out)
{
    for (int64_t i = 0; i < frames; ++i) {
        int16_t v;
        std::memcpy(&v, bytes + (i * channels + c) * 2, 2);
        out[i] = float(v * voltsPerUnit);
    }
}

// How long a filter needs from a fresh start until what is left of the
// start is below a ten-thousandth: about 2.5 / corner for the Butterworth
// sections, 3 Q / centre for the band-pass.
double settleSeconds(const MathTrace::Settings &s)
{
    const double k = s.function == Function::BandPass ? 3 * s.q : 2.5;
    return std::min(2.0, k / std::max(0.01, s.cornerHz));
}

}  // namespace

MathTool::MathTool(const ToolHost &host, QObject *parent) : QObject(parent), host_(host)
{
    MathMenu = host_.setupMenu->addMenu(tr("Математика"));
    MathMenu->setObjectName(QStringLiteral("MathMenu"));
    functions_ = new QActionGroup(this);
    for (const MenuEntry &e : kMenu) {
        QAction *a = MathMenu->addAction(tr(e.caption));
        a->setObjectName(QLatin1String(e.name));
        a->setCheckable(true);
        a->setData(int(e.f));
        functions_->addAction(a);
        connect(a, &QAction::triggered, this, [this, f = e.f] { SetFunction(f); });
    }
    MathMenu->addSeparator();
    auto item = [this](const char *name, const QString &caption) {
        QAction *a = MathMenu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    FilterB = item("MathFilterB", tr("Фильтровать канал B"));
    FilterB->setCheckable(true);
    connect(FilterB, &QAction::triggered, this, [this](bool on) { SetFilterSource(on); });
    Corner = item("MathCorner", tr("Частота фильтра…"));
    connect(Corner, &QAction::triggered, this, [this] {
        SetCorner(askNumber(tr("Частота среза, Гц (у полосового — частота середины полосы):"),
                            s_.cornerHz, 0.01, 1e6, 2));
    });
    BandQ = item("MathBandQ", tr("Добротность полосового фильтра…"));
    connect(BandQ, &QAction::triggered, this, [this] {
        SetBandQ(askNumber(tr("Добротность (частота середины / ширина полосы):"), s_.q, 0.1, 100, 2));
    });
    MathMenu->addSeparator();
    ScaleUp = item("MathScaleUp", tr("Масштаб M крупнее"));
    ScaleDown = item("MathScaleDown", tr("Масштаб M мельче"));
    ScaleFit = item("MathScaleFit", tr("Подобрать масштаб M"));
    MoveUp = item("MathMoveUp", tr("Сдвинуть M вверх"));
    MoveDown = item("MathMoveDown", tr("Сдвинуть M вниз"));
    connect(ScaleUp, &QAction::triggered, this, [this] { SetScale(s_.scale - 1); });
    connect(ScaleDown, &QAction::triggered, this, [this] { SetScale(s_.scale + 1); });
    connect(ScaleFit, &QAction::triggered, this, [this] { FitScale(); });
    connect(MoveUp, &QAction::triggered, this, [this] { SetPosition(s_.position + 0.5); });
    connect(MoveDown, &QAction::triggered, this, [this] { SetPosition(s_.position - 0.5); });
    scaleLabel_ = new QLabel(host_.surface);
    scaleLabel_->setObjectName(QStringLiteral("MathScale"));
    scaleLabel_->setTextFormat(Qt::PlainText);
    // (Its box, colours and 2 pixels of room at the sides are what
    // pictures of the screen paint for it: Scene::Label.)
    scaleLabel_->setStyleSheet(QStringLiteral("color: %1; background: rgba(255, 255, 255, 200); padding: 0 2px;")
                                   .arg(kMathColour.darker(120).name()));
    scaleLabel_->hide();
    connect(MathMenu, &QMenu::aboutToShow, this, [this] {
        const bool filter = MathTrace::IsFilter(s_.function);
        FilterB->setEnabled(filter);
        Corner->setEnabled(filter);
        BandQ->setEnabled(s_.function == Function::BandPass);
        for (QAction *a : {ScaleUp, ScaleDown, ScaleFit, MoveUp, MoveDown})
            a->setEnabled(Active());
    });
    Load();
}

void MathTool::Load()
{
    s_ = MathTrace::Load();
    for (QAction *a : functions_->actions())
        a->setChecked(a->data().toInt() == int(s_.function));
    FilterB->setChecked(s_.filterB);
}

double MathTool::SettleSeconds(const MathTrace::Settings &s)
{
    return settleSeconds(s);
}

QColor MathTool::Colour()
{
    return kMathColour;
}

double MathTool::askNumber(const QString &label, double value, double lo, double hi, int decimals)
{
    // The dialog reads the number in the window's locale.
    QInputDialog dialog(host_.window);
    dialog.setWindowTitle(tr("Математика"));
    dialog.setInputMode(QInputDialog::DoubleInput);
    dialog.setLabelText(label);
    dialog.setDoubleRange(lo, hi);
    dialog.setDoubleDecimals(decimals);
    dialog.setDoubleValue(value);
    if (ShowModal(&dialog) != QDialog::Accepted)
        return value;
    return dialog.doubleValue();
}

void MathTool::changed(bool reread)
{
    MathTrace::Save(s_);
    if (reread)
        host_.reread();
    else
        host_.repaint();
}

void MathTool::SetFunction(Function f)
{
    for (QAction *a : functions_->actions())
        a->setChecked(a->data().toInt() == int(f));
    if (f == s_.function)
        return;
    s_.function = f;
    fitPending_ = true;
    streamKey_.clear();
    m_.clear();
    changed(true);
}

void MathTool::SetFilterSource(bool b)
{
    FilterB->setChecked(b);
    if (b == s_.filterB)
        return;
    s_.filterB = b;
    streamKey_.clear();
    changed(Active());
}

void MathTool::SetCorner(double hz)
{
    if (!(hz > 0) || hz == s_.cornerHz)
        return;
    s_.cornerHz = hz;
    streamKey_.clear();
    changed(Active());
}

void MathTool::SetBandQ(double q)
{
    if (!(q > 0) || q == s_.q)
        return;
    s_.q = q;
    streamKey_.clear();
    changed(Active());
}

void MathTool::SetScale(int index)
{
    s_.scale = std::clamp(index, MathTrace::kMinScale, MathTrace::kMaxScale);
    changed(false);
}

void MathTool::SetPosition(double divisions)
{
    s_.position = std::clamp(divisions, -8.0, 8.0);
    changed(false);
}

void MathTool::FitScale()
{
    fitPending_ = true;
    host_.repaint();
}

int64_t MathTool::LeadFrames(int32_t rate) const
{
    if (!MathTrace::IsFilter(s_.function))
        return 0;
    // The gap since the last frame (a frame late by a quarter of a second
    // still joins on), or the settling of a fresh start; the stream keeps
    // a second.
    return int64_t(rate * std::min(0.9, std::max(0.25, settleSeconds(s_))));
}

void MathTool::SamplesRead(const ScreenFrame &f)
{
    m_.clear();
    readingsValid_ = false;
    if (!Active())
        return;
    channels_ = f.channels;
    rate_ = f.sampleRate;
    if (channels_ < 1 || rate_ <= 0 || (channels_ < 2 && MathTrace::NeedsB(s_.function, s_.filterB)))
        return;
    const int64_t n = f.samples.size() / (2 * channels_);
    frames_ = n;
    if (n <= 0)
        return;
    if (MathTrace::IsFilter(s_.function)) {
        computeFilter(f, n);
    } else {
        a_.resize(size_t(n));
        decode(f.samples.data(), n, channels_, 0, f.map.voltsPerUnit[0], a_.data());
        if (channels_ > 1) {
            b_.resize(size_t(n));
            decode(f.samples.data(), n, channels_, 1, f.map.voltsPerUnit[1], b_.data());
        } else {
            b_.clear();
        }
        m_.resize(size_t(n));
        MathTrace::Compute(s_.function, a_, b_, rate_, m_);
    }

    // Readings over the screen's frames, as the channels' are taken: M
    // scaled to 16-bit units, finer than the four digits shown.
    const size_t shown = std::min(m_.size(), size_t(ScreenRead::SizeFor(rate_, f.sweep, channels_).framesPerScreen));
    double peak = 0;
    for (size_t i = 0; i < shown; ++i)
        peak = std::max(peak, double(std::abs(m_[i])));
    readingUnit_ = peak > 0 ? peak / 32000 : 1;
    std::vector<int16_t> q(shown);
    for (size_t i = 0; i < shown; ++i)
        q[i] = int16_t(std::lround(m_[i] / readingUnit_));
    readings_ = Measure::Of(q, rate_);
    readingsValid_ = true;
}

void MathTool::computeFilter(const ScreenFrame &f, int64_t n)
{
    const int src = s_.filterB ? 1 : 0;
    const double vpu = f.map.voltsPerUnit[src];
    const int64_t frameBytes = 2 * channels_;
    const ScopeState &st = *host_.st;
    // Where the screen lies in its stream, and how much of the stream
    // before it can be had.
    QString key;
    int64_t first = 0, available = 0;
    if (f.streamFrame >= 0) {
        key = QStringLiteral("stream");
        first = f.streamFrame;
        available = f.lead.size() / frameBytes;
    } else {
        const QString path = Paths::MapPathForReading(st.FlName);
        key = QStringLiteral("%1 %2 %3 %4 %5")
                  .arg(path)
                  .arg(st.FileLength)
                  .arg(st.DataStart)
                  .arg(QFileInfo(path).lastModified().toMSecsSinceEpoch())
                  .arg(f.live ? QStringLiteral("pass") : QString());
        first = f.firstFrame;
        available = std::max<int64_t>(0, f.filePosition - st.DataStart) / frameBytes;
    }
    key += QStringLiteral(" %1 %2 %3").arg(rate_).arg(channels_).arg(vpu);
    coefficients_ = MathTrace::Design(s_.function, s_.cornerHz, rate_, s_.q);
    // Every pass of the refresh is a recording of its own.
    if (key != streamKey_ || (f.live && !f.streamed)) {
        filter_.Set(coefficients_);
        streamKey_ = key;
    }
    int64_t lead = filter_.LeadWanted(first, available, int64_t(std::ceil(settleSeconds(s_) * rate_)));
    x_.resize(size_t(lead + n));
    if (lead > 0 && f.streamFrame >= 0) {
        decode(f.lead.data() + f.lead.size() - lead * frameBytes, lead, channels_, src, vpu, x_.data());
    } else if (lead > 0) {
        const QByteArray before = ScreenRead::ReadBlock(Paths::MapPathForReading(st.FlName),
                                                        f.filePosition - lead * frameBytes, int32_t(lead * frameBytes));
        // (A read that came up short starts the filter afresh on the screen.)
        if (before.size() < lead * frameBytes)
            lead = 0;
        decode(before.constData(), lead, channels_, src, vpu, x_.data());
    }
    decode(f.samples.data(), n, channels_, src, vpu, x_.data() + lead);
    m_.resize(size_t(n));
    filter_.Run(first, x_.data() + lead, n, lead, m_.data());
}

void MathTool::PaintOver(const ScreenFrame &f, Ris &surface)
{
    drawn_ = false;
    if (!Active() || m_.empty() || !f.tracesDrawn || f.points <= 0 || f.sampleRate <= 0 || f.sweep <= 0) {
        scaleLabel_->hide();
        return;
    }
    const ScopeState &st = *host_.st;
    if (fitPending_) {
        fitPending_ = false;
        double mean = 0;
        if (Globals::CenterBeams) {
            for (float v : m_)
                mean += v;
            mean /= double(m_.size());
        }
        double peak = 0;
        for (float v : m_)
            peak = std::max(peak, std::abs(v - mean));
        s_.scale = MathTrace::FitScale(peak);
        s_.position = 0;
        MathTrace::Save(s_);
    }
    // The points as the channels' are built from as many frames, moved by
    // the same fraction of a frame, and centred the same way.
    const int32_t words = ScreenRead::SizeFor(f.sampleRate, f.sweep, f.channels).wordCount;
    const bool shifted = st.BufferShiftFrames != 0;
    const Traces::Plan plan =
        Traces::PlanFor(shifted ? int32_t(frames_ * f.channels) : words, f.channels, f.sampleRate, f.sweep);
    const double perUnit = ValuePerUnit();
    units_.resize(m_.size());
    for (size_t i = 0; i < m_.size(); ++i)
        units_[i] = int32_t(std::clamp(std::round(m_[i] / perUnit), -kMostUnits, kMostUnits));
    Traces::BuildPoints(plan, units_, points_);
    if (shifted)
        Trigger::ShiftLeft(points_, st.BufferShiftFrames * (plan.mode == Traces::Mode::Upsample ? plan.factor : 1));
    const size_t count = std::min(points_.size(), size_t(f.points) + 1);
    removedUnits_ = 0;
    if (Globals::CenterBeams && count > 0) {
        double sum = 0;
        for (size_t i = 0; i < count; ++i)
            sum += points_[i];
        removedUnits_ = std::round(sum / double(count));
    }
    const double offset = removedUnits_ - PositionUnits();
    line_.resize(count);
    for (size_t i = 0; i < count; ++i)
        line_[i] = int32_t(std::clamp(double(points_[i]) - offset, -kMostUnits, kMostUnits)) * -1;
    const int width = surface.DrawWidth;
    surface.DrawWidth = 2;
    surface.Trace(line_, kMathColour);
    surface.DrawWidth = width;
    drawn_ = true;
    // What M is and its scale, at the bottom left of the screen (the
    // cursors' readout is at the top): a label over the surface, not
    // painted into every frame (prints and exports say it in their caption).
    const QString note = CaptionNote();
    if (scaleLabel_->text() != note) {
        scaleLabel_->setText(note);
        scaleLabel_->adjustSize();
    }
    scaleLabel_->move(4, f.map.heightPx - scaleLabel_->height() - 2);
    scaleLabel_->show();
}

std::vector<Scene::Label> MathTool::ScaleLabel() const
{
    if (!drawn_)
        return {};
    // Where the window put its label and in its font, so the picture has
    // it as the window shows it.
    return {{QRectF(scaleLabel_->geometry()), scaleLabel_->text(), kMathColour.darker(120), kLabelFill,
             scaleLabel_->font()}};
}

QPolygonF MathTool::Polyline() const
{
    QPolygonF poly;
    if (!drawn_)
        return poly;
    for (size_t i = 0; i < line_.size(); ++i)
        poly << host_.surface->ToPixel(double(i), line_[i]);
    return poly;
}

std::vector<float> MathTool::DrawnValues() const
{
    std::vector<float> v;
    if (!drawn_)
        return v;
    v.reserve(line_.size());
    for (int32_t y : line_)
        v.push_back(float((-double(y) - PositionUnits()) * ValuePerUnit()));
    return v;
}

void MathTool::StripLines(QStringList &lines, std::vector<QColor> &colours) const
{
    if (!Active())
        return;
    const QString name = QStringLiteral("M = %1").arg(MathTrace::Name(s_.function, s_.filterB));
    if (!readingsValid_ || readings_.count == 0) {
        lines << tr("%1:  нет данных").arg(name);
    } else {
        const QString unit = UnitText();
        auto v = [&](double units) { return MathTrace::ValueText(units * readingUnit_, unit); };
        const Measure::Readings &r = readings_;
        lines << tr("%1:  f %2   T %3   Размах %4   Макс %5   Мин %6   Сред %7   СКЗ %8   СКЗ~ %9")
                     .arg(name, Measure::Hertz(r.frequency), Measure::Seconds(r.period), v(r.peakToPeak),
                          v(r.maximum), v(r.minimum), v(r.mean), v(r.rms), v(r.rmsAc));
    }
    colours.push_back(kMathColour);
}

QString MathTool::CaptionNote() const
{
    if (!Active())
        return QString();
    QString note = tr("M = %1: %2/дел.")
                       .arg(MathTrace::Name(s_.function, s_.filterB),
                            MathTrace::ValueText(MathTrace::ScaleStep(s_.scale), UnitText()));
    if (MathTrace::IsFilter(s_.function)) {
        note += QStringLiteral(", %1").arg(Measure::Hertz(s_.cornerHz));
        if (s_.function == Function::BandPass)
            note += QStringLiteral(", Q = %1").arg(QLocale().toString(s_.q, 'g', 3));
    }
    return note;
}
