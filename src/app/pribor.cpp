// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pribor.h"

#include "acquisition/demonotice.h"
#include "analysis/calibration.h"
#include "analysis/options.h"
#include "app/cursortool.h"
#include "app/eventtool.h"
#include "app/exporttool.h"
#include "app/generatortool.h"
#include "app/icons.h"
#include "app/inputtool.h"
#include "app/mathtool.h"
#include "app/overviewtool.h"
#include "app/persistencetool.h"
#include "app/referencetool.h"
#include "app/xytool.h"
#include "display/paneltables.h"
#include "display/ris.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/twips.h"
#include "platform/vbcolor.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <cmath>
#include <cstdlib>
#include <QMenuBar>
#include <QTimer>

namespace {

// Non-client size of the window the stored sizes describe: borders 120
// twips wide; title bar, menu bar and borders 750 twips high.
constexpr int kNonClientWidthPx = 8;
constexpr int kNonClientHeightPx = 50;

QToolButton *makeButton(QWidget *parent, const char *name, const QString &tip, const QString &icon)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    if (!icon.isEmpty()) {
        b->setIcon(PanelIcon(icon));
        b->setIconSize(QSize(24, 24));
    }
    b->setAutoRaise(false);
    return b;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *l = new VbLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

template <size_t N>
void fill(VbComboBox *box, const std::array<Panel::Entry, N> &entries)
{
    const QSignalBlocker quiet(box);
    for (const Panel::Entry &e : entries)
        box->AddItem(Panel::Shown(e), e.itemData);
    box->setCurrentIndex(-1);
}

void applyRange(VbScrollBar *bar, const Panel::ScrollRange &r)
{
    const QSignalBlocker quiet(bar);
    bar->SetRange(r.min, r.max);
    bar->SetSmallChange(r.smallChange);
    bar->SetLargeChange(r.largeChange);
    bar->SetValue(r.initial);
}

}  // namespace

Pribor::Pribor(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Pribor"));
    setWindowTitle(Language::AppTitle());
    buildControls();
    buildMenus();
    buildTriggerMenu();
    placeAtDesign();
    connectHandlers();
    DemoNotice = CreateDemoNotice(RisBox);
    // The readers of each screen, in the order they paint over it: the
    // computed trace, the trigger marker and readings, then the cursors.
    buildTools();
    Readers.Add(MathView);
    Readers.Add(Persist);
    Readers.Add(References);
    screenMarks_ = makeScreenMarks();
    Readers.Add(screenMarks_.get());
    Readers.Add(CursorsTool);
    Readers.Add(XYView);
    Readers.Add(Exports);
    Readers.Add(Input);
    spectrumFeed_ = makeSpectrumFeed();
    Readers.Add(spectrumFeed_.get());
    Readers.Add(Overview);
    Readers.Add(Events);
    // The level marker's filter goes on after the tools' (the last one put
    // on sees the mouse first): a press on the marker drags the trigger
    // level even while the cursors are shown.
    RisBox->installEventFilter(this);
}

Pribor::~Pribor()
{
    // The drawing surface outlives this class's part of the window while
    // QWidget deletes the children; its filters must not be told about that.
    RisBox->removeEventFilter(CursorsTool);
    RisBox->removeEventFilter(Input);
    RisBox->removeEventFilter(this);
}

