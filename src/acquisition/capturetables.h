// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The numbers live capture and memory recording are built on, as functions of
// the front panel so they can be checked without a sound device.
#include <QString>
#include <cstdint>

namespace Capture {

struct Format {
    int32_t sampleRate;
    QString templateName;  // e.g. "\Sound\sigm-44-16-stereo.wav", below the program folder
};

// Live capture: the rate follows the sweep index, the channels the two-beam check mark.
Format LiveFormat(int sweepIndex, bool stereo, bool sample48k);
// Memory recording: 44.1 kHz (48 kHz when asked), whatever the sweep.
Format MemoryFormat(bool stereo, bool sample48k);

// Length in ms of the synchronous first pass: 1000 / item data + 20.
int32_t FirstPassMs(int sweepItemData);
// Minimum length in ms of a pass before a refresh tick saves it.
int32_t PassLimitMs(float captureLengthFactor, int sweepItemData);
// Offset added to 51 for the read position of a refresh.
int32_t ReadOffset(int sweepItemData, bool twoBeam);

// Full path of a template below the program folder.
QString TemplatePath(const QString &templateName);

}  // namespace Capture
