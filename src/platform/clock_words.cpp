#include "platform/clock_words.h"

QString ClockWords::hour(int hour)
{
    return QString::number(hour) + QStringLiteral("じ");
}

QString ClockWords::minute(int minute)
{
    return QString::number(minute) + minuteCounter(minute);
}

QString ClockWords::minuteCounter(int minute)
{
    // じゅっぷん, にじゅっぷん …: the counter takes its p-sound after a ten.
    return minute % 10 == 0 && minute != 0 ? QStringLiteral("ぷん") : QStringLiteral("ふん");
}
