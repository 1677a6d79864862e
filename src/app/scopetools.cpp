// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/scopetools.h"

#include "analysis/calibration.h"

#include "acquisition/captureengine.h"
#include "acquisition/inputchoice.h"
#include "acquisition/mci.h"
#include "analysis/xyplot.h"
#include "app/pribor.h"
#include "display/paneltables.h"
#include "display/ris.h"
#include "display/screen.h"
#include "display/screenread.h"
#include "display/tracebuffers.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/vbcolor.h"
#include "platform/vbcontrols.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMediaDevices>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <cmath>
#include <cstring>

namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kViewSection = QStringLiteral("View");
const QString kTitle = QStringLiteral("Сигмалит");
// Neither trace's colour (blue, red) nor the graticule's.
const QColor kCursorColour(0, 140, 0);

QString sensitivityText(VbComboBox *box)
{
    const int i = box->ListIndex();
    return i < 0 ? QString() : QString::fromUtf8(Panel::kSensitivityU1[size_t(i)].text);
}

}  // namespace

ScopeTools::ScopeTools(Pribor *window) : QObject(window), w_(window)
{
    buildMenus();
    w_->RisBox->installEventFilter(this);
    InputLabel = new QLabel(w_->RisBox);
    InputLabel->setObjectName(QStringLiteral("InputLabel"));
    InputLabel->setStyleSheet(QStringLiteral("QLabel { background: rgba(255,255,255,200); color: black; "
                                             "border: 1px solid gray; padding: 1px 4px; }"));
    InputLabel->hide();
    // The engine outlives windows (tests make many): the listener checks
    // that this one still exists.
    QPointer<ScopeTools> self(this);
    CaptureEngine::Instance().SetInputListener([self](bool, const QString &description) {
        if (!self)
            return;
        ScopeTools *const tools = self;
        tools->inputInUse_ = description;
        const QString notice = CaptureEngine::Instance().TakeInputNotice();
        if (!notice.isEmpty()) {
            // Told from inside a device command: show the message once that is over.
            QTimer::singleShot(0, tools, [notice] {
                MsgBox(notice, MsgButtons::OK, MsgIcon::Exclamation, kTitle);
            });
        }
        tools->showInputLabel();
    });
    CaptureEngine::Instance().SetInputLostHandler([self](int error) {
        return self && self->FallBackFromLostInput(error);
    });
    auto *devices = new QMediaDevices(this);
    connect(devices, &QMediaDevices::audioInputsChanged, this, &ScopeTools::inputsChanged);
    connect(devices, &QMediaDevices::audioOutputsChanged, this, &ScopeTools::inputsChanged);
    // The sound server moves a stream whose input is removed to its default
    // input without a word, and Qt does not always report the change: while
    // capturing from a chosen input, look whether it is still there.
    auto *watch = new QTimer(this);
    watch->setInterval(1500);
    connect(watch, &QTimer::timeout, this, [this] {
        if (w_->st.CaptureRunning && !storedChoice_.isEmpty())
            inputsChanged();
    });
    watch->start();
}

