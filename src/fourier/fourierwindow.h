// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The spectrum window: what frequencies the screen holds. A floating tool
// window beside the main window, fed on every redraw while it is open with
// a stretch of the file around the screen; it changes nothing else.
#include "analysis/fourier.h"

#include <QByteArray>
#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;
class QTimer;
class SpectrumPlot;
class SpectrumWindow;

// The parts of the main window the spectrum window works with, so that it
// never includes the window's header.
struct SpectrumHost {
    QWidget *window = nullptr;  // its parent, beside which it first appears
    QAction *menuItem = nullptr;  // Spektr: unchecked when the window goes
    // The main window's left and top in twips.
    std::function<double()> leftTw, topTw;
    // The window goes: the main window lets go of it.
    std::function<void(SpectrumWindow *)> released;
};

class SpectrumWindow : public QWidget {
    Q_OBJECT
public:
    explicit SpectrumWindow(SpectrumHost host);
    ~SpectrumWindow() override;

    QComboBox *SizeBox, *WindowBox, *UnitsBox, *ScaleBox, *AveragingBox;
    QSpinBox *AveragesBox;
    QCheckBox *PeakHoldBox;
    QPushButton *ResetButton;
    QLabel *ReadoutLeft, *ReadoutRight, *Info;
    SpectrumPlot *Plot;
    Spectrum::Analyzer Analyzer;

    // Reads up to one transform's length of the 16-bit file `path` around
    // the screen that starts at byte `screenStart` (1-based) and spans
    // `screenBytes`, within the samples from `dataStart` on, and shows its
    // spectrum. A stretch that cannot be read leaves the last one shown.
    void Analyse(const QString &path, int64_t screenStart, int32_t screenBytes, int64_t dataStart, int channels,
                 int32_t sampleRate);
    // The same for the newest samples in memory (interleaved 16-bit, up to
    // one transform's length from the end of `bytes`): the live picture at
    // display rate, which writes no screen to a file.
    void AnalyseNewest(const char *data, qint64 bytes, int channels, int32_t sampleRate);

    // The volts a channel's full scale stands for, for levels in dBV.
    static double VoltsPerFullScale(int channel);

    // Puts the window at its stored place (or beside the main window) and shows it.
    void PlaceAndShow();
    // Stores place and choices, unchecks the menu item and lets the window go.
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void applyChoices();
    void analyse(const char *data, qint64 bytes, int channels, int32_t sampleRate);
    void showResult();
    void storeSettings();
    SpectrumHost host_;
    // The newest stretch given while the transform's plan was being made.
    QByteArray pending_;
    int pendingChannels_ = 0;
    int32_t pendingRate_ = 0;
    QTimer *planWait_ = nullptr;
    static constexpr int kPlanPollMs = 5;
    bool unloaded_ = false;
    bool loading_ = true;
};
