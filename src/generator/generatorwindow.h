// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// «Генератор»: a floating window over the main one, like the level window,
// that plays a waveform on each of the sound output's two channels while
// the scope goes on capturing. Its arithmetic is SignalGen's; this is only
// the controls and the stream's state.
#include "analysis/signalgen.h"

#include <QWidget>
#include <memory>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class OutputBox;
class QLabel;
class QPushButton;
class QTimer;
class SoundOutput;

class GeneratorWindow : public QWidget {
    Q_OBJECT
public:
    // `output`: the server's sink name, empty for the default output.
    explicit GeneratorWindow(QWidget *owner, const QString &output = QString());
    ~GeneratorWindow() override;

    struct Channel {
        QCheckBox *on = nullptr;
        QComboBox *shape = nullptr;
        QDoubleSpinBox *frequency = nullptr, *level = nullptr, *offset = nullptr, *duty = nullptr;
        QDoubleSpinBox *sweepTo = nullptr, *sweepSeconds = nullptr, *pulseWidth = nullptr, *pulsePeriod = nullptr;
        QDoubleSpinBox *phase = nullptr;  // channel 2 only
    };
    Channel channels[2];
    QLabel *state = nullptr;
    OutputBox *output = nullptr;
    QPushButton *response = nullptr;  // opens «АЧХ и ФЧХ»

    // What the controls of a channel say, as the oscillator takes it.
    SignalGen::Wave WaveOf(int channel) const;
    const SoundOutput &Output() const { return *output_; }

signals:
    void closed();
    void responseWanted();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildChannel(int channel);
    void apply(int channel);
    void showState();
    // The controls as they were when the window last closed (section "Generator").
    void restore();
    void save() const;
    static std::vector<std::pair<QDoubleSpinBox *, const char *>> boxes(const Channel &c);

    std::unique_ptr<SoundOutput> output_;
    QString outputName_;
    bool started_ = false;
    QTimer *watch_ = nullptr;
};