void ScopeTools::buildMenus()
{
    auto item = [](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    ExportMenu = new QMenu(QStringLiteral("Экспорт"), w_);
    ExportMenu->setObjectName(QStringLiteral("ExportMenu"));
    ExportPngAct = item(ExportMenu, "ExportPng", QStringLiteral("Экран в PNG..."));
    ExportSvgAct = item(ExportMenu, "ExportSvg", QStringLiteral("Экран в SVG..."));
    ExportMenu->addSeparator();
    ExportCsvScreen = item(ExportMenu, "ExportCsvScreen", QStringLiteral("Отсчёты экрана в CSV..."));
    ExportCsvCursors = item(ExportMenu, "ExportCsvCursors", QStringLiteral("Отсчёты между курсорами времени в CSV..."));
    ExportCsvFile = item(ExportMenu, "ExportCsvFile", QStringLiteral("Отсчёты всего файла в CSV..."));
    w_->File->insertMenu(w_->Quit, ExportMenu);
    connect(ExportPngAct, &QAction::triggered, this, [this] { exportPicture(false); });
    connect(ExportSvgAct, &QAction::triggered, this, [this] { exportPicture(true); });
    connect(ExportCsvScreen, &QAction::triggered, this, [this] { exportCsv(CsvWhat::Screen); });
    connect(ExportCsvCursors, &QAction::triggered, this, [this] { exportCsv(CsvWhat::BetweenCursors); });
    connect(ExportCsvFile, &QAction::triggered, this, [this] { exportCsv(CsvWhat::WholeFile); });
    connect(ExportMenu, &QMenu::aboutToShow, this, [this] {
        const bool any = w_->st.SampleRate > 0;
        for (QAction *a : ExportMenu->actions())
            a->setEnabled(any);
        ExportCsvCursors->setEnabled(any && CursorsShown());
    });

    w_->Setup->addSeparator();
    CursorsMenu = item(w_->Setup, "CursorsMenu", QStringLiteral("Курсоры"));
    CursorsMenu->setCheckable(true);
    CursorsOnSecond = item(w_->Setup, "CursorsOnSecond", QStringLiteral("Курсоры напряжения по 2-му каналу"));
    CursorsOnSecond->setCheckable(true);
    XYMenu = item(w_->Setup, "XYMenu", QStringLiteral("Развёртка X-Y (фигуры Лиссажу)"));
    XYMenu->setCheckable(true);
    InputMenu = w_->Setup->addMenu(QStringLiteral("Звуковой вход"));
    InputMenu->setObjectName(QStringLiteral("InputMenu"));
    // Filled each time it opens, so it follows inputs plugged in or out.
    connect(InputMenu, &QMenu::aboutToShow, this, &ScopeTools::fillInputMenu);

    connect(CursorsMenu, &QAction::toggled, this, [this](bool on) { SetCursorsShown(on); });
    connect(CursorsOnSecond, &QAction::toggled, this, [this] { repaint(); });
    connect(XYMenu, &QAction::toggled, this, [this](bool on) {
        SettingsStore::SaveSetting(kApp, kViewSection, QStringLiteral("XY"),
                                   on ? QStringLiteral("True") : QStringLiteral("False"));
        repaint();
    });
}

void ScopeTools::Load()
{
    const QSignalBlocker quiet(XYMenu);
    XYMenu->setChecked(SettingsStore::GetSetting(kApp, kViewSection, QStringLiteral("XY"), QStringLiteral("False"))
                       == QLatin1String("True"));
    storedChoice_ = InputChoice::Stored();
    chosenDescription_ = InputChoice::StoredDescription();
    CaptureEngine::Instance().SetPreferredInput(storedChoice_);
    showInputLabel();
}

// ---- Input ----

void ScopeTools::fillInputMenu()
{
    InputMenu->clear();
    const QString env = QString::fromLocal8Bit(qgetenv("SIGM_INPUT")).trimmed();
    const QString stored = InputChoice::Stored();
    QAction *now = InputMenu->addAction(QStringLiteral("Сейчас: ") + InputInUse());
    now->setEnabled(false);
    if (!env.isEmpty()) {
        QAction *a = InputMenu->addAction(QStringLiteral("Вход задан переменной SIGM_INPUT=") + env);
        a->setEnabled(false);
    }
    InputMenu->addSeparator();
    auto *group = new QActionGroup(InputMenu);
    auto add = [&](const QString &caption, const QString &choice) {
        QAction *a = InputMenu->addAction(caption);
        a->setCheckable(true);
        a->setChecked(choice == stored);
        a->setEnabled(env.isEmpty());
        a->setData(choice);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, choice] { ChooseInput(choice); });
    };
    add(QStringLiteral("По умолчанию (вход звукового сервера)"), QString());
    bool storedListed = stored.isEmpty() || stored == QLatin1String(InputChoice::kDemo);
    for (const SoundInputInfo &i : InputChoice::List()) {
        add(InputChoice::Caption(i), i.name);
        storedListed = storedListed || i.name == stored;
    }
    if (!storedListed)
        add(QStringLiteral("%1 (нет в системе)").arg(chosenDescription_.isEmpty() ? stored : chosenDescription_),
            stored);
    InputMenu->addSeparator();
    add(QStringLiteral("Демонстрационный генератор"), QString::fromLatin1(InputChoice::kDemo));
}

