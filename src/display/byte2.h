// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Module Byte2: two bytes of a 16-bit PCM sample to a number, and the
// Lagrange interpolators the fast sweeps use to put points between samples.
#include <cstdint>

namespace Byte2 {

// Little-endian two's complement: high × 256 + low, less 65536 when the high
// byte has its top bit set.
constexpr int32_t BytesToSample(uint8_t low, uint8_t high)
{
    const int32_t v = int32_t(high) * 256 + int32_t(low);
    return high >= 128 ? v - 65536 : v;
}

// Cubic through the nodes s = -1, 0, 1, 2 (values yM1, y0, y1, y2) at
// s = (x - x0) / step, the subtraction done in 16 bits. Rounded half to even.
int32_t Interp4(float step, int32_t yM1, int32_t y0, int32_t y1, int32_t y2, int16_t x0, int16_t x);

// Quintic through the nodes s = -2 .. 3 (values yM2 .. y3), s = (x - x0) / step.
int32_t Interp6(float step, int32_t yM2, int32_t yM1, int32_t y0, int32_t y1, int32_t y2, int32_t y3,
                int32_t x0, int32_t x);

}  // namespace Byte2
