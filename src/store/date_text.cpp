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
    const QLocale c = QLocale::c();
    for (const char *format : {"yyyy/MM/dd H:mm:ss", "yyyy/MM/dd"}) {
        // "H" reads one or two digits: a padded hour too.
        const QDateTime read = c.toDateTime(text, QLatin1String(format));
        if (read.isValid())
            return read;
    }
    return {};
}

QString DateText::isoWithOffset(const QDateTime &moment)
{
    return moment.toOffsetFromUtc(moment.offsetFromUtc()).toString(Qt::ISODate);
}