void ScopeTools::ChooseInput(const QString &choice)
{
    InputChoice::Store(choice);
    storedChoice_ = choice;
    chosenDescription_ = InputChoice::StoredDescription();
    fellBack_ = false;
    CaptureEngine::Instance().SetPreferredInput(choice);
    retakeInput();
    showInputLabel();
}

bool ScopeTools::retakeInput()
{
    CaptureEngine &engine = CaptureEngine::Instance();
    if (w_->st.CaptureRunning && !w_->SaveZvukWindow()) {
        // Live capture goes on at once, from the input it looks up afresh.
        w_->Stopbiton_Click();
        engine.Shutdown();
        w_->zapis_Click();
        return true;
    }
    if (engine.Recording())
        return false;
    engine.Shutdown();
    inputInUse_.clear();
    return true;
}

namespace {
bool chosenInputGone()
{
    const QString choice = InputChoice::Stored();
    if (choice.isEmpty() || choice == QLatin1String(InputChoice::kDemo) || !qgetenv("SIGM_INPUT").trimmed().isEmpty())
        return false;
    for (const SoundInputInfo &i : InputChoice::List())
        if (i.name == choice)
            return false;
    return true;
}
}  // namespace

bool ScopeTools::FallBackFromLostInput(int error)
{
    if (error != MciErr::DeviceLost || w_->SaveZvukWindow() || !chosenInputGone())
        return false;
    fellBack_ = true;
    mciSendString(QStringLiteral("Close Zvuk"));
    w_->EndCaptureAfterFailure();
    CaptureEngine::Instance().Shutdown();
    w_->zapis_Click();
    return true;
}

void ScopeTools::inputsChanged()
{
    if (fellBack_) {
        // The chosen input is back (a device plugged in again): capture
        // returns to it as if it were chosen again, the label saying so. A
        // recording to memory keeps the input it started with.
        if (chosenInputGone() || w_->SaveZvukWindow())
            return;
        if (retakeInput())
            fellBack_ = false;
        showInputLabel();
        return;
    }
    if (!w_->st.CaptureRunning || w_->SaveZvukWindow() || !chosenInputGone())
        return;
    // The chosen input went away: capture carries on from the default one
    // and the lookup tells the user so.
    fellBack_ = true;
    retakeInput();
}

QString ScopeTools::InputInUse() const
{
    const QString running = CaptureEngine::Instance().InputDescription();
    if (!running.isEmpty())
        return running;
    const QString stored = storedChoice_;
    if (stored.isEmpty())
        return inputInUse_.isEmpty() ? QStringLiteral("по умолчанию") : QStringLiteral("по умолчанию — ") + inputInUse_;
    if (stored == QLatin1String(InputChoice::kDemo))
        return QStringLiteral("Демонстрационный генератор");
    return chosenDescription_.isEmpty() ? stored : chosenDescription_;
}

void ScopeTools::showInputLabel()
{
    // Shown once the user has chosen an input; the default stays as before.
    // (Called on every frame: the choice is kept here, not read from disk.)
    const bool chosen = !storedChoice_.isEmpty();
    InputLabel->setVisible(chosen);
    if (!chosen)
        return;
    InputLabel->setText(QStringLiteral("Вход: ") + InputInUse());
    InputLabel->adjustSize();
    InputLabel->move(4, std::max(0, w_->RisBox->height() - InputLabel->height() - 4));
    InputLabel->raise();
}

// ---- Display hooks ----

void ScopeTools::SamplesRead(const ScreenFrame &f)
{
    // A block from the capture stream is copied only while the X-Y figure,
    // its one reader, is drawn; a screen read from the file is kept always,
    // for the figure the exports draw. The storage is reused from frame to frame.
    if (f.streamed && !DrawsXY())
        return;
    block_.resize(f.samples.size());
    std::memcpy(block_.data(), f.samples.data(), size_t(f.samples.size()));
}

bool ScopeTools::DrawsXY() const
{
    return XYMenu->isChecked();
}

