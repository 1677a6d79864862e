// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/timemen.h"

#include "app/scopestate.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "platform/vbrt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <iterator>

namespace {
const QString kApp = QStringLiteral("Sigm");
const QString kSection = QStringLiteral("Setting");
const QString kDisplaySection = QStringLiteral("Display");
const QString kDisplayRateKey = QStringLiteral("DisplayRate");
const QString kRecordingSection = QStringLiteral("Recording");
const QString kLengthKey = QStringLiteral("Length");
// The classic minute first: it is the default and the only one kept in memory.
constexpr int kLengths[] = {60, 10 * 60, 60 * 60, 10 * 60 * 60, 0};

void place(QWidget *w, double left, double top, double width, double height)
{
    w->setGeometry(Twips::RectToPixels(left, top, width, height));
    // Texts keep their full width whatever the font.
    if (w->sizeHint().width() > w->width())
        w->resize(w->sizeHint().width(), w->height());
}
}  // namespace

int StoredIntervalSeconds(const QString &storedInterval)
{
    const auto v = vb::ParseNumber(storedInterval);
    if (!v)
        return 1;
    const double r = vb::RoundHalfEven(*v);
    return r >= 0 && r <= 10 ? int(r) : 1;
}

bool StoredDisplayRate()
{
    const auto v = vb::ParseBool(SettingsStore::GetSetting(kApp, kDisplaySection, kDisplayRateKey, QStringLiteral("False")));
    return v && *v;
}

const int *RecordingLengths(int *count)
{
    *count = int(std::size(kLengths));
    return kLengths;
}

int StoredRecordingSeconds()
{
    const QString text = SettingsStore::GetSetting(kApp, kRecordingSection, kLengthKey, QString()).trimmed();
    bool ok = false;
    const int seconds = text.toInt(&ok);
    if (ok && std::find(std::begin(kLengths), std::end(kLengths), seconds) != std::end(kLengths))
        return seconds;
    return 60;
}

int RefreshPeriodMs(const QString &storedInterval)
{
    const int seconds = StoredIntervalSeconds(storedInterval);
    return seconds == 0 ? 100 : seconds * 1000;
}

