// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Window coordinates are kept in twips (1/1440 inch), 15 to a pixel at the
// usual 96 dpi; the conversion follows the screen's logical DPI.
#include <QRect>

namespace Twips {
double PerPixel();                  // 1440 / logical dpi
int ToPixels(double twips);         // rounded
double FromPixels(int pixels);
QRect RectToPixels(double left, double top, double width, double height);
}  // namespace Twips
