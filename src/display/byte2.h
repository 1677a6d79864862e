// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Module Byte2: two bytes of a 16-bit PCM sample to a number, and the
// Lagrange interpolators the fast sweeps use to put points between samples.
#include "platform/vbrt.h"

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

// The abscissas as the two above work them out (a single-precision
// quotient), for a caller that puts many points at the same few.
inline double Abscissa4(float step, int16_t x0, int16_t x) { return float(vb::Sub16(x, x0)) / step; }
inline double Abscissa6(float step, int32_t x0, int32_t x) { return float(vb::Sub32(x, x0)) / step; }

// The polynomials at a given abscissa: Interp4 and Interp6 are these at
// Abscissa4 and Abscissa6, term by term in the same order.
inline int32_t Cubic(double s, int32_t yM1, int32_t y0, int32_t y1, int32_t y2)
{
    const double r = -double(yM1) * s * (s - 1) * (s - 2) / 6 + double(y0) * (s * s - 1) * (s - 2) / 2
                     - double(y1) * s * (s + 1) * (s - 2) / 2 + double(y2) * s * (s * s - 1) / 6;
    return vb::CLng(r);
}

inline int32_t Quintic(double s, int32_t yM2, int32_t yM1, int32_t y0, int32_t y1, int32_t y2, int32_t y3)
{
    const double s2m1 = s * s - 1, s2m4 = s * s - 4;
    const double r = -double(yM2) * s * s2m1 * (s - 2) * (s - 3) / 120
                     + double(yM1) * s * (s - 1) * s2m4 * (s - 3) / 24
                     - double(y0) * s2m1 * s2m4 * (s - 3) / 12
                     + double(y1) * s * (s + 1) * s2m4 * (s - 3) / 12
                     - double(y2) * s * s2m1 * (s + 2) * (s - 3) / 24
                     + double(y3) * s * s2m1 * s2m4 / 120;
    return vb::CLng(r);
}

}  // namespace Byte2
