#pragma once

#include "store/result_row.h"

#include <QString>
#include <QStringList>

// Carries a results file of the old Jet format over into a file of ours: its
// first retention period and every results row whose texts fit (a date text
// and a number of right answers), texts unchanged. The new file is made whole
// under a temporary name; the old file is kept, unchanged, under a name that
// says what it is, and only then does the new file take the old one's place.
// Anything that fails before that leaves every file as it was.
class JetCarryOver
{
public:
    struct Result
    {
        enum class Status {
            CarriedOver,  // the new file is in place
            ToolsMissing, // the programs that read the old format are not installed
            Unreadable,   // damaged, or not a database the tools can read
            NotOurs,      // a database without the tables of a results file
            Failed,       // the new file could not be written or put in place
        };
        Status status = Status::Failed;
        int carried = 0;          // results rows carried over
        QStringList misfits;      // rows left behind, each "日時　科目　得点"
        QString keptAs;           // the old file's new name (CarriedOver)
        QString reason;           // what went wrong, in the tools' or engine's words
    };

    // `path`: the results file, found to be in the Jet format.
    static Result run(const QString &path);

    // A results row fits when its date is date text ("yyyy/MM/dd", with
    // " H:mm:ss" after it unless the time is 0:00:00) of a real date and time,
    // its score is decimal digits, and no text holds a quote.
    static bool fits(const ResultRow &row);
    // The name the old file is kept under: "ADO_ZEM.jet3.MDB" for a Jet 3
    // "ADO_ZEM.MDB", with a number added when that name is taken.
    static QString keptName(const QString &path, int jetVersion);
};