void ScopeTools::PaintInstead(const ScreenFrame &f, Ris &surface)
{
    const int32_t sensitivityX = f.map.sensitivity[0], sensitivityY = f.map.sensitivity[1];
    const QSize size = surface.Image().size();
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
    if (f.channels == 2) {
        const std::vector<QPointF> pts =
            XY::Figure(block_.constData(), block_.size() / 4, sq, {sensitivityX, f.map.position[0]},
                       {sensitivityY, f.map.position[1]});
        if (pts.size() > 1)
            scene.strokes.push_back({QPolygonF(QList<QPointF>(pts.begin(), pts.end())), VbColor(0xFF0000), 1, false});
    } else {
        scene.texts.push_back({QPointF(sq.left() + 8, sq.top() + 8),
                               QStringLiteral("Для X-Y нужен двухлучевой режим"), Qt::black});
    }
    surface.Paint([&](QPainter &p) { scene.Paint(p); });
}

void ScopeTools::PaintOver(const ScreenFrame &f, Ris &surface)
{
    points_ = f.points;
    sweep_ = f.sweep;
    mapValid_ = f.mapValid;
    if (!f.mapValid)
        return;
    map_ = f.map;
    if (CursorsShown() && f.tracesDrawn) {
        if (!placed_)
            placeInitialCursors();
        const Scene s = overlay();
        surface.Paint([&](QPainter &p) { s.Paint(p); });
    }
    showInputLabel();
}

double ScopeTools::VoltsPerUnit(int channel)
{
    return Calibration::VoltsPerUnit(Calibration::StoredFactor(channel + 1));
}

// ---- Cursors ----

bool ScopeTools::CursorsShown() const
{
    return CursorsMenu->isChecked();
}

void ScopeTools::SetCursorsShown(bool on)
{
    if (CursorsMenu->isChecked() != on) {
        CursorsMenu->setChecked(on);  // comes back here through toggled
        return;
    }
    w_->RisBox->setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
    w_->RisBox->setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
    repaint();
}

int ScopeTools::VoltChannel() const
{
    return CursorsOnSecond->isChecked() && w_->st.TwoBeam && !w_->st.SubtractMode ? 1 : 0;
}

void ScopeTools::SetCursor(Cursor c, double value)
{
    value_[c] = value;
    placed_ = true;
    repaint();
}

void ScopeTools::placeInitialCursors()
{
    value_[Time1] = map_.SecondsAt(map_.widthPx * 0.25);
    value_[Time2] = map_.SecondsAt(map_.widthPx * 0.75);
    value_[Volt1] = map_.VoltsAt(VoltChannel(), map_.heightPx * 3.0 / 8);
    value_[Volt2] = map_.VoltsAt(VoltChannel(), map_.heightPx * 5.0 / 8);
    placed_ = true;
}

Cursors::Readout ScopeTools::Readout() const
{
    return Cursors::Read(value_[Time1], value_[Time2], value_[Volt1], value_[Volt2]);
}

QStringList ScopeTools::ReadoutLines() const
{
    const Cursors::Readout r = Readout();
    const QString ch = VoltChannel() == 0 ? QStringLiteral("1") : QStringLiteral("2");
    return {QStringLiteral("t1 = %1   t2 = %2   Δt = %3   1/Δt = %4")
                .arg(Cursors::SecondsText(r.t1), Cursors::SecondsText(r.t2), Cursors::SecondsText(r.dt),
                     Cursors::HertzText(r.frequency)),
            QStringLiteral("Канал %1:  U1 = %2   U2 = %3   ΔU = %4")
                .arg(ch, Cursors::VoltsText(r.v1), Cursors::VoltsText(r.v2), Cursors::VoltsText(r.dv))};
}

Scene ScopeTools::overlay() const
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

void ScopeTools::repaint()
{
    // While capturing, the next refresh draws with the new state.
    if (!w_->st.CaptureRunning && w_->st.SampleRate > 0)
        w_->RasTime_Click();
}

bool ScopeTools::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != w_->RisBox)
        return false;
    if (event->type() == QEvent::Resize)
        QTimer::singleShot(0, this, [this] { showInputLabel(); });
    if (!CursorsShown() || !mapValid_ || DrawsXY())
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
            repaint();
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

