// SPDX-License-Identifier: GPL-3.0-or-later
#include "levelmeter/scala.h"

#include "app/windowbounds.h"
#include "levelmeter/levelmath.h"
#include "levelmeter/levelpicture.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "platform/vbcolor.h"
#include "platform/vbcontrols.h"
#include "platform/vbrt.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>

#include <cmath>

namespace {

const QString kApp = QStringLiteral("Sigm");
const QString kSection = QStringLiteral("Scala");

// Window frame the stored outer size includes: borders and a tool-window
// caption. The client area is what is left of the outer size.
constexpr int kFrameWidthPx = 8;
constexpr int kFrameHeightPx = 22;

// Design extent the outer size is computed from (twips).
constexpr double kShapeLRight = 6624 + 168;
constexpr double kLabel3Bottom = 1080 + 255;

const QColor kPanel = VbColor(0xFFFFC0);
const QColor kRed = VbColor(0xFF);
const QColor kBlue = VbColor(0xFF0000);
const QColor kBlack = VbColor(0x000000);

void place(QWidget *w, double left, double top, double width, double height)
{
    w->setGeometry(Twips::RectToPixels(left, top, width, height));
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QWidget *makeShape(QWidget *parent, const char *name)
{
    auto *s = new QWidget(parent);
    s->setObjectName(QLatin1String(name));
    s->setAutoFillBackground(true);
    QPalette pal = s->palette();
    pal.setColor(QPalette::Window, kRed);
    s->setPalette(pal);
    s->hide();
    return s;
}

VbScrollBar *makeRangeBar(QWidget *parent, const char *name, int min, int max, int value)
{
    auto *bar = new VbScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QLatin1String(name));
    const QSignalBlocker quiet(bar);
    bar->SetRange(min, max);
    bar->SetSmallChange(1);
    bar->SetLargeChange(1);
    bar->SetValue(value);
    return bar;
}

// A stored position that does not read as a number, or lies beyond any
// screen (100 000 pixels), counts as absent.
double readPosition(const QString &key, double fallback)
{
    const QString text = SettingsStore::GetSetting(kApp, kSection, key, QString());
    if (auto v = vb::ParseNumber(text); v && std::fabs(*v) <= 1.5e6)
        return *v;
    return fallback;
}

int readWhole(const QString &key, int fallback)
{
    const QString text = SettingsStore::GetSetting(kApp, kSection, key, QString::number(fallback));
    if (auto v = vb::ParseNumber(text)) {
        const double r = vb::RoundHalfEven(*v);
        if (r >= -32768 && r <= 32767)
            return int(r);
    }
    return fallback;
}

}  // namespace

// A tool window of the main window: the window manager keeps it above that
// window and with it, but not above every other window on the desktop (nor
// over the spectrum window's controls).
Scala::Scala(LevelHost host) : QWidget(host.window, Qt::Tool), host_(std::move(host))
{
    setObjectName(QStringLiteral("Scala"));
    setWindowTitle(tr("Уровень сигнала (дБ)"));
    // Re-placing the window on every resize of the main window must not
    // take the keyboard away from it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    QFont small = font();
    small.setPointSizeF(8);
    setFont(small);
    const QSize outer = OuterSizePx();
    setFixedSize(outer.width() - kFrameWidthPx, outer.height() - kFrameHeightPx);

    Uroven = new LevelPicture(kPanel, this);
    Uroven->setObjectName(QStringLiteral("Uroven"));
    place(Uroven, 270, 60, 6345, 915);
    HScrollEnd = makeRangeBar(this, "HScrollEnd", 0, 8, 0);
    place(HScrollEnd, 60, 1080, 375, 255);
    HScrollNach = makeRangeBar(this, "HScrollNach", 1, 9, 9);
    place(HScrollNach, 6360, 1080, 375, 255);

    Label3 = makeLabel(this, "Label3", tr("Уровень ЛК"));
    place(Label3, 756, 1080, 1395, 255);
    LabelUrLk = makeLabel(this, "LabelUrLk", QString());
    place(LabelUrLk, 2355, 1080, 915, 255);
    Label4 = makeLabel(this, "Label4", tr("Уровень  ПК"));
    place(Label4, 3465, 1080, 1455, 255);
    LabelUrPk = makeLabel(this, "LabelUrPk", QString());
    place(LabelUrPk, 5130, 1080, 915, 255);
    for (QLabel *l : {LabelUrLk, LabelUrPk}) {
        l->setAutoFillBackground(true);
        QPalette pal = l->palette();
        pal.setColor(QPalette::Window, kPanel);
        pal.setColor(QPalette::WindowText, kRed);
        l->setPalette(pal);
    }
    Label1 = makeLabel(this, "Label1", tr("ЛК"));
    place(Label1, 0, 300, 255, 195);
    Label2 = makeLabel(this, "Label2", tr("ПК"));
    place(Label2, 0, 480, 255, 195);

    ShapeL = makeShape(this, "ShapeL");
    place(ShapeL, 6624, 360, 168, 108);
    ShapeR = makeShape(this, "ShapeR");
    place(ShapeR, 6624, 528, 168, 108);

    // Vertical scale: y = 0 at the top edge, ticks down to y = 16 and one
    // line of text below that; the bars at 7..9 and 11..13 then sit level
    // with the marks "ЛК" and "ПК".
    const int h = Uroven->height();
    const int line = Uroven->fontMetrics().height();
    Uroven->ScaleTop = 0;
    Uroven->ScaleHeight = h > line ? 16.0 * h / (h - line) : 20.0;

    connect(HScrollEnd, &VbScrollBar::Change, this, [this] { HScrollEnd_Change(); });
    connect(HScrollNach, &VbScrollBar::Change, this, [this] { HScrollNach_Change(); });

    Form_Load();
}

