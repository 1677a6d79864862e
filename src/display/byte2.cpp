// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/byte2.h"

#include "platform/vbrt.h"

namespace Byte2 {

int32_t Interp4(float step, int32_t yM1, int32_t y0, int32_t y1, int32_t y2, int16_t x0, int16_t x)
{
    // The abscissa is a single-precision value; the polynomial is summed in double.
    const double s = float(vb::Sub16(x, x0)) / step;
    const double r = -double(yM1) * s * (s - 1) * (s - 2) / 6 + double(y0) * (s * s - 1) * (s - 2) / 2
                     - double(y1) * s * (s + 1) * (s - 2) / 2 + double(y2) * s * (s * s - 1) / 6;
    return vb::CLng(r);
}

int32_t Interp6(float step, int32_t yM2, int32_t yM1, int32_t y0, int32_t y1, int32_t y2, int32_t y3,
                int32_t x0, int32_t x)
{
    const double s = float(vb::Sub32(x, x0)) / step;
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
