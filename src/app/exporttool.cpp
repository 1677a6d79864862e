// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/exporttool.h"

#include "analysis/calibration.h"
#include "analysis/mathtrace.h"
#include "app/cursortool.h"
#include "app/mathtool.h"
#include "app/referencetool.h"
#include "app/scopestate.h"
#include "app/xytool.h"
#include "display/paneltables.h"
#include "display/ris.h"
#include "display/screen.h"
#include "display/screenpicture.h"
#include "export/atomicfile.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/vbcolor.h"
#include "platform/vbcontrols.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <thread>
#include <memory>

namespace {

QString sensitivityText(VbComboBox *box)
{
    const int i = box->ListIndex();
    return i < 0 ? QString() : Panel::Shown(Panel::kSensitivityU1[size_t(i)]);
}

// Runs `work` on a thread of its own while the window handles its events
// (those `flags` let through) and gives back its result: encoding a picture
// or writing a long table, and the file's flush to disk and rename, take
// longer than a frame. `work` must touch nothing of the window.
template <class Work>
auto aside(Work work, QEventLoop::ProcessEventsFlags flags)
{
    decltype(work()) result{};
    QEventLoop loop;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = work();
        done = true;
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    if (!done)
        loop.exec(flags);
    worker.join();
    return result;
}

// A reference's column: "R1_A_В", "R2_M_В²"; the trace's name (from its
// file) cut to what a header cell can hold as it is.
QByteArray referenceHeader(int slot, const ReferenceFile::Reference &r)
{
    auto cell = [](const QString &text) {
        QString kept;
        for (const QChar c : text)
            if (c.isPrint() && !c.isSpace() && c != QLatin1Char(',') && c != QLatin1Char('"'))
                kept += c;
        return kept;
    };
    QString header = QStringLiteral("R%1").arg(slot + 1);
    if (const QString trace = cell(r.trace.section(QStringLiteral(" = "), 0, 0)); !trace.isEmpty())
        header += QLatin1Char('_') + trace;
    return (header + QLatin1Char('_') + cell(r.unit)).toUtf8();
}

// Volts of one sample unit of a channel, as stored.
double voltsPerUnit(int channel)
{
    return Calibration::VoltsPerUnit(Calibration::StoredFactor(channel + 1));
}

}  // namespace

