// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parameters dialog: refresh period, 48 kHz sampling and beam centring.
// Every change acts on the running program at once; only OK stores them.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

class TimeMen : public QDialog {
    Q_OBJECT
public:
    // timer1 is the main window's refresh timer, whose period the slider sets.
    explicit TimeMen(QTimer *timer1, QWidget *parent = nullptr);

    QLabel *Label1;
    QSlider *Slider1;
    QCheckBox *FiltrF0;
    QCheckBox *Dis48;
    QCheckBox *DisplayRateBox;  // live picture at display rate
    QLabel *LengthLabel;
    QComboBox *RecordingLength;  // how long a memory recording runs
    QPushButton *OKBiton;

    float ChosenInterval = 1.0f;  // seconds; 0.1 stands for slider position 0

    void Form_Load();
    void Slider1_Change();
    void FiltrF0_Click();
    void Dis48_Click();
    void DisplayRateBox_Click();
    void OKBiton_Click();

private:
    void showPeriod();
    QTimer *timer1_;
};

// The period in milliseconds a stored "Interval" text stands for: whole
// seconds, 0 meaning 0.1 s; text that is not a whole number 0..10 counts as 1.
int RefreshPeriodMs(const QString &storedInterval);
int StoredIntervalSeconds(const QString &storedInterval);

// The stored choice of the live picture at display rate (section "Display",
// key "DisplayRate"); anything but a stored true is off.
bool StoredDisplayRate();

// The stored length of a memory recording in seconds (section "Recording",
// key "Length"): 60 is the classic minute kept in memory, 0 runs until
// stopped; anything but one of the offered lengths reads as 60.
int StoredRecordingSeconds();
// The offered lengths, in the order of the dialog's list.
const int *RecordingLengths(int *count);