// ---- Exports ----

QStringList ScopeTools::Caption() const
{
    const ScopeState &st = w_->st;
    const int sweepIndex = w_->RasTime->ListIndex();
    const QString sweep = sweepIndex < 0 ? QString() : QString::fromUtf8(Panel::kSweep[size_t(sweepIndex)].text);
    QString line;
    if (DrawsXY()) {
        // Across is channel 1, not time: the sweep only says how long a
        // stretch of signal the figure is drawn from.
        const QString span = sweepIndex < 0 ? QString() : Screen::SpanText(w_->RasTime->ItemData(sweepIndex));
        line = QStringLiteral("X-Y:  X (канал 1) = %1/дел.   Y (канал 2) = %2/дел.   фигура за %3 с (развёртка %4/дел.)")
                   .arg(sensitivityText(w_->U2), sensitivityText(w_->U1), span, sweep);
    } else if (st.SubtractMode) {
        line = QStringLiteral("Канал 1 − канал 2: %1/дел.   Время/Дел. = %2")
                   .arg(sensitivityText(w_->U2), sweep);
    } else if (st.TwoBeam) {
        line = QStringLiteral("Канал 1: %1/дел.   Канал 2: %2/дел.   Время/Дел. = %3")
                   .arg(sensitivityText(w_->U2), sensitivityText(w_->U1), sweep);
    } else {
        line = QStringLiteral("Канал 1: %1/дел.   Время/Дел. = %2").arg(sensitivityText(w_->U2), sweep);
    }
    if (!st.CaptureRunning)
        line += QStringLiteral("   Экран: %1 … %2 с").arg(w_->nachalo->text(), w_->konec->text());
    return {line};
}

Scene ScopeTools::CurrentScene() const
{
    const ScopeState &st = w_->st;
    Ris &ris = *w_->RisBox;
    Scene s;
    s.size = ris.Image().size();
    s.background = ris.BackColor();
    s.caption = Caption();
    if (DrawsXY()) {
        // The X-Y picture is painted from its own scene; rebuild it the same way.
        const QRectF sq = XY::SquareIn(s.size.width(), s.size.height());
        for (double o : XY::GridOffsets(sq)) {
            s.strokes.push_back({QPolygonF({QPointF(sq.left() + o, sq.top()), QPointF(sq.left() + o, sq.bottom())}),
                                 Qt::black, 1, false});
            s.strokes.push_back({QPolygonF({QPointF(sq.left(), sq.top() + o), QPointF(sq.right(), sq.top() + o)}),
                                 Qt::black, 1, false});
        }
        if (st.Channels == 2) {
            const auto pts = XY::Figure(block_.constData(), block_.size() / 4, sq,
                                        {map_.sensitivity[0], map_.position[0]}, {map_.sensitivity[1], map_.position[1]});
            if (pts.size() > 1)
                s.strokes.push_back({QPolygonF(QList<QPointF>(pts.begin(), pts.end())), VbColor(0xFF0000), 1, false});
        }
        return s;
    }
    const double right = ris.ScaleWidth;
    auto line = [&](double x1, double y1, double x2, double y2) {
        s.strokes.push_back({QPolygonF({ris.ToPixel(x1, y1), ris.ToPixel(x2, y2)}), Qt::black, 1, false});
    };
    for (int k = -3; k <= 3; ++k)
        line(0, Screen::kDivision * k - 1, right, Screen::kDivision * k - 1);
    for (double x : Screen::VerticalLines(points_, sweep_, st.SampleRate))
        line(x, -32768, x, 32767);
    auto trace = [&](auto valueAt, int sens, int pos, uint32_t colour) {
        QPolygonF poly;
        for (int32_t i = 0; i <= points_; ++i)
            poly << ris.ToPixel(i, -(double(valueAt(i)) * sens + pos));
        if (points_ > 0)
            s.strokes.push_back({poly, VbColor(colour), 2, false});
    };
    const auto &l = st.LeftBuffer;
    const auto &r = st.RightBuffer;
    const bool haveLeft = points_ >= 0 && size_t(points_) < l.size();
    const bool haveRight = points_ >= 0 && size_t(points_) < r.size();
    if (st.SubtractMode) {
        if (haveLeft)
            trace([&](int32_t i) { return l[size_t(i)] - (haveRight ? r[size_t(i)] : 0); }, map_.sensitivity[0],
                  map_.position[0], 0xFF0000);
    } else {
        if (haveLeft)
            trace([&](int32_t i) { return l[size_t(i)]; }, map_.sensitivity[0], map_.position[0], 0xFF0000);
        if (st.TwoBeam && haveRight)
            trace([&](int32_t i) { return r[size_t(i)]; }, map_.sensitivity[1], map_.position[1], 0xFF);
    }
    if (CursorsShown() && mapValid_) {
        const Scene o = overlay();
        s.strokes.insert(s.strokes.end(), o.strokes.begin(), o.strokes.end());
        s.texts = o.texts;
    }
    return s;
}

