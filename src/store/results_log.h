#pragma once

#include <QString>

// The results table: one row per finished sitting with a score above 0.
class ResultsLog
{
public:
    // "INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( '…','…','…' );"
    static QString insertStatement(const QString &dateText, const QString &drillName,
                                   const QString &scoreText);

    // Appends one row to the database file; false with a reason when it fails.
    static bool append(const QString &dateText, const QString &drillName,
                       const QString &scoreText, QString *error = nullptr);

    // The end of a sitting: takes the score from the clear-count caption, writes
    // the row dated now unless the score is 0, and tells the user (in a message
    // box) when the row could not be written. Returns false only for that case.
    static bool recordSitting(const QString &drillName, const QString &clearCountCaption);
};
