// SPDX-License-Identifier: GPL-3.0-or-later
#include "generator/generatorwindow.h"

#include "acquisition/soundoutput.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// In the order of SignalGen::Shape.
const char *const kShapes[] = {"Синус", "Меандр", "Треугольник", "Пила", "Белый шум", "Розовый шум",
                               "Качание частоты", "Импульсы"};

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

}  // namespace

GeneratorWindow::GeneratorWindow(QWidget *owner, const QString &output)
    : QWidget(owner, Qt::Tool), output_(std::make_unique<SoundOutput>(48000)), outputName_(output)
{
    setObjectName(QStringLiteral("Generator"));
    setWindowTitle(QStringLiteral("Генератор"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    row->addWidget(buildChannel(0));
    row->addWidget(buildChannel(1));
    layout->addLayout(row);
    state = new QLabel;
    state->setTextFormat(Qt::PlainText);  // the server's own words may follow
    state->setWordWrap(true);
    layout->addWidget(state);
    watch_ = new QTimer(this);
    watch_->setInterval(250);
    connect(watch_, &QTimer::timeout, this, [this] { showState(); });
    for (int ch = 0; ch < 2; ++ch)
        apply(ch);
    showState();
}

GeneratorWindow::~GeneratorWindow() = default;

QWidget *GeneratorWindow::buildChannel(int ch)
{
    Channel &c = channels[ch];
    auto *box = new QGroupBox(ch == 0 ? QStringLiteral("Выход 1 (левый)") : QStringLiteral("Выход 2 (правый)"));
    auto *form = new QFormLayout(box);
    c.on = new QCheckBox(QStringLiteral("Включён"));
    c.shape = new QComboBox;
    for (const char *s : kShapes)
        c.shape->addItem(QString::fromUtf8(s));
    c.frequency = spin(0.1, 24000, 1000, 1, QStringLiteral(" Гц"));
    c.level = spin(-100, 0, -20, 1, QStringLiteral(" дБFS"));
    c.offset = spin(-100, 100, 0, 1, QStringLiteral(" %"));
    c.duty = spin(0, 100, 50, 1, QStringLiteral(" %"));
    c.sweepTo = spin(0.1, 24000, 20000, 1, QStringLiteral(" Гц"));
    c.sweepSeconds = spin(0.1, 3600, 10, 1, QStringLiteral(" с"));
    c.pulseWidth = spin(0.02, 10000, 1, 2, QStringLiteral(" мС"));
    c.pulsePeriod = spin(0.04, 100000, 10, 2, QStringLiteral(" мС"));
    form->addRow(c.on);
    form->addRow(QStringLiteral("Форма:"), c.shape);
    form->addRow(QStringLiteral("Частота:"), c.frequency);
    form->addRow(QStringLiteral("Уровень:"), c.level);
    form->addRow(QStringLiteral("Смещение:"), c.offset);
    form->addRow(QStringLiteral("Заполнение:"), c.duty);
    form->addRow(QStringLiteral("Качание до:"), c.sweepTo);
    form->addRow(QStringLiteral("за:"), c.sweepSeconds);
    form->addRow(QStringLiteral("Импульс:"), c.pulseWidth);
    form->addRow(QStringLiteral("Период:"), c.pulsePeriod);
    if (ch == 1) {
        c.phase = spin(-180, 180, 0, 1, QStringLiteral("°"));
        c.phase->setToolTip(QStringLiteral("Сдвиг фазы выхода 2 относительно выхода 1"));
        form->addRow(QStringLiteral("Фаза:"), c.phase);
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
            state->setText(QStringLiteral("Генератор не запущен: ") + error + QLatin1Char('.'));
        else
            watch_->start();
    }
    showState();
}

void GeneratorWindow::showState()
{
    if (!started_)
        return state->setText(state->text().isEmpty() ? QStringLiteral("Включите выход, чтобы генератор заиграл.")
                                                       : state->text());
    const QString failed = output_->Failed();
    if (!failed.isEmpty()) {
        watch_->stop();
        started_ = false;
        state->setText(QStringLiteral("Генератор остановлен: ") + failed + QLatin1Char('.'));
        return;
    }
    const QString where = outputName_.isEmpty() ? QStringLiteral("выход по умолчанию") : outputName_;
    state->setText(output_->Playing() ? QStringLiteral("Звучит: ") + where
                                      : QStringLiteral("Подключение к звуковому серверу…"));
}

void GeneratorWindow::closeEvent(QCloseEvent *event)
{
    output_->Stop();
    emit closed();
    event->accept();
}
