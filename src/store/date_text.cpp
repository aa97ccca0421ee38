#include "store/date_text.h"

#include <QLocale>

QString DateText::of(const QDateTime &moment)
{
    const QLocale c = QLocale::c();
    const QString date = c.toString(moment.date(), QStringLiteral("yyyy/MM/dd"));
    const QTime time = moment.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    return date + QLatin1Char(' ') + c.toString(time, QStringLiteral("H:mm:ss"));
}

QDateTime DateText::moment(const QString &text)
{
    // Read by hand: a sitting's close reads its own date text back, and Qt's
    // format parser costs more than the rest of the queueing.
    const auto number = [&text](qsizetype from, qsizetype digits) {
        int n = 0;
        for (qsizetype i = from; i < from + digits; ++i) {
            if (i >= text.size() || !text[i].isDigit() || text[i].unicode() > '9')
                return -1;
            n = n * 10 + (text[i].unicode() - '0');
        }
        return n;
    };
    const qsizetype n = text.size();
    if ((n != 10 && n != 18 && n != 19) || text[4] != u'/' || text[7] != u'/')
        return {};
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    if (!date.isValid())
        return {};
    if (n == 10)
        return date.startOfDay();
    const qsizetype h = n - 18; // the hour's second digit, when it has one
    if (text[10] != u' ' || text[12 + h] != u':' || text[15 + h] != u':')
        return {};
    const QTime time(number(11, 1 + h), number(13 + h, 2), number(16 + h, 2));
    return time.isValid() ? QDateTime(date, time) : QDateTime();
}

QString DateText::isoWithOffset(const QDateTime &moment)
{
    return moment.toOffsetFromUtc(moment.offsetFromUtc()).toString(Qt::ISODate);
}