void Pribor::buildTools()
{
    ToolHost host;
    host.window = this;
    host.st = &st;
    host.surface = RisBox;
    host.fileMenu = File;
    host.setupMenu = Setup;
    host.quit = Quit;
    host.sweep = RasTime;
    host.sensitivity1 = U2;
    host.sensitivity2 = U1;
    host.position1 = VScroll2;
    host.position2 = VScroll1;
    host.startTime = nachalo;
    host.endTime = konec;
    host.repaint = [this] {
        // While capturing, the next refresh draws with the new state.
        if (!st.CaptureRunning && st.SampleRate > 0)
            RasTime_Click();
    };
    host.reread = [this] {
        if (!st.CaptureRunning && st.SampleRate > 0 && PrintBiton->isEnabled())
            PageViewTo(st.ViewStart);
    };
    host.pageTo = [this](int64_t position) {
        if (!st.CaptureRunning && PrintBiton->isEnabled())
            PageViewTo(position);
    };
    host.relayout = [this] { Form_Resize(); };
    host.captionNotes = [this] { return Readers.CaptionNotes(); };
    host.stopCapture = [this] { Stopbiton_Click(); };
    host.startCapture = [this] { zapis_Click(); };
    host.endCaptureAfterFailure = [this] { EndCaptureAfterFailure(); };
    host.recordingToMemory = [this] { return SaveZvukWindow() != nullptr; };
    Setup->addSeparator();
    CursorsTool = new CursorTool(host, [this] { return XYView->IsOn(); }, this);
    XYView = new XYTool(host, this);
    Input = new InputTool(host, this);
    Exports = new ExportTool(host, CursorsTool, XYView, this);
    MathView = new MathTool(host, this);
    Exports->SetMath(MathView);
    CursorsTool->SetMath(MathView);
    Persist = new PersistenceTool(host, MathView, this);
    References = new ReferenceTool(host, MathView, this);
    Exports->SetReferences(References);
    Overview = new OverviewTool(host, this);
    EventHooks hooks;
    hooks.setup = [this] {
        const int src = Trig.source == 2 && st.TwoBeam ? 1 : 0;
        const VbComboBox *sens = src == 0 ? U2 : U1;
        EventHooks::Setup s;
        s.channel = src;
        s.condition.slope = Trig.slope;
        s.condition.level = Calibration::ToUnits(Trig.levelVolts, CalFactor[src]);
        s.condition.hysteresis = Options::HysteresisUnits(sens->ListIndex() < 0 ? 1 : sens->ItemData(sens->ListIndex()));
        s.voltsPerUnit = Calibration::VoltsPerUnit(CalFactor[src]);
        s.holdoffSeconds = Trig.holdoffSeconds;
        return s;
    };
    hooks.showEvent = [this](double frame) { ShowTriggerEvent(frame); };
    Events = new EventTool(host, std::move(hooks), this);
    Overview->EventsIn = [this](double from, double to) { return Events->Any(from, to); };
    connect(Events, &EventTool::Changed, Overview, &OverviewTool::MarksChanged);
    new GeneratorTool(host, this);
    buildLanguageMenu();
}

void Pribor::buildLanguageMenu()
{
    // Named in both languages, so whoever cannot read the one finds it.
    Setup->addSeparator();
    LanguageMenu = Setup->addMenu(QStringLiteral("Язык / Language"));
    LanguageMenu->setObjectName(QStringLiteral("LanguageMenu"));
    auto *group = new QActionGroup(this);
    auto item = [this, group](const char *name, const QString &caption, Language::Choice choice) {
        QAction *a = LanguageMenu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, choice] { LanguageMenu_Click(int(choice)); });
        return a;
    };
    LangAuto = item("LangAuto", tr("Как в системе"), Language::Choice::Auto);
    // Each language by its own name.
    LangRussian = item("LangRussian", QStringLiteral("Русский"), Language::Choice::Russian);
    LangEnglish = item("LangEnglish", QStringLiteral("English"), Language::Choice::English);
    const Language::Choice stored = Language::StoredChoice();
    (stored == Language::Choice::Russian ? LangRussian : stored == Language::Choice::English ? LangEnglish : LangAuto)
        ->setChecked(true);
}

void Pribor::LanguageMenu_Click(int choice)
{
    const auto c = Language::Choice(choice);
    Language::StoreChoice(c);
    (c == Language::Choice::Russian ? LangRussian : c == Language::Choice::English ? LangEnglish : LangAuto)
        ->setChecked(true);
    // Every window is built in one language; the other one comes with the
    // next start. Said in both, as the reader may know only the new one.
    if (Language::Resolve(c) != Language::Current())
        MsgBox(QStringLiteral("Язык сменится при следующем запуске программы.\n"
                              "The language changes when the program is started again."),
               MsgButtons::OK, MsgIcon::Information, Language::AppTitle());
}

