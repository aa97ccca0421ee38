#include "platform/twips.h"

#include <cmath>

int Twips::toPixels(double twips)
{
    return static_cast<int>(std::lround(twips / perPixel));
}

double Twips::toTwips(double pixels)
{
    return pixels * perPixel;
}

QRect Twips::rect(double left, double top, double width, double height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

QFont Twips::font(const QString &family, double points)
{
    QFont font(family);
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setWeight(QFont::Normal);
    return font;
}
