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
