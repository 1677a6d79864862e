// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one screen is, as the display publishes it to the features that
// read it (cursors, X-Y, exports, the spectrum, the readings under the
// screen): plain data, no widgets. See display/screenreaders.h for when
// it is published.
#include "analysis/cursors.h"

#include <QByteArrayView>
#include <cstdint>

struct ScreenFrame {
    // The interleaved 16-bit frames the screen is drawn from. A view, valid
    // only during the call: a reader that needs them later copies them.
    // Empty when a screen is only painted again from the buffers.
    QByteArrayView samples;
    int channels = 1;
    int32_t sampleRate = 0;
    int sweep = 0;  // the sweep's item data: screens per second

    // Where the screen lies: the frame of the recording it starts at and
    // how many frames it shows. A screen read from the file shown also
    // says the 1-based byte it was read from and the bytes of one screen;
    // a frame from the capture stream has no file position.
    int64_t firstFrame = 0;
    int64_t frameCount = 0;
    int64_t filePosition = 0;
    int32_t fileBytes = 0;
    bool live = false;      // capture runs
    bool streamed = false;  // the samples are the capture stream's memory, which moves on
    // A frame from the capture stream: the frame of the stream (counted
    // from the start of capture) the screen starts at, and the stream's
    // samples just before the screen that came with it, as many as the
    // readers asked for (ScreenReader::LeadFrames), fewer at its start.
    // -1 and empty for a screen read from a file.
    int64_t streamFrame = -1;
    QByteArrayView lead;

    // The picture: points across, whether the traces were drawn (a reader
    // may draw instead of them), and pixels ↔ seconds and volts per channel
    // with the calibration. The time part of the map is valid only with a
    // rate and a sweep (mapValid); sensitivities and positions always are,
    // and the volts per unit of the channels in a screen of fresh samples too.
    int32_t points = 0;
    bool tracesDrawn = true;
    Cursors::ScreenMap map;
    bool mapValid = false;
};
