// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixed contents of the front panel: selector lists with the numbers
// the drawing uses, and the scroll bar ranges.
#include <array>

namespace Panel {

struct Entry {
    const char *text;
    int itemData;
};

// Sweep: item data = screens (10 divisions) per second.
inline constexpr std::array<Entry, 11> kSweep{{
    {"100 мС", 1}, {"50 мС", 2}, {"20 мС", 5}, {"10 мС", 10}, {"5 мС", 20}, {"2 мС", 50},
    {"1 мС", 100}, {"500 мкС", 200}, {"200 мкС", 500}, {"100 мкС", 1000}, {"50 мкС", 2000},
}};

// Sensitivity of the second trace (U1): item data = vertical magnification.
inline constexpr std::array<Entry, 12> kSensitivityU1{{
    {"100 мВ", 1}, {"50 мВ", 2}, {"20 мВ", 5}, {"10 мВ", 10}, {"5 мВ", 20}, {"2 мВ", 50},
    {"1 мВ", 100}, {"500 мкВ", 200}, {"200 мкВ", 500}, {"100 мкВ", 1000}, {"50 мкВ", 2000},
    {"20 мкВ", 5000},
}};

// Sensitivity of the first trace (U2); rows 4 to 6 carry a leading blank.
inline constexpr std::array<Entry, 12> kSensitivityU2{{
    {"100 мВ", 1}, {"50 мВ", 2}, {"20 мВ", 5}, {"10 мВ", 10}, {" 5 мВ", 20}, {" 2 мВ", 50},
    {" 1 мВ", 100}, {"500 мкВ", 200}, {"200 мкВ", 500}, {"100 мкВ", 1000}, {"50 мкВ", 2000},
    {"20 мкВ", 5000},
}};

struct ScrollRange {
    int min, max, smallChange, largeChange, initial;
};
inline constexpr ScrollRange kVerticalBar{32767, -32768, 819, 8192, 0};
inline constexpr ScrollRange kHorizontalBar{1, 11000, 1, 10, 1};

inline constexpr int kDefaultSweepIndex = 9;

}  // namespace Panel
