#pragma once

#include "store/jet_file.h"
#include "store/record_file.h"
#include "store/result_row.h"

#include <QString>
#include <QStringList>

#include <functional>

// Carries a results file of the old Jet format over into a file of ours: its
// first retention period and every results row whose date is a date, texts
// unchanged. The new file is made whole under a temporary name; the old file
// is kept, unchanged, under a name that says what it is, and only then does
// the new file take the old one's place. Anything that fails or is cancelled
// before that leaves every file as it was. One copy of the program carries a
// file over at a time.
class JetCarryOver
{
public:
    enum class Step { ReadingSettings, ReadingResults, Writing };
    // What a carry-over reports while it runs, and asks whether to go on.
    struct Progress
    {
        std::function<void(Step step, int rowsRead)> reached;
        std::function<bool()> cancelled;
    };

    struct Result
    {
        enum class Status {
            CarriedOver,    // the new file is in place
            AlreadyCarried, // another copy of the program carried it over meanwhile
            InProgress,     // another copy of the program is carrying it over now
            NoPermission,   // the folder may not be written
            LockInTheWay,   // something else has the name of the lock (lock, lockKind)
            Unreadable,     // the tools cannot read it
            Cancelled,
            Failed,         // the new file could not be written or put in place
        };
        Status status = Status::Failed;
        int carried = 0;          // results rows carried over
        QStringList misfits;      // rows left behind, each "date　drill　score"
        QString keptAs;           // the old file's new name (CarriedOver)
        QString reason;           // what went wrong, in the tools' or engine's words
        QString lock;             // the lock's name (LockInTheWay)
        RecordFile::Kind lockKind = RecordFile::Kind::Missing;
    };

    // True when the file's tables are those of a results file.
    static bool isResultsFile(const JetFile::Listing &listing);
    // `path`: the results file, found to be in the Jet format; `listing`: its
    // tables, those of a results file.
    static Result run(const QString &path, const JetFile::Listing &listing, const Progress &progress = {});

    // A row is carried when its date is a real date, alone or with a time
    // whose hour is padded or not ("yyyy/MM/dd", "yyyy/MM/dd H:mm:ss",
    // "yyyy/MM/dd HH:mm:ss"). Its texts are carried as they are, whatever
    // characters they hold.
    static bool fits(const ResultRow &row);
    // The name the old file is kept under: "ADO_ZEM.jet3.MDB" for a Jet 3
    // "ADO_ZEM.MDB", with a number added when that name is taken by another
    // file; a name that is already a hard link of the file is its name.
    static QString keptName(const QString &path, int jetVersion);
};
