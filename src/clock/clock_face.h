#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QString>

// The analogue teaching clock of the clock drill, drawn onto a retained
// surface: a ring of hour labels (01じ … 12じ), a ring of minute labels
// (05ふん, 10ぷん … 55ふん, 00ふん at the top) between two circles, a centre dot, the
// red hour hand and the blue minute hand, each hand with a dot on it.
//
// All geometry is worked out in twips in double precision, as the window's
// layout is; values are handed to the drawing calls in single precision and
// turned into logical pixels there (15 twips to a pixel).
class ClockFace
{
public:
    // The value of pi the dial angles are converted with (15 digits, on purpose).
    static constexpr double pi = 3.14159265358979;

    static const QColor foreground; // RGB(0,0,0): outlines, centre dot, label text
    static const QColor hourColour; // RGB(255,0,0)
    static const QColor minuteColour; // RGB(0,0,255)

    // The quantities of one drawing, in twips, for a surface width w (twips),
    // a font size fs (points) and a clock size r (twips).
    struct Geometry
    {
        double cx = 0;
        double cy = 0;
        double dotRadius = 0;
        QPointF hourLabelAnchor;
        QPointF minuteLabelAnchor;
        double hourLabelRadius = 0;
        double minuteLabelRadius = 0;
        double innerRadius = 0;
        double outerRadius = 0;
        double hourHandLength = 0;
        double hourDotDistance = 0;
        double minuteHandLength = 0;
        double minuteDotDistance = 0;
    };
    static Geometry geometry(double w, double fs, double r);

    // Dial angles in degrees: 0 points right, growing clockwise, -90 up.
    static double labelAngle(int i) { return 30.0 * i - 90.0; }
    static double hourAngle(int hour, int minute) { return 30.0 * hour + 0.5 * minute - 90.0; }
    static double minuteAngle(int minute) { return 6.0 * minute - 90.0; }
    // A negative angle is brought into 0..360 once, then turned into radians.
    static double radians(double degrees);
    // The point at distance rho from (cx, cy) on a dial angle, in twips.
    static QPointF pointAt(double cx, double cy, double rho, double degrees);

    // The ring labels for position i (1 to 12): "01じ" … "12じ" and
    // "05ふん", "10ぷん", "15ふん" … "50ぷん", "55ふん", and "00ふん" for i = 12.
    static QString hourLabel(int i);
    static QString minuteLabel(int i);

    // Paints the whole surface in the window's green.
    static void clear(QImage &surface);

    // Clears the surface and draws the face for hour:minute. clockSize is the
    // clock size r in twips; font is the window font whose size is fontPoints;
    // a minimised window gets no labels.
    static void draw(QImage &surface, int hour, int minute, double clockSize, const QFont &font,
                     double fontPoints, bool minimised);

    // The surface width in twips (logical pixels x 15).
    static double widthTwips(const QImage &surface);
    // A twips coordinate as handed to a drawing call, in logical pixels.
    static qreal px(double twips);
};
