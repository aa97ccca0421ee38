#include "clock/clock_face.h"

#include "platform/clock_words.h"
#include "platform/colours.h"
#include "platform/twips.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>

#include <cmath>

const QColor ClockFace::foreground(0, 0, 0);
const QColor ClockFace::hourColour(255, 0, 0);
const QColor ClockFace::minuteColour(0, 0, 255);

ClockFace::Geometry ClockFace::geometry(double w, double fs, double r)
{
    Geometry g;
    g.cx = w / 2.0;
    // The centre's height follows the width too, so the face sits above the answers.
    g.cy = w / 2.0 - 400.0;
    g.dotRadius = 3.0 * fs;
    g.hourLabelAnchor = QPointF(g.cx - 15.0 * fs, g.cy - 10.0 * fs);
    g.minuteLabelAnchor = QPointF(g.cx - 25.0 * fs, g.cy - 10.0 * fs);
    g.hourLabelRadius = r / 4.0;
    g.minuteLabelRadius = r / 2.7;
    g.innerRadius = r / 4.0 + 300.0;
    g.outerRadius = r / 4.0 + 1200.0;
    g.hourHandLength = r / 5.0;
    g.hourDotDistance = r / 7.0;
    g.minuteHandLength = r / 4.0;
    g.minuteDotDistance = r / 5.0;
    return g;
}

double ClockFace::radians(double degrees)
{
    if (degrees < 0)
        degrees += 360.0;
    return 2.0 * pi * degrees / 360.0;
}

QPointF ClockFace::pointAt(double cx, double cy, double rho, double degrees)
{
    const double a = radians(degrees);
    return QPointF(cx + rho * std::cos(a), cy + rho * std::sin(a));
}

QString ClockFace::hourLabel(int i)
{
    return (i < 10 ? QStringLiteral("0") : QString()) + QString::number(i) + QStringLiteral("じ");
}

QString ClockFace::minuteLabel(int i)
{
    // Two digits, "00" at the top, and the counter the answer labels write.
    const int value = 5 * i % 60;
    return (value < 10 ? QStringLiteral("0") : QString()) + QString::number(value)
           + ClockWords::minuteCounter(value);
}

void ClockFace::clear(QImage &surface)
{
    surface.fill(Colours::green);
}

double ClockFace::widthTwips(const QImage &surface)
{
    return Twips::toTwips(surface.deviceIndependentSize().width());
}

qreal ClockFace::px(double twips)
{
    // The face's points are defined to single precision; rounding to it here
    // puts each point on the pixel that definition gives, on every platform.
    return static_cast<qreal>(static_cast<float>(twips)) / Twips::perPixel;
}

namespace {
QPointF pixels(const QPointF &twips)
{
    return QPointF(ClockFace::px(twips.x()), ClockFace::px(twips.y()));
}

void circle(QPainter &p, double cx, double cy, double radius)
{
    const qreal r = ClockFace::px(radius);
    p.drawEllipse(QPointF(ClockFace::px(cx), ClockFace::px(cy)), r, r);
}

// Text with its top left corner at a point given in twips.
void textAt(QPainter &p, const QFontMetricsF &metrics, const QPointF &topLeft, const QString &text)
{
    const QPointF at = pixels(topLeft);
    p.drawText(QPointF(at.x(), at.y() + metrics.ascent()), text);
}

void hand(QPainter &p, const ClockFace::Geometry &g, double degrees, double length,
          double dotDistance, const QColor &colour)
{
    const QPointF tip = ClockFace::pointAt(g.cx, g.cy, length, degrees);
    p.setPen(QPen(colour, 0));
    p.drawLine(QPointF(ClockFace::px(g.cx), ClockFace::px(g.cy)), pixels(tip));
    const QPointF dot = ClockFace::pointAt(g.cx, g.cy, dotDistance, degrees);
    p.setPen(QPen(ClockFace::foreground, 0));
    p.setBrush(colour);
    circle(p, dot.x(), dot.y(), g.dotRadius);
}
} // namespace

void ClockFace::draw(QImage &surface, int hour, int minute, double clockSize, const QFont &font,
                     double fontPoints, bool minimised)
{
    clear(surface);
    const Geometry g = geometry(widthTwips(surface), fontPoints, clockSize);

    QPainter p(&surface);
    // Lines and circles are drawn pixel-sharp in their exact colours; only the
    // label text is smoothed.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font);

    if (!minimised) {
        const QFontMetricsF metrics(font, &surface);
        p.setPen(QPen(foreground, 0));
        for (int i = 1; i <= 12; ++i) {
            const double a = radians(labelAngle(i));
            textAt(p, metrics,
                   g.hourLabelAnchor
                       + QPointF(g.hourLabelRadius * std::cos(a), g.hourLabelRadius * std::sin(a)),
                   hourLabel(i));
            textAt(p, metrics,
                   g.minuteLabelAnchor
                       + QPointF(g.minuteLabelRadius * std::cos(a), g.minuteLabelRadius * std::sin(a)),
                   minuteLabel(i));
        }
    }

    // Centre dot: solid in the foreground colour.
    p.setPen(QPen(foreground, 0));
    p.setBrush(foreground);
    circle(p, g.cx, g.cy, g.dotRadius);

    // The two rings' circles, insides left as they are.
    p.setBrush(Qt::NoBrush);
    circle(p, g.cx, g.cy, g.innerRadius);
    circle(p, g.cx, g.cy, g.outerRadius);

    // The minute hand is drawn last, so it lies over the hour hand.
    hand(p, g, hourAngle(hour, minute), g.hourHandLength, g.hourDotDistance, hourColour);
    hand(p, g, minuteAngle(minute), g.minuteHandLength, g.minuteDotDistance, minuteColour);
}
