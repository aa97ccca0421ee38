#pragma once

#include <QDateTime>
#include <QString>

// The text of a moment in the results table and in the purge's cut-off:
// "yyyy/MM/dd H:mm:ss", or the date alone at exactly 0:00:00. Always this
// form, whatever the desktop's locale, because the purge compares these texts.
class DateText
{
public:
    static QString of(const QDateTime &moment);
    // The local moment a date text stands for ("yyyy/MM/dd", with " H:mm:ss"
    // or a zero-padded hour); an invalid QDateTime for any other text.
    static QDateTime moment(const QString &text);
    // A moment as ISO 8601 with its offset from UTC: "2001-04-27T09:05:03+09:00".
    static QString isoWithOffset(const QDateTime &moment);
};
