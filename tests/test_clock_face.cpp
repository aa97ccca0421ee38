// The clock face as drawn on the window's surface, checked pixel by pixel at
// positions worked out from the dial geometry at the design size.
#include "clock/clock_face.h"
#include "platform/twips.h"
#include "support/temp_work_dir.h"
#include "support/test_setup.h"

#include <QtTest>

#include <cmath>
#include <memory>

namespace {
const QColor green(0, 255, 0);
const QColor black(0, 0, 0);
const QColor red(255, 0, 0);
const QColor blue(0, 0, 255);

// Design size: 6525 x 8040 twips, 435 x 536 pixels; the clock size is the width.
constexpr double W = 6525;
constexpr double r = 6525;
constexpr double cxT = 3262.5;
constexpr double cyT = 2862.5;

double px(double twips)
{
    return twips / 15.0;
}

int count(const QImage &image, const QRect &area, const QColor &colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                ++n;
    return n;
}

int countOther(const QImage &image, const QRect &area, const QColor &colour)
{
    return area.width() * area.height() - count(image, area, colour);
}

// A small square of pixels around a point given in pixels.
QRect around(double x, double y, int half = 1)
{
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    return QRect(ix - half, iy - half, 2 * half + 1, 2 * half + 1);
}

// The point a fraction of the way from the centre to a tip given in twips.
QPointF along(double tipX, double tipY, double fraction)
{
    return QPointF(px(cxT + fraction * (tipX - cxT)), px(cyT + fraction * (tipY - cyT)));
}

double meanX(const QImage &image, const QRect &area, const QColor &colour)
{
    double sum = 0;
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour) {
                sum += x + 0.5;
                ++n;
            }
    return n ? sum / n : -1;
}
} // namespace

class TestClockFace : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempWorkDir> work_;

    static QImage face(int hour, int minute, bool minimised = false)
    {
        QImage image(Twips::toPixels(W), Twips::toPixels(8040), QImage::Format_RGB32);
        image.fill(Qt::white); // draw must clear it to green itself
        ClockFace::draw(image, hour, minute, r, Twips::font(QStringLiteral("ＭＳ ゴシック"), 14.25),
                        14.25, minimised);
        return image;
    }

