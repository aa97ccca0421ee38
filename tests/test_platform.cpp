#include "platform/app_info.h"
#include "platform/random_draw.h"
#include "support/test_setup.h"

#include <QtTest>

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSetup::application(); }

    void versionCaptionPadsToTwoDigits()
    {
        QCOMPARE(AppInfo::versionCaption(QStringLiteral("T"), 2001, 4, 27), QStringLiteral("T V20010427"));
        QCOMPARE(AppInfo::versionCaption(QStringLiteral("T"), 2001, 4, 7), QStringLiteral("T V20010407"));
        QCOMPARE(AppInfo::versionCaption(QStringLiteral("T"), 2001, 4, 127), QStringLiteral("T V20010427"));
        QCOMPARE(AppInfo::versionCaption(), QStringLiteral("さんすうドリル V20010427"));
    }

    void drawRoundsHalfToEven()
    {
        // 0.25e-6 x 1e7 = 2.5 -> 2 (even); 0.35e-6 x 1e7 = 3.5 -> 4.
        QCOMPARE(RandomDraw::fromValue(0.00000025, 10), 2);
        QCOMPARE(RandomDraw::fromValue(0.00000035, 10), 4);
        QCOMPARE(RandomDraw::fromValue(0.9999999999, 11), static_cast<int>(10000000 % 11));
        QCOMPARE(RandomDraw::fromValue(0.0, 7), 0);
    }
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
