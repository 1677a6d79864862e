// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The arithmetic of the level window, kept apart from its widgets: peak
// level of a screenful of samples in dB above one quantum, its caption, and
// the horizontal scale of the bar picture.
#include <QString>
#include <cstdint>
#include <vector>

namespace LevelMeter {

struct Peak {
    float level = 0;       // 20·log10(peak), 0 .. 90.309
    bool clipped = false;  // a sample reached full scale (-32768)
};

// Largest magnitude among samples[0..last]. Indexes past the end of the
// buffer are not read; an empty stretch counts as silence.
Peak PeakLevel(const std::vector<int32_t> &samples, int32_t last);

// "-90,3 дБ": the distance of the level below full scale, one decimal,
// the user's decimal separator.
QString LevelText(float level);

// Width of the scale for a visible span of spanDb dB, with the small
// allowance that keeps the rightmost tick and label inside the picture.
double ScaleWidthFor(int spanDb);

// Label of tick index d (0..9): "-90" .. "-10", "0".
QString TickLabel(int d);

}  // namespace LevelMeter
