// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pace of the live picture at display rate: one tick per refresh of the
// screen the window is on. A widget window is given no call per refresh on
// X11 (nor anywhere without a compositor's frame callbacks), so the screen's
// refresh rate sets the period; each tick is timed from the one before's
// due time, not from when it ran, so a 60 Hz screen gets 60 ticks a second
// (a whole-millisecond timer gives 58.8 or 62.5 and beats against it). The
// rate is read at every tick: a window moved to another screen, or a screen
// switched to another mode, is followed at once.
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class QScreen;

class FrameClock : public QObject {
    Q_OBJECT
public:
    // `screen` tells the screen the window is on now (nullptr: none known).
    FrameClock(std::function<const QScreen *()> screen, QObject *parent);
    void start();
    void stop();
    bool isActive() const { return timer_.isActive(); }
    // The refresh period of the window's screen now, in milliseconds.
    double PeriodMs() const;
    // The refresh rate every screen is taken to have, for benchmarks and
    // tests on a display that reports only one (Xvfb has a single mode);
    // 0 reads the screens again.
    static void SetRefreshRateForTesting(double hz);

signals:
    void timeout();

private:
    void tick();
    void schedule();
    std::function<const QScreen *()> screen_;
    QTimer timer_;
    std::chrono::steady_clock::time_point due_;
};