void Pribor::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    // The panel was laid out for a small 8-point face.
    QFont small = client->font();
    small.setPointSizeF(8);
    client->setFont(small);

    OpenBitton = makeButton(client, "OpenBitton", tr("Открыть осциллограмму"), QStringLiteral("open"));
    SaveFileBiton = makeButton(client, "SaveFileBiton", tr("Сохранить осциллограмму"), QStringLiteral("save"));
    PrintBiton = makeButton(client, "PrintBiton", tr("Печать Осциллограммы"), QStringLiteral("print"));
    Stopbiton = makeButton(client, "Stopbiton", tr("Стоп"), QStringLiteral("stop"));
    SaveBiton = makeButton(client, "SaveBiton", tr("Вкл. запоминания осциллограммы"), QStringLiteral("memory"));
    zapis = makeButton(client, "zapis", tr("Просмотр осциллограммы"), QStringLiteral("run"));
    XminY = makeButton(client, "XminY", tr("Вкл. режим вычитания каналов"), QString());
    XminY->setText(QStringLiteral("X-Y"));
    SaveFileBiton->setEnabled(false);
    PrintBiton->setEnabled(false);
    Stopbiton->setEnabled(false);
    XminY->setEnabled(false);

    U2 = new VbComboBox(client);
    U2->setObjectName(QStringLiteral("U2"));
    U2->setToolTip(tr("Чувствительность 1-го канала"));
    fill(U2, Panel::kSensitivityU2);
    U1 = new VbComboBox(client);
    U1->setObjectName(QStringLiteral("U1"));
    U1->setToolTip(tr("Чувствительность 2-го канала"));
    fill(U1, Panel::kSensitivityU1);
    RasTime = new VbComboBox(client);
    RasTime->setObjectName(QStringLiteral("RasTime"));
    RasTime->setToolTip(tr("Время развёртки"));
    fill(RasTime, Panel::kSweep);

    NLeft = makeLabel(client, "NLeft", tr("Вольт/Дел.(1)"));
    NRigt = makeLabel(client, "NRigt", tr("Вольт/Дел.(2)"));
    Razv = makeLabel(client, "Razv", tr("Время/Дел."));

    RisBox = new Ris(client);
    RisBox->setObjectName(QStringLiteral("Ris"));

    VScroll2 = new VbScrollBar(Qt::Vertical, client);
    VScroll2->setObjectName(QStringLiteral("VScroll2"));
    applyRange(VScroll2, Panel::kVerticalBar);
    VScroll1 = new VbScrollBar(Qt::Vertical, client);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    applyRange(VScroll1, Panel::kVerticalBar);
    HScroll1 = new VbScrollBar(Qt::Horizontal, client);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    applyRange(HScroll1, Panel::kHorizontalBar);

    nachalo = makeLabel(client, "nachalo", QStringLiteral("0"));
    konec = makeLabel(client, "konec", QStringLiteral("1"));
    Label3 = makeLabel(client, "Label3",
                       tr("<-----Время в секундах соответствующее началу и концу графика----- >"));
    Label1 = makeLabel(client, "Label1", QStringLiteral("X1"));
    Label2 = makeLabel(client, "Label2", QStringLiteral("X2"));
    Label1->setStyleSheet(QStringLiteral("color: %1").arg(VbColor(0x800000).name()));
    Label2->setStyleSheet(QStringLiteral("color: %1").arg(VbColor(0xFF).name()));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    FrameTimer = new FrameClock([this] { return screen(); }, this);
    FrameTimer->setObjectName(QStringLiteral("FrameTimer"));
    passDue_ = new QTimer(this);
    passDue_->setObjectName(QStringLiteral("passDue"));
    passDue_->setSingleShot(true);
    passDue_->setTimerType(Qt::PreciseTimer);
    TimerIndikator = new QTimer(this);
    TimerIndikator->setObjectName(QStringLiteral("TimerIndikator"));
    TimerIndikator->setInterval(1000);
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(300);
}