TimeMen::TimeMen(QTimer *timer1, QWidget *parent) : QDialog(parent), timer1_(timer1)
{
    setObjectName(QStringLiteral("TimeMen"));
    setWindowTitle(tr("Параметры"));
    QFont small = font();
    small.setPointSizeF(8);
    setFont(small);
    setFixedSize(Twips::ToPixels(4650), Twips::ToPixels(1875));

    Label1 = new QLabel(tr("Частота обновления осциллограммы (секунды)"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    place(Label1, 180, 0, 4335, 255);

    Slider1 = new QSlider(Qt::Horizontal, this);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setRange(0, 10);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(1);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setTickInterval(1);
    place(Slider1, 120, 240, 4395, 495);

    FiltrF0 = new QCheckBox(tr("Центровка лучей"), this);
    FiltrF0->setObjectName(QStringLiteral("FiltrF0"));
    place(FiltrF0, 120, 840, 1812, 252);

    Dis48 = new QCheckBox(tr("Дискретизация 48 кГц"), this);
    Dis48->setObjectName(QStringLiteral("Dis48"));
    place(Dis48, 120, 1080, 2052, 252);

    DisplayRateBox = new QCheckBox(tr("С частотой экрана"), this);
    DisplayRateBox->setObjectName(QStringLiteral("DisplayRateBox"));
    DisplayRateBox->setToolTip(tr("Живая картина обновляется с частотой экрана по самым свежим "
                                              "отсчётам; период обновления на это время не действует"));
    place(DisplayRateBox, 2400, 840, 2115, 252);

    // Beside the 48 kHz box, in the room the dialog already has, clear of
    // that box whatever the font makes of it; the dialog widens only when
    // the list would not fit otherwise.
    LengthLabel = new QLabel(tr("Запись:"), this);
    LengthLabel->setObjectName(QStringLiteral("LengthLabel"));
    RecordingLength = new QComboBox(this);
    RecordingLength->setObjectName(QStringLiteral("RecordingLength"));
    for (const QString &text : {tr("1 минута"), tr("10 минут"), tr("1 час"),
                                tr("10 часов"), tr("до остановки")})
        RecordingLength->addItem(text);
    RecordingLength->setToolTip(tr("Сколько длится запоминание осциллограммы. Минута держится в памяти; "
                                               "более долгая запись идёт прямо на диск"));
    LengthLabel->setBuddy(RecordingLength);
    {
        // Between the display-rate box above and the OK button below.
        const QRect area = Twips::RectToPixels(2400, 0, 2115, 1440);
        const int top = DisplayRateBox->geometry().bottom() + 2;
        const QRect row(area.left(), top, area.width(), std::min(Twips::ToPixels(330), area.bottom() - 1 - top));
        const int gap = 6;
        const int labelLeft = std::max(row.left(), Dis48->geometry().right() + 1 + gap);
        const int labelWidth = LengthLabel->sizeHint().width();
        LengthLabel->setGeometry(labelLeft, row.top(), labelWidth, row.height());
        const int comboLeft = labelLeft + labelWidth + gap / 2;
        const int comboWidth = std::max(row.right() + 1 - comboLeft, RecordingLength->sizeHint().width());
        RecordingLength->setGeometry(comboLeft, row.top(), comboWidth, row.height());
        const int needed = comboLeft + comboWidth + (width() - row.right() - 1);
        if (needed > width())
            setFixedSize(needed, height());
    }

    OKBiton = new QPushButton(QStringLiteral("OK"), this);
    OKBiton->setObjectName(QStringLiteral("OKBiton"));
    OKBiton->setGeometry(Twips::RectToPixels(1980, 1440, 732, 375));

    Form_Load();

    connect(Slider1, &QSlider::valueChanged, this, [this] { Slider1_Change(); });
    // The slider has no scale of its own: its value is said in its tip, and
    // beside the handle while it moves.
    showPeriod();
    connect(Slider1, &QSlider::valueChanged, this, [this] {
        showPeriod();
        if (Slider1->isVisible()) {
            QStyleOptionSlider o;
            o.initFrom(Slider1);
            o.minimum = Slider1->minimum();
            o.maximum = Slider1->maximum();
            o.sliderPosition = Slider1->value();
            o.orientation = Slider1->orientation();
            const QRect handle = Slider1->style()->subControlRect(QStyle::CC_Slider, &o, QStyle::SC_SliderHandle, Slider1);
            QToolTip::showText(Slider1->mapToGlobal(handle.topLeft()), Slider1->toolTip(), Slider1);
        }
    });
    connect(FiltrF0, &QCheckBox::clicked, this, [this] { FiltrF0_Click(); });
    connect(Dis48, &QCheckBox::clicked, this, [this] { Dis48_Click(); });
    connect(DisplayRateBox, &QCheckBox::clicked, this, [this] { DisplayRateBox_Click(); });
    connect(OKBiton, &QPushButton::clicked, this, [this] { OKBiton_Click(); });
}

void TimeMen::Form_Load()
{
    // Showing the stored value must not change the running period: the
    // change handler is connected only after loading.
    Slider1->setValue(StoredIntervalSeconds(SettingsStore::GetSetting(kApp, kSection, QStringLiteral("Interval"),
                                                                      QStringLiteral("1"))));
    ChosenInterval = Slider1->value() == 0 ? 0.1f : float(Slider1->value());
    FiltrF0->setChecked(Globals::CenterBeams);
    Dis48->setChecked(Globals::Sample48k);
    DisplayRateBox->setChecked(Globals::DisplayRate);
    const int seconds = StoredRecordingSeconds();
    RecordingLength->setCurrentIndex(int(std::find(std::begin(kLengths), std::end(kLengths), seconds) - kLengths));
}

void TimeMen::showPeriod()
{
    const int v = Slider1->value();
    Slider1->setToolTip(tr("Период обновления: %1 с")
                            .arg(v == 0 ? QLocale().toString(0.1, 'f', 1) : QString::number(v)));
}

void TimeMen::Slider1_Change()
{
    ChosenInterval = Slider1->value() == 0 ? 0.1f : float(Slider1->value());
    timer1_->setInterval(vb::CLng(double(ChosenInterval) * 1000.0));
}

void TimeMen::FiltrF0_Click()
{
    Globals::CenterBeams = FiltrF0->isChecked();
}

void TimeMen::Dis48_Click()
{
    Globals::Sample48k = Dis48->isChecked();
}

void TimeMen::DisplayRateBox_Click()
{
    Globals::DisplayRate = DisplayRateBox->isChecked();
}

void TimeMen::OKBiton_Click()
{
    if (ChosenInterval < 1)
        ChosenInterval = 0;
    SettingsStore::Batch batch;
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Interval"), QString::number(int(ChosenInterval)));
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("F0"), vb::BoolText(Globals::CenterBeams));
    SettingsStore::SaveSetting(kApp, kSection, QStringLiteral("Disktet48"), vb::BoolText(Globals::Sample48k));
    // Stored only once chosen, so a settings file that never had it stays as it was.
    if (Globals::DisplayRate != StoredDisplayRate()
        || !SettingsStore::GetSetting(kApp, kDisplaySection, kDisplayRateKey, QString()).isEmpty())
        SettingsStore::SaveSetting(kApp, kDisplaySection, kDisplayRateKey, vb::BoolText(Globals::DisplayRate));
    const int length = kLengths[std::max(0, RecordingLength->currentIndex())];
    if (length != StoredRecordingSeconds()
        || !SettingsStore::GetSetting(kApp, kRecordingSection, kLengthKey, QString()).isEmpty())
        SettingsStore::SaveSetting(kApp, kRecordingSection, kLengthKey, QString::number(length));
    accept();
}
