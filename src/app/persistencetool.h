// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Persistence (menu «Послесвечение»): each fresh screen's traces add up
// with those before, fading with the time chosen, and are drawn under the
// newest traces, brighter where they pass more often. The accumulation is
// in analysis/persistence; this class wires it to the window.
#include "analysis/persistence.h"
#include "app/toolhost.h"
#include "display/screenreaders.h"

#include <QElapsedTimer>
#include <QObject>
#include <array>

class MathTool;
class QActionGroup;

class PersistenceTool : public QObject, public ScreenReader {
    Q_OBJECT
public:
    PersistenceTool(const ToolHost &host, const MathTool *math, QObject *parent);
    void Load();  // the stored choice

    double Time() const { return time_; }  // seconds; 0 off, infinity for ever
    void SetTime(double seconds);
    void Clear();
    const Persistence::Buffer &Picture() const { return buffer_; }

    void SamplesRead(const ScreenFrame &f) override;
    void PaintOver(const ScreenFrame &f, Ris &surface) override;
    QString CaptionNote() const override;

    QMenu *PersistenceMenu = nullptr;
    QAction *ClearAct = nullptr;

private:
    ToolHost host_;
    const MathTool *math_;
    QActionGroup *times_ = nullptr;
    double time_ = 0;
    Persistence::Buffer buffer_;
    bool fresh_ = false;
    QElapsedTimer clock_;
    // What the pixels mean: a new scale, position, size or set of traces
    // starts the picture again.
    std::array<double, 16> geometry_{};
    std::vector<double> xs_, ys_;
};
