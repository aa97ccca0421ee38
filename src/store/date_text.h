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
};
