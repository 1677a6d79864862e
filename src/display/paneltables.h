// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixed contents of the front panel: selector lists with the numbers
// the drawing uses, and the scroll bar ranges.
#include <QCoreApplication>
#include <QString>
#include <array>

namespace Panel {

struct Entry {
    const char *text;
    int itemData;
};

// Sweep: item data = screens (10 divisions) per second.
inline constexpr std::array<Entry, 11> kSweep{{
    {QT_TRANSLATE_NOOP("Panel", "100 мС"), 1}, {QT_TRANSLATE_NOOP("Panel", "50 мС"), 2}, {QT_TRANSLATE_NOOP("Panel", "20 мС"), 5}, {QT_TRANSLATE_NOOP("Panel", "10 мС"), 10},
    {QT_TRANSLATE_NOOP("Panel", "5 мС"), 20}, {QT_TRANSLATE_NOOP("Panel", "2 мС"), 50}, {QT_TRANSLATE_NOOP("Panel", "1 мС"), 100}, {QT_TRANSLATE_NOOP("Panel", "500 мкС"), 200},
    {QT_TRANSLATE_NOOP("Panel", "200 мкС"), 500}, {QT_TRANSLATE_NOOP("Panel", "100 мкС"), 1000}, {QT_TRANSLATE_NOOP("Panel", "50 мкС"), 2000},
}};

// Sensitivity of the second trace (U1): item data = vertical magnification.
inline constexpr std::array<Entry, 12> kSensitivityU1{{
    {QT_TRANSLATE_NOOP("Panel", "100 мВ"), 1}, {QT_TRANSLATE_NOOP("Panel", "50 мВ"), 2}, {QT_TRANSLATE_NOOP("Panel", "20 мВ"), 5}, {QT_TRANSLATE_NOOP("Panel", "10 мВ"), 10},
    {QT_TRANSLATE_NOOP("Panel", "5 мВ"), 20}, {QT_TRANSLATE_NOOP("Panel", "2 мВ"), 50}, {QT_TRANSLATE_NOOP("Panel", "1 мВ"), 100}, {QT_TRANSLATE_NOOP("Panel", "500 мкВ"), 200},
    {QT_TRANSLATE_NOOP("Panel", "200 мкВ"), 500}, {QT_TRANSLATE_NOOP("Panel", "100 мкВ"), 1000}, {QT_TRANSLATE_NOOP("Panel", "50 мкВ"), 2000}, {QT_TRANSLATE_NOOP("Panel", "20 мкВ"), 5000},
}};

// Sensitivity of the first trace (U2); rows 4 to 6 carry a leading blank.
inline constexpr std::array<Entry, 12> kSensitivityU2{{
    {QT_TRANSLATE_NOOP("Panel", "100 мВ"), 1}, {QT_TRANSLATE_NOOP("Panel", "50 мВ"), 2}, {QT_TRANSLATE_NOOP("Panel", "20 мВ"), 5}, {QT_TRANSLATE_NOOP("Panel", "10 мВ"), 10},
    {QT_TRANSLATE_NOOP("Panel", " 5 мВ"), 20}, {QT_TRANSLATE_NOOP("Panel", " 2 мВ"), 50}, {QT_TRANSLATE_NOOP("Panel", " 1 мВ"), 100}, {QT_TRANSLATE_NOOP("Panel", "500 мкВ"), 200},
    {QT_TRANSLATE_NOOP("Panel", "200 мкВ"), 500}, {QT_TRANSLATE_NOOP("Panel", "100 мкВ"), 1000}, {QT_TRANSLATE_NOOP("Panel", "50 мкВ"), 2000}, {QT_TRANSLATE_NOOP("Panel", "20 мкВ"), 5000},
}};

// An entry's text in the program's language ("1 ms" for "1 мС").
inline QString Shown(const Entry &e)
{
    return QCoreApplication::translate("Panel", e.text);
}

struct ScrollRange {
    int min, max, smallChange, largeChange, initial;
};
inline constexpr ScrollRange kVerticalBar{32767, -32768, 819, 8192, 0};
inline constexpr ScrollRange kHorizontalBar{1, 11000, 1, 10, 1};

inline constexpr int kDefaultSweepIndex = 9;

}  // namespace Panel
