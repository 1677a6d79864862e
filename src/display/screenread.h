// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading one screen of samples: how many bytes a screen spans, where the
// view stands in the file (kept in step with HScroll1), and the one block
// read per redraw. The whole recording is never held in memory.
#include "app/scopestate.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class VbScrollBar;

namespace ScreenRead {

struct ScreenSize {
    int32_t framesPerScreen = 0;  // SampleRate / W, rounded half to even
    int32_t wordCount = 0;        // channels × frames + 4 words; a screen spans 2 × wordCount bytes
};
// `screensPerSecond` is the sweep's item data W.
ScreenSize SizeFor(int32_t sampleRate, int screensPerSecond, int channels);

enum class Outcome {
    Swallowed,    // the HScroll1 change was the program's own: nothing to do
    RepaintOnly,  // neither position nor sweep changed: redraw from the buffers
    Read,         // read a screen at `start`
};
struct Position {
    Outcome outcome = Outcome::Read;
    int64_t start = 0;
};

// Bytes of the file up to the end of its samples: what the view may reach.
int64_t EndOfSamples(const ScopeState &st);

// Moves the view by how far `bar` moved since the last repositioning: one
// step = one division, ten steps = one screen, anything else = where the
// thumb was dragged (the first step being the first screen); clamps it into the samples and sets the bar to match
// (through SuppressScroll, so the change the bar raises is swallowed).
Position PositionView(ScopeState &st, int32_t wordCount, int screensPerSecond, int sweepIndex, VbScrollBar &bar);

struct ReadPlan {
    int64_t position = 0;  // 1-based, DataStart plus a multiple of 4
    int32_t length = 0;    // bytes to read
};
// Shortens the read at the end of the file and aligns it to 4-byte frames.
ReadPlan PlanRead(const ScopeState &st, int64_t start, int32_t wordCount);

// Reads `length` bytes at the 1-based `position` of the file (fewer at its
// end) in one read. Raises the program's error numbers: 63 for a position
// below 1, 53/55/57/70... for the file's failures.
QByteArray ReadBlock(const QString &path, int64_t position, int32_t length);

// Blocks read since the program started (lets tests see that a redraw did
// or did not go to the disk).
int ReadCount();

}  // namespace ScreenRead
