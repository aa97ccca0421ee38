// The clock face as drawn on the window's surface, checked pixel by pixel at
// positions worked out from the dial geometry at the design size.
#include "clock/clock_face.h"
#include "platform/twips.h"
#include "support/temp_work_dir.h"
#include "support/test_kit.h"
#include "support/test_setup.h"

#include <QtTest>

#include <cmath>
#include <memory>

using Kit::countColour;

namespace {
const QColor green(0, 255, 0), black(0, 0, 0), red(255, 0, 0), blue(0, 0, 255);

// Design size: 6525 x 8040 twips, 435 x 536 pixels; the clock size is the width.
constexpr double r = 6525, cxT = 3262.5, cyT = 2862.5;

double px(double twips)
{
    return twips / 15.0;
}

int countOther(const QImage &image, const QRect &area, const QColor &colour)
{
    return area.width() * area.height() - countColour(image, area, colour);
}

// Pixels of `colour` in a small square around a point given in pixels.
int near(const QImage &image, QPointF p, const QColor &colour, int half = 1)
{
    const int x = int(std::floor(p.x())), y = int(std::floor(p.y()));
    return countColour(image, QRect(x - half, y - half, 2 * half + 1, 2 * half + 1), colour);
}

// The point a fraction of the way from the centre along a hand of length
// `rho` twips at dial angle `degrees`, in pixels.
QPointF along(double rho, double degrees, double fraction)
{
    const double a = degrees * M_PI / 180.0;
    return QPointF(px(cxT + fraction * rho * std::cos(a)), px(cyT + fraction * rho * std::sin(a)));
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

QImage face(int hour, int minute, bool minimised = false)
{
    QImage image(435, 536, QImage::Format_RGB32);
    image.fill(Qt::white); // draw must clear it to green itself
    ClockFace::draw(image, hour, minute, r, Twips::font(QStringLiteral("ＭＳ ゴシック"), 14.25), 14.25,
                    minimised);
    return image;
}
} // namespace

class TestClockFace : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempWorkDir> work_;

private slots:
    void initTestCase() { TestSetup::application(); }
    void init() { work_ = std::make_unique<TempWorkDir>(); }
    void cleanup() { work_.reset(); }

    void geometryAndLabelsAtDesignSize()
    {
        const ClockFace::Geometry g = ClockFace::geometry(r, 14.25, r);
        const double worked[][2] = {
            {g.cx, 3262.5}, {g.cy, 2862.5}, {g.dotRadius, 42.75},
            {g.hourLabelAnchor.x(), 3048.75}, {g.hourLabelAnchor.y(), 2720},
            {g.minuteLabelAnchor.x(), 2906.25}, {g.minuteLabelAnchor.y(), 2720},
            {g.innerRadius, 1931.25}, {g.outerRadius, 2831.25}, {g.hourHandLength, 1305},
            {g.hourDotDistance, 932.142857}, {g.minuteLabelRadius, 2416.666667},
            // Tips of the hands: the hour hand at 3, the minute hand at 0 and at 30.
            {ClockFace::pointAt(g.cx, g.cy, g.hourHandLength, ClockFace::hourAngle(3, 0)).x(), 4567.5},
            {ClockFace::pointAt(g.cx, g.cy, g.minuteHandLength, ClockFace::minuteAngle(0)).y(), 1231.25},
            {ClockFace::pointAt(g.cx, g.cy, g.minuteHandLength, ClockFace::minuteAngle(30)).y(), 4493.75},
            {ClockFace::hourAngle(12, 30), 285}, {ClockFace::hourAngle(6, 55), 117.5},
        };
        for (const auto &[value, expected] : worked)
            QVERIFY2(qAbs(value - expected) < 1e-5, qPrintable(QStringLiteral("%1 for %2").arg(value).arg(expected)));
        // Negative angles are brought into 0..360 and pi is the 15-digit value:
        // exact comparisons, as full precision differs only in the last digits.
        QVERIFY(ClockFace::radians(-90) == 2 * 3.14159265358979 * 270 / 360);
        QVERIFY(ClockFace::radians(ClockFace::minuteAngle(55)) == 2 * 3.14159265358979 * 240 / 360);
        QVERIFY(ClockFace::radians(90) == 2 * 3.14159265358979 * 90 / 360);

        QStringList labels;
        for (int i : {1, 9, 12})
            labels << ClockFace::hourLabel(i);
        for (int i : {1, 2, 11, 12})
            labels << ClockFace::minuteLabel(i);
        QCOMPARE(labels, QStringList({"01じ", "09じ", "12じ", "05ふん", "10ふん", "55ふん", "00ふん"}));
    }

