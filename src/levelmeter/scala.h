// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The level window: peak level of each channel of the screenful just drawn,
// as a bar on a decibel scale, as text and as a clip mark. It floats above
// every other window; while it is open the live refresh runs every 100 ms.
#include <QLabel>
#include <QPropertyNotifier>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class LevelPicture;
class QAction;
class QTimer;
class Scala;
class VbScrollBar;

// The parts of the main window the level window works with, so that it
// never includes the window's header.
struct LevelHost {
    QWidget *window = nullptr;  // its parent, beside which it first appears
    QAction *menuItem = nullptr;  // Uroven: unchecked when the window goes
    QTimer *refresh = nullptr;  // Timer1, the live refresh whose period the window sets
    // The main window's left and top in twips.
    std::function<double()> leftTw, topTw;
    // The window goes: the main window lets go of it.
    std::function<void(Scala *)> released;
};

class Scala : public QWidget {
    Q_OBJECT
public:
    // Builds the window beside its main window and runs the load steps;
    // Pribor::Uroven_Click places and shows it.
    explicit Scala(LevelHost host);
    ~Scala() override;

    // Controls, named as the handlers know them.
    LevelPicture *Uroven;
    VbScrollBar *HScrollEnd, *HScrollNach;
    QLabel *Label3, *LabelUrLk, *Label4, *LabelUrPk, *Label1, *Label2;
    QWidget *ShapeL, *ShapeR;

    float LevelLeft = 0;
    float LevelRight = 0;
    uint8_t SpanDb = 90;
    float SavedInterval = 0;  // ms

    // Levels of elements 0..i of both channels; the right one only when Stereo.
    void UprInd(const std::vector<int32_t> &RigtChanel, const std::vector<int32_t> &LeftChanel, int32_t i,
                bool Stereo);
    void DrawLevels();
    void ApplyScaleRange();
    void HScrollEnd_Change();
    void HScrollNach_Change();

    void Form_Load();
    // Restores the refresh period, unchecks the menu item, stores the
    // window's place and range, and lets the window go. Runs once.
    void Form_Unload();

    // Puts the window at its stored place (or the default beside the main
    // window) with its design size, in front of every window, and shows it.
    void PlaceTopmost();
    // Stores the window's left and top in twips.
    void StorePosition();
    // Outer size the window is given, in pixels.
    static QSize OuterSizePx();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    LevelHost host_;
    bool unloaded_ = false;
    bool forcingPeriod_ = false;
    QPropertyNotifier periodWatch_;
};
