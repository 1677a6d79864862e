// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/byte2.h"

#include "platform/vbrt.h"

namespace Byte2 {

int32_t Interp4(float step, int32_t yM1, int32_t y0, int32_t y1, int32_t y2, int16_t x0, int16_t x)
{
    // The abscissa is a single-precision value; the polynomial is summed in double.
    return Cubic(Abscissa4(step, x0, x), yM1, y0, y1, y2);
}

int32_t Interp6(float step, int32_t yM2, int32_t yM1, int32_t y0, int32_t y1, int32_t y2, int32_t y3,
                int32_t x0, int32_t x)
{
    return Quintic(Abscissa6(step, x0, x), yM2, yM1, y0, y1, y2, y3);
}

}  // namespace Byte2
