// SPDX-License-Identifier: GPL-3.0-or-later
#include "generator/generatorwindow.h"

#include "acquisition/soundoutput.h"
#include "generator/outputbox.h"
#include "platform/settings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// In the order of SignalGen::Shape.
const char *const kShapes[] = {QT_TRANSLATE_NOOP("GeneratorWindow", "Синус"), QT_TRANSLATE_NOOP("GeneratorWindow", "Меандр"), QT_TRANSLATE_NOOP("GeneratorWindow", "Треугольник"), QT_TRANSLATE_NOOP("GeneratorWindow", "Пила"), QT_TRANSLATE_NOOP("GeneratorWindow", "Белый шум"), QT_TRANSLATE_NOOP("GeneratorWindow", "Розовый шум"),
                               QT_TRANSLATE_NOOP("GeneratorWindow", "Качание частоты"), QT_TRANSLATE_NOOP("GeneratorWindow", "Импульсы")};

QDoubleSpinBox *spin(double lo, double hi, double value, int decimals, const QString &suffix)
{
    auto *s = new QDoubleSpinBox;
    s->setRange(lo, hi);
    s->setDecimals(decimals);
    s->setValue(value);
    s->setSuffix(suffix);
    s->setKeyboardTracking(false);  // a value is taken when typed whole, not digit by digit
    return s;
}

// Section "Generator" of the settings, a key per control and channel
// ("Frequency1", "Shape2"…). Whether an output plays is not kept: the
// window always opens silent. A value missing, unreadable or outside its
// control's range leaves the control at its default.
QString key(const char *name, int ch)
{
    return QString::fromLatin1(name) + QString::number(ch + 1);
}

QString stored(const QString &key)
{
    return SettingsStore::GetSetting(QStringLiteral("Sigm"), QStringLiteral("Generator"), key);
}

void store(const QString &key, const QString &value)
{
    SettingsStore::SaveSetting(QStringLiteral("Sigm"), QStringLiteral("Generator"), key, value);
}

}  // namespace

void GeneratorWindow::restore()
{
    for (int ch = 0; ch < 2; ++ch) {
        Channel &c = channels[ch];
        bool ok = false;
        const int shape = stored(key("Shape", ch)).toInt(&ok);
        if (ok && shape >= 0 && shape < c.shape->count())
            c.shape->setCurrentIndex(shape);
        for (auto [box, name] : boxes(c)) {
            const double v = stored(key(name, ch)).toDouble(&ok);  // written in the C locale
            if (box && ok && v >= box->minimum() && v <= box->maximum())
                box->setValue(v);
        }
    }
}

void GeneratorWindow::save() const
{
    SettingsStore::Batch batch;
    for (int ch = 0; ch < 2; ++ch) {
        const Channel &c = channels[ch];
        store(key("Shape", ch), QString::number(c.shape->currentIndex()));
        store(QStringLiteral("Output"), output->Chosen());
        for (auto [box, name] : boxes(c)) {
            if (box)
                store(key(name, ch), QString::number(box->value()));
        }
    }
}

std::vector<std::pair<QDoubleSpinBox *, const char *>> GeneratorWindow::boxes(const Channel &c)
{
    return {{c.frequency, "Frequency"}, {c.level, "Level"},   {c.offset, "Offset"},
            {c.duty, "Duty"},           {c.sweepTo, "SweepTo"}, {c.sweepSeconds, "SweepSeconds"},
            {c.pulseWidth, "PulseWidth"}, {c.pulsePeriod, "PulsePeriod"}, {c.phase, "Phase"}};
}