private slots:
    void initTestCase() { TestSetup::application(); }
    void init() { work_ = std::make_unique<TempWorkDir>(); }
    void cleanup() { work_.reset(); }

    void geometryAndLabelsAtDesignSize()
    {
        const ClockFace::Geometry g = ClockFace::geometry(W, 14.25, r);
        QCOMPARE(g.cx, 3262.5);
        QCOMPARE(g.cy, 2862.5);
        QCOMPARE(g.dotRadius, 42.75);
        QCOMPARE(g.hourLabelAnchor, QPointF(3048.75, 2720));
        QCOMPARE(g.minuteLabelAnchor, QPointF(2906.25, 2720));
        QCOMPARE(g.innerRadius, 1931.25);
        QCOMPARE(g.outerRadius, 2831.25);
        QCOMPARE(g.hourHandLength, 1305.0);
        QVERIFY(qAbs(g.hourDotDistance - 932.142857) < 1e-5);
        QVERIFY(qAbs(g.minuteLabelRadius - 2416.666667) < 1e-5);

        // Worked examples: tips of the hands.
        const QPointF hour3 = ClockFace::pointAt(g.cx, g.cy, g.hourHandLength, ClockFace::hourAngle(3, 0));
        QVERIFY(qAbs(hour3.x() - 4567.5) < 1e-6 && qAbs(hour3.y() - 2862.5) < 1e-6);
        const QPointF up = ClockFace::pointAt(g.cx, g.cy, g.minuteHandLength, ClockFace::minuteAngle(0));
        QVERIFY(qAbs(up.x() - 3262.5) < 1e-6 && qAbs(up.y() - 1231.25) < 1e-6);
        const QPointF down = ClockFace::pointAt(g.cx, g.cy, g.minuteHandLength, ClockFace::minuteAngle(30));
        QVERIFY(qAbs(down.x() - 3262.5) < 1e-6 && qAbs(down.y() - 4493.75) < 1e-6);
        // Negative angles are brought into 0..360; pi is the 15-digit value.
        // (exact comparisons: the full-precision pi differs only in the last digits)
        QVERIFY(ClockFace::radians(-90) == 2 * 3.14159265358979 * 270 / 360);
        QCOMPARE(ClockFace::hourAngle(12, 30), 285.0);
        QCOMPARE(ClockFace::hourAngle(6, 55), 117.5);
        QVERIFY(ClockFace::radians(ClockFace::minuteAngle(55)) == 2 * 3.14159265358979 * 240 / 360);
        QVERIFY(ClockFace::radians(90) == 2 * 3.14159265358979 * 90 / 360);

        QCOMPARE(ClockFace::hourLabel(1), QStringLiteral("01じ"));
        QCOMPARE(ClockFace::hourLabel(9), QStringLiteral("09じ"));
        QCOMPARE(ClockFace::hourLabel(12), QStringLiteral("12じ"));
        QCOMPARE(ClockFace::minuteLabel(1), QStringLiteral("05ふん"));
        QCOMPARE(ClockFace::minuteLabel(2), QStringLiteral("10ふん"));
        QCOMPARE(ClockFace::minuteLabel(11), QStringLiteral("55ふん"));
        QCOMPARE(ClockFace::minuteLabel(12), QStringLiteral("00ふん"));
    }

    void handsAtWorkedExamples()
    {
        // 3:00 - hour hand right to (cx + r/5, cy), minute hand straight up.
        {
            const QImage img = face(3, 0);
            const QPointF mid = along(4567.5, 2862.5, 0.85);
            QVERIFY(count(img, around(mid.x(), mid.y()), red) > 0);
            QCOMPARE(count(img, QRect(307, 186, 4, 10), red), 0); // past the tip at x 304.5
            QVERIFY(count(img, around(px(cxT + r / 7), px(cyT) - 1.5, 0), red) == 1); // hour dot
            const QPointF upper = along(3262.5, 1231.25, 0.6);
            QVERIFY(count(img, around(upper.x(), upper.y()), blue) > 0);
            QVERIFY(count(img, around(px(cxT) - 1.5, px(cyT - r / 5), 0), blue) == 1); // minute dot
            QCOMPARE(count(img, QRect(212, 72, 12, 8), blue), 0); // beyond the tip at y 82
            QCOMPARE(count(img, QRect(0, 0, 435, 536), red) > 0, true);
            QCOMPARE(count(img, QRect(0, 200, 435, 336), blue), 0); // nothing below the centre
        }
        // 12:00 - both hands up; the blue minute hand covers the red one and
        // both dots sit on the one vertical line through the centre.
        {
            const QImage img = face(12, 0);
            QCOMPARE(count(img, QRect(213, 135, 10, 50), red), 0);
            QVERIFY(count(img, QRect(213, 135, 10, 50), blue) >= 45);
            const double redDot = px(cyT - r / 7);
            const double blueDot = px(cyT - r / 5);
            QVERIFY(count(img, QRect(212, int(redDot) - 2, 12, 5), red) >= 6);
            QVERIFY(count(img, QRect(212, int(blueDot) - 2, 12, 5), blue) >= 6);
            const double redX = meanX(img, QRect(212, int(redDot) - 2, 12, 5), red);
            const double blueX = meanX(img, QRect(212, int(blueDot) - 2, 12, 5), blue);
            QVERIFY2(qAbs(redX - 217.5) < 1.0, qPrintable(QString::number(redX)));
            QVERIFY2(qAbs(blueX - 217.5) < 1.0, qPrintable(QString::number(blueX)));
        }
        // 12:30 - hour hand at 285 degrees, between the 12 and the 1; minute hand down.
        {
            const QImage img = face(12, 30);
            const QPointF lower = along(3262.5, 4493.75, 0.6);
            QVERIFY(count(img, around(lower.x(), lower.y()), blue) > 0);
            QCOMPARE(count(img, QRect(213, 100, 10, 80), blue), 0);
            const double a = 285.0 * M_PI / 180.0;
            const QPointF hourMid = along(cxT + r / 5 * std::cos(a), cyT + r / 5 * std::sin(a), 0.8);
            QVERIFY(count(img, around(hourMid.x(), hourMid.y()), red) > 0);
            QCOMPARE(count(img, QRect(213, 100, 4, 80), red), 0); // not straight up
        }
        // 6:55 - hour hand at 117.5 degrees, minute hand at 240 degrees.
        {
            const QImage img = face(6, 55);
            const double h = 117.5 * M_PI / 180.0;
            const QPointF hourMid = along(cxT + r / 5 * std::cos(h), cyT + r / 5 * std::sin(h), 0.8);
            QVERIFY(count(img, around(hourMid.x(), hourMid.y()), red) > 0);
            const double m = 240.0 * M_PI / 180.0;
            const QPointF minuteMid = along(cxT + r / 4 * std::cos(m), cyT + r / 4 * std::sin(m), 0.8);
            QVERIFY(count(img, around(minuteMid.x(), minuteMid.y()), blue) > 0);
            QCOMPARE(count(img, QRect(230, 0, 205, 536), blue), 0); // minute hand stays left
            QCOMPARE(count(img, QRect(0, 0, 435, 185), red), 0);    // hour hand points down
        }
    }

    void circlesAndLabelRings()
    {
        const QImage img = face(3, 0);
        // The outer circle spans x 431.25..6093.75 and y 31.25..5693.75 twips.
        const int cy = int(px(cyT));
        QVERIFY(count(img, QRect(27, cy - 1, 3, 3), black) > 0);
        QCOMPARE(countOther(img, QRect(0, cy - 1, 26, 3), green), 0);
        QVERIFY(count(img, QRect(405, cy - 1, 3, 3), black) > 0);
        QCOMPARE(countOther(img, QRect(409, cy - 1, 26, 3), green), 0);
        QVERIFY(count(img, QRect(216, 1, 3, 3), black) > 0);
        QCOMPARE(countOther(img, QRect(0, 0, 435, 1), green), 0);
        QVERIFY(count(img, QRect(216, 378, 3, 3), black) > 0);
        QCOMPARE(countOther(img, QRect(0, 383, 435, 536 - 383), green), 0);
        // Inner circle, radius 1931.25 twips: its top crosses the vertical
        // line through the centre at y 931.25 twips (62 px).
        QVERIFY(count(img, QRect(216, 61, 3, 3), black) > 0);
        // Centre dot, solid black.
        QCOMPARE(count(img, around(px(cxT) - 1.5, px(cyT) + 1.5, 0), black), 1);

        // Labels: "00ふん" at the top of the outer ring, "03じ" at the 3 of the
        // inner ring. Both have text pixels normally and none when minimised.
        const QRect topMinute(195, 21, 55, 17);
        const QRect threeHour(313, 183, 26, 15);
        QVERIFY(countOther(img, topMinute, green) > 20);
        QVERIFY(countOther(img, threeHour, green) > 20);
        const QImage small = face(3, 0, true);
        QCOMPARE(countOther(small, topMinute, green), 0);
        QCOMPARE(countOther(small, threeHour, green), 0);
        // ... but the circles, the dots and the hands are still there.
        QVERIFY(count(small, QRect(27, cy - 1, 3, 3), black) > 0);
        QVERIFY(count(small, QRect(0, 0, 435, 536), red) > 0);
        QVERIFY(count(small, QRect(0, 0, 435, 536), blue) > 0);
        // Minimised, the only difference is the text.
        int differing = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != small.pixel(x, y))
                    ++differing;
        QVERIFY(differing > 24 * 20);
    }
};

QTEST_MAIN(TestClockFace)
#include "test_clock_face.moc"
