#include "platform/twips.h"

#include "platform/vbrt.h"

#include <QGuiApplication>
#include <QScreen>

namespace Twips {

double PerPixel()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int ToPixels(double twips)
{
    return static_cast<int>(vb::RoundHalfEven(twips / PerPixel()));
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