    void handsAtWorkedExamples()
    {
        // 3:00 - hour hand right to (cx + r/5, cy), minute hand straight up.
        QImage img = face(3, 0);
        QVERIFY(near(img, along(r / 5, 0, 0.85), red) > 0);
        QCOMPARE(countColour(img, QRect(307, 186, 4, 10), red), 0); // past the tip at x 304.5
        QCOMPARE(near(img, QPointF(px(cxT + r / 7), px(cyT) - 1.5), red, 0), 1); // hour dot
        QVERIFY(near(img, along(r / 4, -90, 0.6), blue) > 0);
        QCOMPARE(near(img, QPointF(px(cxT) - 1.5, px(cyT - r / 5)), blue, 0), 1); // minute dot
        QCOMPARE(countColour(img, QRect(212, 72, 12, 8), blue), 0); // beyond the tip at y 82
        QCOMPARE(countColour(img, QRect(0, 200, 435, 336), blue), 0); // nothing below the centre

        // 12:00 - both hands up; the blue minute hand covers the red one and
        // both dots sit on the one vertical line through the centre.
        img = face(12, 0);
        QCOMPARE(countColour(img, QRect(213, 135, 10, 50), red), 0);
        QVERIFY(countColour(img, QRect(213, 135, 10, 50), blue) >= 45);
        for (const auto &[dotY, colour] : {std::pair{px(cyT - r / 7), red}, std::pair{px(cyT - r / 5), blue}}) {
            const QRect area(212, int(dotY) - 2, 12, 5);
            QVERIFY(countColour(img, area, colour) >= 6);
            const double x = meanX(img, area, colour);
            QVERIFY2(qAbs(x - 217.5) < 1.0, qPrintable(QString::number(x)));
        }

        // 12:30 - hour hand at 285 degrees, between the 12 and the 1; minute hand down.
        img = face(12, 30);
        QVERIFY(near(img, along(r / 4, 90, 0.6), blue) > 0);
        QCOMPARE(countColour(img, QRect(213, 100, 10, 80), blue), 0);
        QVERIFY(near(img, along(r / 5, 285, 0.8), red) > 0);
        QCOMPARE(countColour(img, QRect(213, 100, 4, 80), red), 0); // not straight up

        // 6:55 - hour hand at 117.5 degrees, minute hand at 240 degrees.
        img = face(6, 55);
        QVERIFY(near(img, along(r / 5, 117.5, 0.8), red) > 0);
        QVERIFY(near(img, along(r / 4, 240, 0.8), blue) > 0);
        QCOMPARE(countColour(img, QRect(230, 0, 205, 536), blue), 0); // minute hand stays left
        QCOMPARE(countColour(img, QRect(0, 0, 435, 185), red), 0);    // hour hand points down
    }

    void circlesAndLabelRings()
    {
        const QImage img = face(3, 0);
        // The outer circle spans x 431.25..6093.75 and y 31.25..5693.75 twips,
        // with only green outside it.
        const int cy = int(px(cyT));
        for (const QRect &onCircle : {QRect(27, cy - 1, 3, 3), QRect(405, cy - 1, 3, 3), QRect(216, 1, 3, 3),
                                      QRect(216, 378, 3, 3)})
            QVERIFY(countColour(img, onCircle, black) > 0);
        for (const QRect &outside : {QRect(0, cy - 1, 26, 3), QRect(409, cy - 1, 26, 3), QRect(0, 0, 435, 1),
                                     QRect(0, 383, 435, 536 - 383)})
            QCOMPARE(countOther(img, outside, green), 0);
        // Inner circle, radius 1931.25 twips: its top at y 931.25 twips (62 px).
        QVERIFY(countColour(img, QRect(216, 61, 3, 3), black) > 0);
        QCOMPARE(near(img, QPointF(px(cxT) - 1.5, px(cyT) + 1.5), black, 0), 1); // centre dot

        // "00ふん" at the top of the outer ring and "03じ" at the 3 of the inner
        // one have text pixels normally and none when minimised; the circles,
        // dots and hands are still drawn then, and only the text differs.
        const QRect topMinute(195, 21, 55, 17), threeHour(313, 183, 26, 15);
        const QImage small = face(3, 0, true);
        for (const QRect &label : {topMinute, threeHour}) {
            QVERIFY(countOther(img, label, green) > 20);
            QCOMPARE(countOther(small, label, green), 0);
        }
        QVERIFY(countColour(small, QRect(27, cy - 1, 3, 3), black) > 0);
        QVERIFY(countColour(small, QRect(0, 0, 435, 536), red) > 0);
        QVERIFY(countColour(small, QRect(0, 0, 435, 536), blue) > 0);
        int differing = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                differing += img.pixel(x, y) != small.pixel(x, y) ? 1 : 0;
        QVERIFY(differing > 24 * 20);
    }
};

QTEST_MAIN(TestClockFace)
#include "test_clock_face.moc"
