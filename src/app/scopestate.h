// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's shared members: what is loaded, where the view stands
// and the mode flags. Subsystems read and write them through Pribor::st.
#include <QString>
#include <cstdint>
#include <vector>

struct ScopeState {
    QString FlName;               // path of the oscillogram shown (normally the working file)
    // The file the picture came from, as the user named it in the open or
    // save dialog: the window's title names it. Empty for live capture and
    // for a recording not yet saved.
    QString ShownAs;
    // Positions are 64-bit: a WAV file may be up to 4 GB long.
    int64_t FileLength = 0;       // bytes
    int64_t SampleEnd = 0;        // bytes up to the end of the samples (0: the whole file)
    int32_t SampleRate = 0;       // frames per second; 0 = nothing loaded
    int32_t DataStart = 0;        // 1-based position of the first sample byte
    // 1-based position of the file's true first sample, as its data chunk
    // has it: time 0 of the cursors and of the CSV. DataStart, which the
    // screen is read from, lies a frame or two further in.
    int64_t SampleOrigin = 0;
    int32_t ScrollUnit = 0;       // file bytes per step of HScroll1
    int64_t ViewStart = 0;        // 1-based position of the displayed stretch
    int16_t LastScrollValue = 0;
    int16_t LastSweepIndex = 0;
    uint8_t Channels = 0;         // 1 or 2, as the display reads frames

    bool TwoBeam = false;
    bool SubtractMode = false;
    bool CaptureRunning = false;
    bool ForceReposition = false;
    bool SuppressScroll = false;
    bool SweepForced = false;
    bool Decimated = false;
    bool StopRecordingOnClose = false;
    bool Unloading = false;
    bool LayoutArmed = false;
    // A redraw failed, or the file shown was refused: redraws draw and say
    // nothing until a file is opened or capture runs, so a failure that
    // would repeat on every redraw is reported once.
    bool DisplayHeld = false;

    float CaptureLengthFactor = 0.0f;
    float PassStart = 0.0f;

    // Display buffers: points 0..PointCount are drawn.
    std::vector<int32_t> LeftBuffer;
    std::vector<int32_t> RightBuffer;
    int16_t PointCount = 0;
    // What the buffers hold besides the samples read: how many frames past
    // the read position their first point lies (a trigger placed to a
    // fraction of a frame), and the mean taken out of each channel's
    // points to centre the picture (setting F0), in sample units.
    double BufferShiftFrames = 0;
    int32_t MeanRemoved[2] = {0, 0};
    // A stopped view paged to a trigger: the read position and sweep index
    // it was placed for, and the frames its screen is shifted by from there.
    int64_t TriggerViewAt = -1;
    int16_t TriggerViewSweep = -1;
    double TriggerViewShift = 0;
};

// Program-wide flags, shared by several windows.
namespace Globals {
inline bool CenterBeams = true;  // setting "F0"
inline bool Sample48k = false;   // setting "Disktet48"
// Live picture at display rate: each frame shows the newest samples the
// capture stream holds, instead of a pass saved by the refresh timer.
// Setting "DisplayRate" of section "Display"; off unless chosen.
inline bool DisplayRate = false;
}  // namespace Globals