GeneratorWindow::GeneratorWindow(QWidget *owner, const QString &output)
    : QWidget(owner, Qt::Tool), output_(std::make_unique<SoundOutput>(48000)), outputName_(output)
{
    setObjectName(QStringLiteral("Generator"));
    setWindowTitle(tr("Генератор"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    row->addWidget(buildChannel(0));
    row->addWidget(buildChannel(1));
    layout->addLayout(row);
    auto *where = new QFormLayout;
    this->output = new OutputBox(outputName_.isEmpty() ? stored(QStringLiteral("Output")) : outputName_);
    outputName_ = this->output->Chosen();
    where->addRow(tr("Выход:"), this->output);
    layout->addLayout(where);
    // Another output: the stream starts again there if a channel plays.
    connect(this->output, &QComboBox::currentIndexChanged, this, [this] {
        outputName_ = this->output->Chosen();
        if (started_) {
            output_->Stop();
            watch_->stop();
            started_ = false;
        }
        for (int ch = 0; ch < 2; ++ch)
            apply(ch);
    });
    state = new QLabel;
    state->setTextFormat(Qt::PlainText);  // the server's own words may follow
    state->setWordWrap(true);
    layout->addWidget(state);
    response = new QPushButton(tr("АЧХ и ФЧХ…"));
    connect(response, &QPushButton::clicked, this, [this] { emit responseWanted(); });
    layout->addWidget(response, 0, Qt::AlignLeft);
    watch_ = new QTimer(this);
    watch_->setInterval(250);
    connect(watch_, &QTimer::timeout, this, [this] { showState(); });
    restore();
    for (int ch = 0; ch < 2; ++ch)
        apply(ch);
    showState();
}

GeneratorWindow::~GeneratorWindow() = default;

QWidget *GeneratorWindow::buildChannel(int ch)
{
    Channel &c = channels[ch];
    auto *box = new QGroupBox(ch == 0 ? tr("Выход 1 (левый)") : tr("Выход 2 (правый)"));
    auto *form = new QFormLayout(box);
    c.on = new QCheckBox(tr("Включён"));
    c.shape = new QComboBox;
    for (const char *s : kShapes)
        c.shape->addItem(tr(s));
    c.frequency = spin(0.1, 24000, 1000, 1, tr(" Гц"));
    c.level = spin(-100, 0, -20, 1, tr(" дБFS"));
    c.offset = spin(-100, 100, 0, 1, QStringLiteral(" %"));
    c.duty = spin(0, 100, 50, 1, QStringLiteral(" %"));
    c.sweepTo = spin(0.1, 24000, 20000, 1, tr(" Гц"));
    c.sweepSeconds = spin(0.1, 3600, 10, 1, tr(" с"));
    c.pulseWidth = spin(0.02, 10000, 1, 2, tr(" мС"));
    c.pulsePeriod = spin(0.04, 100000, 10, 2, tr(" мС"));
    form->addRow(c.on);
    form->addRow(tr("Форма:"), c.shape);
    form->addRow(tr("Частота:"), c.frequency);
    form->addRow(tr("Уровень:"), c.level);
    form->addRow(tr("Смещение:"), c.offset);
    form->addRow(tr("Заполнение:"), c.duty);
    form->addRow(tr("Качание до:"), c.sweepTo);
    form->addRow(tr("за:"), c.sweepSeconds);
    form->addRow(tr("Импульс:"), c.pulseWidth);
    form->addRow(tr("Период:"), c.pulsePeriod);
    if (ch == 1) {
        c.phase = spin(-180, 180, 0, 1, QStringLiteral("°"));
        c.phase->setToolTip(tr("Сдвиг фазы выхода 2 относительно выхода 1"));
        form->addRow(tr("Фаза:"), c.phase);
    }
    // Only the fields the chosen form uses are open.
    auto fit = [&c] {
        const auto s = SignalGen::Shape(c.shape->currentIndex());
        const bool periodic = s != SignalGen::Shape::WhiteNoise && s != SignalGen::Shape::PinkNoise &&
                              s != SignalGen::Shape::Pulses;
        c.frequency->setEnabled(periodic);
        c.duty->setEnabled(s == SignalGen::Shape::Square);
        c.sweepTo->setEnabled(s == SignalGen::Shape::Sweep);
        c.sweepSeconds->setEnabled(s == SignalGen::Shape::Sweep);
        c.pulseWidth->setEnabled(s == SignalGen::Shape::Pulses);
        c.pulsePeriod->setEnabled(s == SignalGen::Shape::Pulses);
        if (c.phase)
            c.phase->setEnabled(periodic);
    };
    fit();
    connect(c.shape, &QComboBox::currentIndexChanged, this, [this, ch, fit] {
        fit();
        apply(ch);
    });
    connect(c.on, &QCheckBox::toggled, this, [this, ch] { apply(ch); });
    for (QDoubleSpinBox *s : {c.frequency, c.level, c.offset, c.duty, c.sweepTo, c.sweepSeconds, c.pulseWidth,
                              c.pulsePeriod, c.phase}) {
        if (s)
            connect(s, &QDoubleSpinBox::valueChanged, this, [this, ch] { apply(ch); });
    }
    return box;
}

SignalGen::Wave GeneratorWindow::WaveOf(int ch) const
{
    const Channel &c = channels[ch];
    SignalGen::Wave w;
    w.shape = SignalGen::Shape(c.shape->currentIndex());
    w.frequency = c.frequency->value();
    w.amplitude = SignalGen::AmplitudeOfDbfs(c.level->value());
    w.offset = c.offset->value() / 100;
    w.duty = c.duty->value() / 100;
    w.sweepTo = c.sweepTo->value();
    w.sweepSeconds = c.sweepSeconds->value();
    w.pulseWidth = c.pulseWidth->value() / 1000;
    w.pulsePeriod = c.pulsePeriod->value() / 1000;
    w.phaseDegrees = c.phase ? c.phase->value() : 0;
    return w;
}

void GeneratorWindow::apply(int ch)
{
    output_->Set(ch, WaveOf(ch), channels[ch].on->isChecked());
    // The stream runs from the first channel switched on until the window closes.
    if (!started_ && channels[ch].on->isChecked()) {
        QString error;
        started_ = output_->Start(outputName_, &error);
        if (!started_)
            state->setText(tr("Генератор не запущен: ") + error + QLatin1Char('.'));
        else
            watch_->start();
    }
    showState();
}

void GeneratorWindow::showState()
{
    if (!started_)
        return state->setText(state->text().isEmpty() ? tr("Включите выход, чтобы генератор заиграл.")
                                                       : state->text());
    const QString failed = output_->Failed();
    if (!failed.isEmpty()) {
        watch_->stop();
        started_ = false;
        state->setText(tr("Генератор остановлен: ") + failed + QLatin1Char('.'));
        return;
    }
    const QString where = outputName_.isEmpty() ? tr("выход по умолчанию") : outputName_;
    state->setText(output_->Playing() ? tr("Звучит: ") + where
                                      : tr("Подключение к звуковому серверу…"));
}

void GeneratorWindow::closeEvent(QCloseEvent *event)
{
    output_->Stop();
    save();
    emit closed();
    event->accept();
}