Scala::~Scala() = default;

QSize Scala::OuterSizePx()
{
    // Held in int: at high resolutions the height exceeds what 8 bits hold.
    return QSize(Twips::ToPixels(kShapeLRight + 125), Twips::ToPixels(kLabel3Bottom + 370));
}

void Scala::Form_Load()
{
    // While the window is open the live refresh runs every 100 ms.
    SavedInterval = float(host_.refresh->interval());
    forcingPeriod_ = true;
    host_.refresh->setInterval(100);
    forcingPeriod_ = false;
    // A period the operator chooses while the window is open (parameters
    // dialog) is the one to return to when it closes.
    periodWatch_ = host_.refresh->bindableInterval().addNotifier([this] {
        if (!forcingPeriod_ && !unloaded_)
            SavedInterval = float(host_.refresh->interval());
    });

    HScrollNach->SetValue(readWhole(QStringLiteral("Nach"), 9));
    HScrollEnd->SetValue(readWhole(QStringLiteral("End"), 0));
    // The assignments above redraw only when they change a value; the
    // range in force sets the scale either way, and the empty scale shows
    // until the first screen is drawn.
    ApplyScaleRange();
    DrawLevels();
}

void Scala::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    if (SavedInterval == 0)
        SavedInterval = 100;
    host_.refresh->setInterval(int(vb::RoundHalfEven(SavedInterval)));
    host_.menuItem->setChecked(false);
    SettingsStore::Batch batch;
    StorePosition();
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Nach"), QString::number(HScrollNach->Value()));
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("End"), QString::number(HScrollEnd->Value()));
    host_.released(this);
    hide();
    deleteLater();
}

void Scala::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void Scala::StorePosition()
{
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("XPosition"),
                               vb::FormatSingle(Twips::FromPixels(x())));
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("YPosition"),
                               vb::FormatSingle(Twips::FromPixels(y())));
}

void Scala::PlaceTopmost()
{
    const double left = readPosition(QStringLiteral("XPosition"), host_.leftTw() + 400);
    const double top = readPosition(QStringLiteral("YPosition"), host_.topTw() + 1345);
    // Kept where its title bar can be reached, whatever the stored place.
    std::vector<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    const QRect wanted(Twips::ToPixels(left), Twips::ToPixels(top), width(), height());
    move(WindowBounds::Fit(wanted, screens).topLeft());
    // Showing a hidden window brings it to the front already.
    if (isVisible())
        raise();
    else
        show();
}

void Scala::HScrollEnd_Change()
{
    if (HScrollEnd->Value() < HScrollNach->Value()) {
        ApplyScaleRange();
        DrawLevels();
    } else {
        HScrollEnd->SetValue(HScrollNach->Value() - 1);
    }
}

void Scala::HScrollNach_Change()
{
    if (HScrollEnd->Value() < HScrollNach->Value()) {
        ApplyScaleRange();
        DrawLevels();
    } else {
        HScrollNach->SetValue(HScrollEnd->Value() + 1);
    }
}

void Scala::ApplyScaleRange()
{
    SpanDb = uint8_t(10 * (HScrollNach->Value() - HScrollEnd->Value()));
    Uroven->ScaleLeft = 10.0 * HScrollEnd->Value();
    Uroven->ScaleWidth = LevelMeter::ScaleWidthFor(SpanDb);
}

void Scala::UprInd(const std::vector<int32_t> &RigtChanel, const std::vector<int32_t> &LeftChanel, int32_t i,
                   bool Stereo)
{
    const LevelMeter::Peak left = LevelMeter::PeakLevel(LeftChanel, i);
    ShapeL->setVisible(left.clipped);
    LevelLeft = left.level;
    if (Stereo) {
        const LevelMeter::Peak right = LevelMeter::PeakLevel(RigtChanel, i);
        ShapeR->setVisible(right.clipped);
        LevelRight = right.level;
    } else {
        LevelRight = 0;
    }
    DrawLevels();
}

void Scala::DrawLevels()
{
    LevelPicture *p = Uroven;
    p->Cls();
    p->Box(0, 7, LevelLeft, 9, kBlue);
    LabelUrLk->setText(LevelMeter::LevelText(LevelLeft));
    p->Box(0, 11, LevelRight, 13, kBlue);
    LabelUrPk->setText(LevelMeter::LevelText(LevelRight));

    const int first = HScrollEnd->Value();
    const int last = HScrollNach->Value();
    for (int d = first; d <= last; ++d) {
        const QString label = LevelMeter::TickLabel(d);
        const double x = 10.0 * d;
        p->Line(x, 4, x, 16, kBlack);
        for (int k = 1; k <= 9; ++k) {
            if (k == 5)
                p->Line(x - k, 4, x - k, 16, kBlack);
            else
                p->Line(x - k, 6, x - k, 14, kBlack);
        }
        double at;
        if (d == first)
            at = p->ScaleLeft;
        else if (d == last)
            at = p->ScaleLeft + p->ScaleWidth - p->TextWidth(label);
        else
            at = x - p->TextWidth(label) / 2;
        p->Print(label, at, 0, kBlue);
        p->Print(label, at, 16, kBlue);
    }
}
