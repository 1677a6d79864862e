// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parts of the main window that the features beyond the front panel
// (cursors, exports, X-Y, the input menu) work with, handed to them when
// the window builds them. They see these and nothing else of the window,
// so a feature never includes the window's header.
#include <QStringList>
#include <cstdint>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QWidget;
class Ris;
class VbComboBox;
class VbScrollBar;
struct ScopeState;

struct ToolHost {
    QWidget *window = nullptr;
    const ScopeState *st = nullptr;
    Ris *surface = nullptr;
    QMenu *fileMenu = nullptr, *setupMenu = nullptr;
    QAction *quit = nullptr;  // file menu items go above it
    VbComboBox *sweep = nullptr, *sensitivity1 = nullptr, *sensitivity2 = nullptr;  // RasTime, U2, U1
    VbScrollBar *position1 = nullptr, *position2 = nullptr;                          // VScroll2, VScroll1
    QLabel *startTime = nullptr, *endTime = nullptr;                                 // nachalo, konec
    // A stopped screen drawn again with the features' new state (while
    // capturing, the next refresh draws with it).
    std::function<void()> repaint;
    // A stopped screen read again and drawn (its samples are wanted anew,
    // or the strip of readings changes its height).
    std::function<void()> reread;
    // A stopped file's view paged to the 1-based byte `position` (one
    // screen read), and the window laid out anew (a strip came or went).
    std::function<void(int64_t position)> pageTo;
    std::function<void()> relayout;
    // What the features add to a picture's caption (see ScreenReader::CaptionNote).
    std::function<QStringList()> captionNotes;
    // Capture: stop and start as the buttons do, end after a failure, and
    // whether a recording to memory runs (its input is kept).
    std::function<void()> stopCapture, startCapture, endCaptureAfterFailure;
    std::function<bool()> recordingToMemory;
};
