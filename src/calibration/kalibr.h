// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The calibration dialog: per channel, the factor from nominal to real
// volts, typed in or worked out from a known signal on screen ("this
// signal is 1 V peak-to-peak"). Loaded and shown modally, like the
// program's other dialogs; the caller reads the factors after OK.
#include <QDialog>

class QLabel;
class QLineEdit;

class Kalibr : public QDialog {
    Q_OBJECT
public:
    explicit Kalibr(QWidget *parent = nullptr);

    // `peakToPeakUnits` is what the screen measures on that channel in raw
    // units (0: nothing measured; the known-signal way is then disabled).
    void SetChannel(int channel, double factor, double peakToPeakUnits);
    // The factor in the channel's field, read in the user's locale (a field
    // left as shown gives back the exact factor); 1 for what does not read
    // as one.
    double Factor(int channel) const;

    // Works out channel's factor from the known peak-to-peak typed for it.
    // False (and a message) when that cannot be done.
    bool FromKnown(int channel);

    QLineEdit *FactorEdit[2];
    QLineEdit *KnownEdit[2];
    QLabel *Measured[2];

private:
    void showFactor(int c, double factor);

    double peakToPeak_[2] = {0, 0};
    // The factor behind each field's text: six digits are shown, and a
    // field left as shown gives back the factor itself, not its rounding.
    double shownFactor_[2] = {1, 1};
    QString shownText_[2];
};