bool ScopeTools::ExportPng(const QString &path) const
{
    return PictureExport::WritePng(path, w_->RisBox->Image(), Caption());
}

bool ScopeTools::ExportSvg(const QString &path) const
{
    return PictureExport::WriteSvg(path, CurrentScene());
}

CsvExport::Span ScopeTools::CsvSpan(CsvWhat what) const
{
    const ScopeState &st = w_->st;
    const double rate = st.SampleRate;
    CsvExport::Span span;
    switch (what) {
    case CsvWhat::WholeFile:
        break;
    case CsvWhat::Screen: {
        span.firstFrame = std::llround(map_.startSeconds * rate);
        const int sweep = sweep_ > 0 ? sweep_ : 1;
        span.frameCount = std::llround(rate / sweep);
        break;
    }
    case CsvWhat::BetweenCursors: {
        const double a = std::min(value_[Time1], value_[Time2]);
        const double b = std::max(value_[Time1], value_[Time2]);
        span.firstFrame = std::max<int64_t>(0, std::llround(a * rate));
        span.frameCount = std::llround(b * rate) - span.firstFrame + 1;
        break;
    }
    }
    return span;
}

CsvExport::Result ScopeTools::ExportCsv(const QString &path, CsvWhat what, QString *error)
{
    const double volts[2] = {VoltsPerUnit(0), VoltsPerUnit(1)};
    QProgressDialog progress(QStringLiteral("Экспорт отсчётов в CSV..."), QStringLiteral("Отмена"), 0, 1000, w_);
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);  // only what takes longer shows a bar
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    const CsvExport::Result r = CsvExport::Write(
        Paths::MapPath(w_->st.FlName), path, CsvSpan(what), volts,
        [&](int64_t done, int64_t total) {
            progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        },
        error);
    return r;
}

void ScopeTools::exportPicture(bool svg)
{
    const QString filter = svg ? QStringLiteral("Рисунок SVG (*.svg)") : QStringLiteral("Рисунок PNG (*.png)");
    QString path = QFileDialog::getSaveFileName(w_, QStringLiteral("Экспорт экрана"),
                                                QDir::home().filePath(svg ? QStringLiteral("oscillogram.svg")
                                                                          : QStringLiteral("oscillogram.png")),
                                                filter);
    if (path.isEmpty())
        return;
    if (!(svg ? ExportSvg(path) : ExportPng(path)))
        MsgBox(QStringLiteral("Не удалось записать файл %1.").arg(path), MsgButtons::OK, MsgIcon::Critical, kTitle);
}

void ScopeTools::exportCsv(CsvWhat what)
{
    if (w_->st.CaptureRunning) {
        MsgBox(QStringLiteral("Отсчёты можно выгрузить, когда осциллоскоп остановлен."), MsgButtons::OK,
               MsgIcon::Information, kTitle);
        return;
    }
    const QString path = QFileDialog::getSaveFileName(w_, QStringLiteral("Экспорт отсчётов"),
                                                      QDir::home().filePath(QStringLiteral("oscillogram.csv")),
                                                      QStringLiteral("Таблица CSV (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (ExportCsv(path, what, &error) == CsvExport::Result::Failed)
        MsgBox(error, MsgButtons::OK, MsgIcon::Critical, kTitle);
}
