// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/twips.h"

#include "platform/vbrt.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace Twips {

double PerPixel()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int ToPixels(double twips)
{
    // Far beyond any screen, but keeps the conversion defined for any input.
    constexpr double kLimit = 1 << 24;
    const double px = vb::RoundHalfEven(twips / PerPixel());
    if (!(px > -kLimit))
        return px < 0 ? -int(kLimit) : 0;  // also NaN
    return static_cast<int>(std::min(px, kLimit));
}

double FromPixels(int pixels)
{
    return pixels * PerPixel();
}

QRect RectToPixels(double left, double top, double width, double height)
{
    return QRect(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

}  // namespace Twips