void Pribor::buildMenus()
{
    auto item = [this](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    File = menuBar()->addMenu(tr("Файл"));
    File->setObjectName(QStringLiteral("File"));
    OpenWav = item(File, "OpenWav", tr("Открыть wav"));
    SaveWav = item(File, "SaveWav", tr("Сохранить wav"));
    PrintMenu = item(File, "PrintMenu", tr("Печать"));
    Quit = item(File, "Quit", tr("Выход"));
    SaveWav->setEnabled(false);
    PrintMenu->setEnabled(false);
    // The desktop's usual keys, where the panel has none of its own.
    OpenWav->setShortcut(QKeySequence::Open);
    SaveWav->setShortcut(QKeySequence::Save);
    PrintMenu->setShortcut(QKeySequence::Print);
    Quit->setShortcut(QKeySequence::Quit);

    Run = menuBar()->addMenu(tr("Просмотр"));
    Run->setObjectName(QStringLiteral("Run"));
    RunMenu = item(Run, "RunMenu", tr("Включить Осциллоскоп"));
    SigmMenu = item(Run, "SigmMenu", tr("Запоминание осциллограммы"));
    StopMenu = item(Run, "StopMenu", tr("Стоп"));
    Uroven = item(Run, "Uroven", tr("Уровень сигнала"));
    StopMenu->setEnabled(false);
    Uroven->setCheckable(true);
    Uroven->setChecked(false);
    Uroven->setEnabled(false);
    // There is something to analyse exactly when there is a level to show.
    Spektr = item(Run, "Spektr", tr("Спектр сигнала"));
    Spektr->setCheckable(true);
    Spektr->setEnabled(false);
    connect(Uroven, &QAction::enabledChanged, Spektr, &QAction::setEnabled);

    Setup = menuBar()->addMenu(tr("Настройки"));
    Setup->setObjectName(QStringLiteral("Setup"));
    Ster = item(Setup, "Ster", tr("Двухлучевой режим"));
    TimeMenu = item(Setup, "TimeMenu", tr("Параметры"));
    // The check mark changes only through Ster_Click, never by the click itself.
    Ster->setCheckable(true);
    Ster->setChecked(true);

    HelpMenu = menuBar()->addMenu(tr("Помощь"));
    HelpMenu->setObjectName(QStringLiteral("HelpMenu"));
    SpravMenu = item(HelpMenu, "SpravMenu", tr("Вызов справки"));
    OProgMenu = item(HelpMenu, "OProgMenu", tr("О программе"));
    SpravMenu->setShortcut(QKeySequence::HelpContents);
}

void Pribor::PlaceTw(QWidget *w, double left, double top, double width, double height)
{
    w->setGeometry(Twips::RectToPixels(left, top, width, height));
}

void Pribor::placeAtDesign()
{
    PlaceTw(OpenBitton, 270, 60, 495, 495);
    PlaceTw(SaveFileBiton, 840, 60, 495, 495);
    PlaceTw(PrintBiton, 1440, 60, 495, 495);
    PlaceTw(Stopbiton, 2040, 60, 495, 495);
    PlaceTw(SaveBiton, 2640, 60, 495, 495);
    PlaceTw(zapis, 3240, 60, 495, 495);
    PlaceTw(XminY, 3840, 60, 495, 495);
    PlaceTw(U2, 4440, 240, 1215, 315);
    PlaceTw(U1, 5760, 240, 1215, 315);
    PlaceTw(RasTime, 7140, 240, 1215, 315);
    PlaceTw(NLeft, 4440, 0, 1215, 255);
    PlaceTw(NRigt, 5760, 0, 1215, 255);
    PlaceTw(Razv, 7080, 0, 1455, 255);
    PlaceTw(Label1, 0, 360, 375, 255);
    PlaceTw(Label2, 9120, 360, 255, 255);
    PlaceTw(VScroll2, 0, 720, 255, 5175);
    PlaceTw(RisBox, 240, 720, 8880, 5175);
    PlaceTw(VScroll1, 9120, 720, 255, 5175);
    PlaceTw(nachalo, 300, 5880, 615, 255);
    PlaceTw(konec, 8760, 5880, 495, 255);
    PlaceTw(HScroll1, 240, 6120, 8895, 255);
    // The hint label is as wide as its text and sits centred between the
    // two time labels.
    const double hintWidth = Twips::FromPixels(Label3->fontMetrics().horizontalAdvance(Label3->text()) + 4);
    PlaceTw(Label3, 300 + 615 + (8760 - 300 - 615 - hintWidth) / 2, 5880, hintWidth, 255);
}

void Pribor::connectHandlers()
{
    connect(zapis, &QToolButton::clicked, this, [this] { zapis_Click(); });
    connect(RunMenu, &QAction::triggered, this, [this] { RunMenu_Click(); });
    connect(Stopbiton, &QToolButton::clicked, this, [this] { Stopbiton_Click(); });
    connect(StopMenu, &QAction::triggered, this, [this] { StopMenu_Click(); });
    connect(SaveBiton, &QToolButton::clicked, this, [this] { SaveBiton_Click(); });
    connect(SigmMenu, &QAction::triggered, this, [this] { SigmMenu_Click(); });
    connect(OpenWav, &QAction::triggered, this, [this] { OpenWav_Click(); });
    connect(OpenBitton, &QToolButton::clicked, this, [this] { OpenBitton_Click(); });
    connect(SaveFileBiton, &QToolButton::clicked, this, [this] { SaveFileBiton_Click(); });
    connect(SaveWav, &QAction::triggered, this, [this] { SaveWav_Click(); });
    connect(PrintBiton, &QToolButton::clicked, this, [this] { PrintBiton_Click(); });
    connect(PrintMenu, &QAction::triggered, this, [this] { PrintMenu_Click(); });
    connect(XminY, &QToolButton::clicked, this, [this] { XminY_Click(); });
    // A checkable action toggles itself before the handler runs; the handler
    // owns the check mark, so undo Qt's toggle first.
    connect(Ster, &QAction::triggered, this, [this](bool checked) {
        Ster->setChecked(!checked);
        Ster_Click();
    });
    connect(Uroven, &QAction::triggered, this, [this](bool checked) {
        Uroven->setChecked(!checked);
        Uroven_Click();
    });
    connect(Spektr, &QAction::triggered, this, [this](bool checked) {
        Spektr->setChecked(!checked);
        Spektr_Click();
    });
    connect(TimeMenu, &QAction::triggered, this, [this] { TimeMenu_Click(); });
    connect(SpravMenu, &QAction::triggered, this, [this] { SpravMenu_Click(); });
    connect(OProgMenu, &QAction::triggered, this, [this] { OProgMenu_Click(); });
    connect(Quit, &QAction::triggered, this, [this] { Quit_Click(); });

    connect(RasTime, &VbComboBox::Click, this, [this] { RasTime_Click(); });
    connect(U1, &VbComboBox::Click, this, [this] { U1_Click(); });
    connect(U2, &VbComboBox::Click, this, [this] { U2_Click(); });
    connect(VScroll1, &VbScrollBar::Change, this, [this] { VScroll1_Change(); });
    connect(VScroll2, &VbScrollBar::Change, this, [this] { VScroll2_Change(); });
    connect(HScroll1, &VbScrollBar::Change, this, [this] { HScroll1_Change(); });

    connect(Timer1, &QTimer::timeout, this, [this] { refreshTick(); });
    connect(passDue_, &QTimer::timeout, this, [this] {
        if (Timer1->isActive())
            refreshTick();
    });
    connect(FrameTimer, &FrameClock::timeout, this, [this] { frameTick(); });
    connect(TimerIndikator, &QTimer::timeout, this, [this] { TimerIndikator_Timer(); });
    connect(Timer3, &QTimer::timeout, this, [this] { Timer3_Timer(); });
}

double Pribor::nonClientHeightPx() const
{
    // Qt's window geometry already holds the menu bar.
    return kNonClientHeightPx - menuBar()->sizeHint().height();
}

QRect Pribor::boundsPx() const
{
    return QRect(pos(), size());
}

bool Pribor::sameAsSet(const QRect &px) const
{
    // With fractional scaling (a device pixel ratio such as 1.15 for
    // 110 dpi) the window system places the window in device pixels and Qt
    // reports it back rounded, a pixel off either way; taken as a move it
    // crept one pixel per session.
    const double ratio = devicePixelRatioF();
    const int slack = ratio == std::floor(ratio) ? 0 : 1;
    return std::abs(px.x() - setPx_.x()) <= slack && std::abs(px.y() - setPx_.y()) <= slack
           && std::abs(px.width() - setPx_.width()) <= slack && std::abs(px.height() - setPx_.height()) <= slack;
}

double Pribor::LeftTw() const
{
    return sameAsSet(boundsPx()) ? setTw_[0] : Twips::FromPixels(pos().x());
}

double Pribor::TopTw() const
{
    return sameAsSet(boundsPx()) ? setTw_[1] : Twips::FromPixels(pos().y());
}

double Pribor::WidthTw() const
{
    return sameAsSet(boundsPx()) ? setTw_[2] : Twips::FromPixels(width() + kNonClientWidthPx);
}

double Pribor::HeightTw() const
{
    return sameAsSet(boundsPx()) ? setTw_[3] : Twips::FromPixels(int(height() + nonClientHeightPx()));
}

void Pribor::SetBoundsTw(double left, double top, double width, double height)
{
    const QRect px(Twips::ToPixels(left), Twips::ToPixels(top),
                   std::max(1, Twips::ToPixels(width) - kNonClientWidthPx),
                   std::max(1, int(Twips::ToPixels(height) - nonClientHeightPx())));
    // The resize notification of a shown window arrives inside resize();
    // the layout it runs must already read the twips being set.
    setTw_[0] = left;
    setTw_[1] = top;
    setTw_[2] = width;
    setTw_[3] = height;
    setPx_ = px;
    move(px.topLeft());
    resize(px.size());
    setPx_ = boundsPx();
}

void Pribor::NormalBoundsTw(double &left, double &top, double &width, double &height) const
{
    if (WindowStateVb() == 0) {
        left = LeftTw();
        top = TopTw();
        width = WidthTw();
        height = HeightTw();
        return;
    }
    // Neither Qt's normalGeometry() nor the frame of a maximized window says
    // where the normal frame stood (a window started maximized has never had
    // one, and deriving it drifted by the title bar's height every session):
    // the bounds seen in the normal state, or else those given, are.
    const QRect px = normalSeen_ ? normalPx_ : setPx_;
    if (sameAsSet(px)) {
        left = setTw_[0];
        top = setTw_[1];
        width = setTw_[2];
        height = setTw_[3];
        return;
    }
    left = Twips::FromPixels(px.x());
    top = Twips::FromPixels(px.y());
    width = Twips::FromPixels(px.width() + kNonClientWidthPx);
    height = Twips::FromPixels(int(px.height() + nonClientHeightPx()));
}

void Pribor::noteNormalBounds()
{
    if (!isVisible() || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const QRect now = boundsPx();
    if (normalSeen_ && now == normalPx_)
        return;
    previousNormalPx_ = normalSeen_ ? normalPx_ : setPx_;
    normalPx_ = now;
    normalSeen_ = true;
}

int Pribor::ClientHeightPx() const
{
    return height() - menuBar()->sizeHint().height();
}

int Pribor::WindowStateVb() const
{
    if (windowState() & Qt::WindowMinimized)
        return 1;
    if (windowState() & Qt::WindowMaximized)
        return 2;
    return 0;
}

void Pribor::SetWindowStateVb(int state)
{
    switch (state) {
    case 1: setWindowState(Qt::WindowMinimized); break;
    case 2: setWindowState(Qt::WindowMaximized); break;
    default: setWindowState(Qt::WindowNoState); break;
    }
}

void Pribor::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void Pribor::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    noteNormalBounds();
    Form_Resize();
}

void Pribor::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    noteNormalBounds();
}

void Pribor::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Minimizing and restoring change no size but the layout must see them.
    if (event->type() == QEvent::WindowStateChange) {
        // A window manager may announce the maximized size before the state:
        // that size, noted as if normal, is not the normal one.
        const auto *change = static_cast<QWindowStateChangeEvent *>(event);
        const bool wasNormal = !(change->oldState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
        if (wasNormal && WindowStateVb() != 0 && normalSeen_ && normalPx_ == boundsPx())
            normalPx_ = previousNormalPx_;
        Form_Resize();
    }
}
