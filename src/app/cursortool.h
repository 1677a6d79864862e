// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cursors with readouts: two at times, two at voltages of one channel,
// dragged with the mouse or moved with the keys, drawn over the traces.
// The arithmetic is in analysis/cursors; this class wires it to the window.
#include "analysis/cursors.h"
#include "app/toolhost.h"
#include "display/screenreaders.h"
#include "export/scene.h"

#include <QObject>
#include <QStringList>

class MathTool;

class CursorTool : public QObject, public ScreenReader {
    Q_OBJECT
public:
    // `tracesHidden`: whether another feature draws instead of the traces,
    // which the cursors then leave alone.
    CursorTool(const ToolHost &host, std::function<bool()> tracesHidden, QObject *parent);

    enum Cursor { Time1, Time2, Volt1, Volt2 };
    bool CursorsShown() const;
    void SetCursorsShown(bool on);
    void SetCursor(Cursor c, double value);  // seconds or volts
    double CursorValue(Cursor c) const { return value_[c]; }
    void SelectCursor(Cursor c) { selected_ = c; }
    // The computed trace, which the voltage cursors may measure.
    void SetMath(const MathTool *math) { math_ = math; }
    int VoltChannel() const;  // 0 first channel, 1 second, 2 the computed trace M
    Cursors::Readout Readout() const;
    const Cursors::ScreenMap &Map() const { return map_; }
    bool MapValid() const { return mapValid_; }
    QStringList ReadoutLines() const;
    // The cursors and their readout as drawn over the screen.
    Scene Overlay() const;

    void PaintOver(const ScreenFrame &f, Ris &surface) override;

    QAction *CursorsMenu = nullptr, *CursorsOnSecond = nullptr, *CursorsOnMath = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeInitialCursors();

    ToolHost host_;
    const MathTool *math_ = nullptr;
    std::function<bool()> tracesHidden_;
    Cursors::ScreenMap map_;
    bool mapValid_ = false;
    double value_[4] = {0, 0, 0, 0};
    bool placed_ = false;
    Cursor selected_ = Time1;
    bool dragging_ = false;
};