ExportTool::ExportTool(const ToolHost &host, const CursorTool *cursors, const XYTool *xy, QObject *parent)
    : QObject(parent), host_(host), cursors_(cursors), xy_(xy)
{
    auto item = [](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    ExportMenu = new QMenu(tr("Экспорт"), host_.window);
    ExportMenu->setObjectName(QStringLiteral("ExportMenu"));
    ExportPngAct = item(ExportMenu, "ExportPng", tr("Экран в PNG..."));
    ExportSvgAct = item(ExportMenu, "ExportSvg", tr("Экран в SVG..."));
    ExportMenu->addSeparator();
    ExportCsvScreen = item(ExportMenu, "ExportCsvScreen", tr("Отсчёты экрана в CSV..."));
    ExportCsvCursors = item(ExportMenu, "ExportCsvCursors", tr("Отсчёты между курсорами времени в CSV..."));
    ExportCsvFile = item(ExportMenu, "ExportCsvFile", tr("Отсчёты всего файла в CSV..."));
    host_.fileMenu->insertMenu(host_.quit, ExportMenu);
    connect(ExportPngAct, &QAction::triggered, this, [this] { exportPicture(false); });
    connect(ExportSvgAct, &QAction::triggered, this, [this] { exportPicture(true); });
    connect(ExportCsvScreen, &QAction::triggered, this, [this] { exportCsv(CsvWhat::Screen); });
    connect(ExportCsvCursors, &QAction::triggered, this, [this] { exportCsv(CsvWhat::BetweenCursors); });
    connect(ExportCsvFile, &QAction::triggered, this, [this] { exportCsv(CsvWhat::WholeFile); });
    connect(ExportMenu, &QMenu::aboutToShow, this, [this] {
        const bool any = host_.st->SampleRate > 0;
        for (QAction *a : ExportMenu->actions())
            a->setEnabled(any);
        ExportCsvCursors->setEnabled(any && cursors_->CursorsShown());
    });
}

void ExportTool::PaintOver(const ScreenFrame &f, Ris &)
{
    points_ = f.points;
    sweep_ = f.sweep;
    mapValid_ = f.mapValid;
    if (f.mapValid)
        map_ = f.map;
}

QStringList ExportTool::Caption() const
{
    const ScopeState &st = *host_.st;
    const int sweepIndex = host_.sweep->ListIndex();
    PictureExport::CaptionText t;
    t.sweep = sweepIndex < 0 ? QString() : Panel::Shown(Panel::kSweep[size_t(sweepIndex)]);
    t.sensitivity1 = sensitivityText(host_.sensitivity1);
    t.sensitivity2 = sensitivityText(host_.sensitivity2);
    if (xy_->IsOn()) {
        t.mode = PictureExport::CaptionText::Mode::XY;
        t.span = sweepIndex < 0 ? QString() : Screen::SpanText(host_.sweep->ItemData(sweepIndex));
    } else if (st.SubtractMode) {
        t.mode = PictureExport::CaptionText::Mode::Subtract;
    } else if (st.TwoBeam) {
        t.mode = PictureExport::CaptionText::Mode::TwoBeams;
    }
    t.live = st.CaptureRunning;
    t.start = host_.startTime->text();
    t.end = host_.endTime->text();
    QStringList lines = PictureExport::Caption(t);
    if (!xy_->IsOn() && host_.captionNotes) {
        if (const QStringList notes = host_.captionNotes(); !notes.isEmpty())
            lines << notes.join(QStringLiteral("   "));
    }
    return lines;
}

Scene ExportTool::CurrentScene() const
{
    const ScopeState &st = *host_.st;
    Ris &ris = *host_.surface;
    Scene s;
    s.size = ris.Image().size();
    s.background = ris.BackColor();
    s.caption = Caption();
    if (xy_->IsOn()) {
        // The X-Y picture is painted from its own scene; rebuild it the same way.
        const Scene figure = xy_->Figure(s.size, st.Channels, map_.sensitivity, map_.position, false);
        s.strokes = figure.strokes;
        return s;
    }
    ScreenPicture::Beams beams;
    // The map also holds M's scale; the traces' picture takes the two channels'.
    constexpr size_t channels = std::size(beams.sensitivity);
    static_assert(std::size(beams.position) == channels);
    std::copy_n(std::begin(map_.sensitivity), channels, beams.sensitivity);
    std::copy_n(std::begin(map_.position), channels, beams.position);
    const QStringList caption = s.caption;
    s = ScreenPicture::TracesScene(ris, st, points_, sweep_, beams);
    s.caption = caption;
    if (math_ && math_->Drawn() && points_ > 0)
        s.strokes.push_back({math_->Polyline(), MathTool::Colour(), 2, false});
    if (references_ && mapValid_) {
        const Scene r = references_->Overlay(map_.widthPx, map_.heightPx);
        s.strokes.insert(s.strokes.end(), r.strokes.begin(), r.strokes.end());
        s.texts.insert(s.texts.end(), r.texts.begin(), r.texts.end());
    }
    if (cursors_->CursorsShown() && mapValid_) {
        const Scene o = cursors_->Overlay();
        s.strokes.insert(s.strokes.end(), o.strokes.begin(), o.strokes.end());
        s.texts.insert(s.texts.end(), o.texts.begin(), o.texts.end());
    }
    if (math_)
        s.labels = math_->ScaleLabel();
    return s;
}

// The picture is made here; the user's input waits while it is written,
// as it did when the writing held the window up.
bool ExportTool::ExportPng(const QString &path, QString *error) const
{
    const QImage picture =
        PictureExport::Compose(host_.surface->Image(), Caption(), math_ ? math_->ScaleLabel() : std::vector<Scene::Label>{});
    return aside([&] { return PictureExport::SavePng(path, picture, error); }, QEventLoop::ExcludeUserInputEvents);
}

bool ExportTool::ExportSvg(const QString &path, QString *error) const
{
    if (const QString refused = AtomicFile::Refusal(path); !refused.isEmpty()) {
        *error = refused;
        return false;
    }
    const QByteArray svg = PictureExport::SvgOf(CurrentScene());
    return aside([&] { return PictureExport::SaveSvg(path, svg, error); }, QEventLoop::ExcludeUserInputEvents);
}

CsvExport::Span ExportTool::CsvSpan(CsvWhat what) const
{
    const ScopeState &st = *host_.st;
    CsvExport::Span span;
    switch (what) {
    case CsvWhat::WholeFile:
        break;
    case CsvWhat::Screen:
        span = CsvExport::ScreenSpan(map_.startSeconds, st.SampleRate, sweep_);
        break;
    case CsvWhat::BetweenCursors:
        span = CsvExport::SpanBetween(cursors_->CursorValue(CursorTool::Time1),
                                      cursors_->CursorValue(CursorTool::Time2), st.SampleRate);
        break;
    }
    return span;
}

CsvExport::Result ExportTool::ExportCsv(const QString &path, CsvWhat what, QString *error)
{
    const double volts[2] = {voltsPerUnit(0), voltsPerUnit(1)};
    QProgressDialog progress(tr("Экспорт отсчётов в CSV..."), tr("Отмена"), 0, 1000, host_.window);
    progress.setWindowTitle(Language::AppTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);  // only what takes longer shows a bar
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    // M as a column of its own while it is on, worked out over the span as
    // the screen works it out (a filter settled on what comes before).
    CsvExport::Column m;
    std::unique_ptr<MathTrace::Stream> stream;
    std::vector<float> a, b;
    if (math_ && math_->Active()) {
        const MathTrace::Settings &c = math_->Choice();
        const int32_t rate = host_.st->SampleRate;
        stream = std::make_unique<MathTrace::Stream>(c.function, c.filterB, c.cornerHz, c.q, rate);
        m.header = QStringLiteral("M_%1").arg(math_->UnitText()).toUtf8();
        m.needsChannels = MathTrace::NeedsB(c.function, c.filterB) ? 2 : 1;
        m.lead = MathTrace::IsFilter(c.function) ? int64_t(rate * MathTool::SettleSeconds(c)) : 0;
        m.fill = [&](const short *samples, int64_t frames, bool next, int channels, float *out) {
            const int64_t n = frames + (next ? 1 : 0);
            a.resize(size_t(n));
            b.resize(size_t(n));
            for (int64_t i = 0; i < n; ++i) {
                a[size_t(i)] = float(samples[i * channels] * volts[0]);
                b[size_t(i)] = channels > 1 ? float(samples[i * channels + 1] * volts[1]) : 0.0f;
            }
            stream->Feed(a.data(), b.data(), frames, next, out);
        };
    }
    // Each reference shown as a column of its own, at its own time scale,
    // its left edge at the left edge of the screen it is shown over.
    std::vector<CsvExport::Drawn> drawn;
    if (references_) {
        for (int i = 0; i < ReferenceTool::kSlots; ++i) {
            if (!references_->Shown(i))
                continue;
            const ReferenceFile::Reference &r = *references_->Slot(i);
            drawn.push_back({referenceHeader(i, r), r.values, mapValid_ ? map_.startSeconds : 0.0,
                             ReferenceFile::PointSeconds(r)});
        }
    }
    // The table is written aside; the bar follows it and its button stops it.
    std::atomic<int64_t> done{0}, total{0};
    std::atomic<bool> cancelled{false};
    QTimer follow;
    follow.setInterval(20);
    QObject::connect(&follow, &QTimer::timeout, &progress, [&] {
        const int64_t t = total;
        progress.setValue(t > 0 ? int(done * 1000 / t) : 0);
        if (progress.wasCanceled())
            cancelled = true;
    });
    follow.start();
    const QString wav = Paths::MapPath(host_.st->FlName);
    const CsvExport::Span span = CsvSpan(what);
    return aside(
        [&] {
            return CsvExport::Write(
                wav, path, span, volts,
                [&](int64_t d, int64_t t) {
                    done = d;
                    total = t;
                    return !cancelled;
                },
                error, m.fill ? &m : nullptr, drawn);
        },
        QEventLoop::AllEvents);
}

void ExportTool::exportPicture(bool svg)
{
    const QString filter = svg ? tr("Рисунок SVG (*.svg)") : tr("Рисунок PNG (*.png)");
    QString path = QFileDialog::getSaveFileName(host_.window, tr("Экспорт экрана"),
                                                QDir::home().filePath(svg ? QStringLiteral("oscillogram.svg")
                                                                          : QStringLiteral("oscillogram.png")),
                                                filter);
    if (path.isEmpty())
        return;
    QString error;
    if (!(svg ? ExportSvg(path, &error) : ExportPng(path, &error)))
        MsgBox(error, MsgButtons::OK, MsgIcon::Critical, Language::AppTitle());
}

void ExportTool::exportCsv(CsvWhat what)
{
    if (host_.st->CaptureRunning) {
        MsgBox(tr("Отсчёты можно выгрузить, когда осциллоскоп остановлен."), MsgButtons::OK,
               MsgIcon::Information, Language::AppTitle());
        return;
    }
    const QString path = QFileDialog::getSaveFileName(host_.window, tr("Экспорт отсчётов"),
                                                      QDir::home().filePath(QStringLiteral("oscillogram.csv")),
                                                      tr("Таблица CSV (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (ExportCsv(path, what, &error) == CsvExport::Result::Failed)
        MsgBox(error, MsgButtons::OK, MsgIcon::Critical, Language::AppTitle());
}
