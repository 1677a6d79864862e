// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// From one block of samples to the display buffers: min/max decimation for
// slow sweeps, one point per frame for middle sweeps, and 2/3/5/9 points per
// frame (cubic or quintic Lagrange interpolation) for the fastest sweeps, so
// the number of points drawn stays near the width of the screen.
#include "app/scopestate.h"

#include <QByteArray>
#include <cstdint>
#include <span>

namespace Traces {

enum class Mode { Decimation, Direct, Upsample };

struct Plan {
    Mode mode = Mode::Direct;
    int factor = 1;           // k: points per frame when upsampling
    int16_t groupFrames = 0;  // D: frames per min/max pair when decimating
    int32_t upperBound = 0;   // highest buffer index
    int16_t pointCount = 0;   // highest index drawn
};

// Chooses the mode and sizes the buffers for a screen of `wordCount` words
// at sweep item data `screensPerSecond`. Raises 6 when a size overflows.
Plan PlanFor(int32_t wordCount, int channels, int32_t sampleRate, int screensPerSecond);

// Fills st.LeftBuffer (and st.RightBuffer with two channels), st.PointCount
// and st.Decimated from `block` (the bytes read, 1-based positions in the
// description of the layout). Slots no sample reached stay 0. An empty block
// gives an empty screen: PointCount 0 and nothing to draw.
void Build(const Plan &plan, const QByteArray &block, int channels, ScopeState &st);

// The points of one trace given frame by frame (a computed trace), as
// Build makes the first channel's from a block of as many frames: the same
// slots for the same frames. `buf` gets plan.upperBound + 1 slots; an empty
// `frames` gives one.
void BuildPoints(const Plan &plan, std::span<const int32_t> frames, std::vector<int32_t> &buf);

// Fills the slots between the known ones (every k-th) of buf[0..h] from the
// window of 4 (k = 2, 3) or 6 (k = 5, 9) known samples centred on each gap,
// or the first / last window near the ends. Nothing happens when fewer than
// the window's known samples were read (`known`) or the buffer is shorter
// than a window.
void Interpolate(std::vector<int32_t> &buf, int k, int32_t h, int32_t known);

// Subtracts the mean of buf[0..pointCount] (summed in single precision,
// rounded to 16 bits) from each of those values, and returns that mean.
int16_t RemoveMean(std::vector<int32_t> &buf, int16_t pointCount);

// Centres both channels' points (the picture without its mean) and keeps
// what was taken out in st.MeanRemoved, so a reading can put it back.
void Centre(ScopeState &st, int channels);

// Frames spanned by a screen's points from the first to the last: one a
// point, 1/k upsampled, half a min/max group decimated.
double FramesAcross(const Plan &plan);

// Buffers built by `built` from a block read with extra frames at its end
// are moved left by `shiftFrames` frames (interpolating between points)
// and cut back to the `shown` plan's points; st.BufferShiftFrames says so.
// An empty screen is left as it is.
void ShiftStart(ScopeState &st, const Plan &built, const Plan &shown, double shiftFrames);

}  // namespace Traces
