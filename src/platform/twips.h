#pragma once

#include <QFont>
#include <QRect>
#include <QString>

// Window geometry is laid out in twips; 15 twips make one logical pixel
// (96 dpi), and Qt scales logical pixels on HiDPI screens.
class Twips
{
public:
    static constexpr double perPixel = 15.0;

    static int toPixels(double twips);
    static double toTwips(double pixels);
    static QRect rect(double left, double top, double width, double height);

    // A font given in points, sized in pixels so that text scales with geometry.
    static QFont font(const QString &family, double points);
};
