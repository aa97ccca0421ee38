#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

// A results file in the old Jet format (Access 97 and later), read through the
// mdbtools programs run as child processes, so that a damaged file can never
// crash this program. Each tool runs in a process group of its own, which is
// stopped whole when the tool stays silent too long, prints more than a file
// of that size can hold, or the reading is cancelled; nothing it started is
// left running. Texts of Jet 3 files are decoded as code page 932, the code
// page of the Japanese Windows systems that wrote them.
class JetFile
{
public:
    // 3 for a Jet 3 file, 4 for a Jet 4 file, nothing for any other file or one
    // that cannot be read. Looks only at the first bytes of a regular file:
    // the signature "Standard Jet DB" at byte 4 and the version byte at 0x14.
    static std::optional<int> version(const QString &path);
    // True for a file of Access 2007 and later ("Standard ACE DB"), a format
    // the tools here do not read.
    static bool isNewerAccess(const QString &path);

    // The longest a tool may go without printing before it is stopped.
    static void setSilenceLimitMs(int ms);

    // What a reading reports while it runs and asks whether to go on. Both
    // are called from the wait for a tool, whose event loop keeps windows
    // painted and their buttons working.
    struct Watch
    {
        std::function<void(const QString &table, int rowsRead)> reading;
        std::function<bool()> cancelled;
    };

    enum class Status { Read, ToolsMissing, Unreadable, Cancelled };

    struct Listing
    {
        Status status = Status::Unreadable;
        QString detail;         // what went wrong, in one line; empty when Read
        QStringList tableNames; // every user table of the file, as stored
        // The stored name of a table, matched regardless of letter case as
        // in Jet; empty when the file has none.
        QString stored(const QString &name) const;
    };
    // Lists the file's tables.
    static Listing tables(const QString &path, const Watch &watch = {});

    struct Table
    {
        QStringList columns;
        std::vector<QStringList> rows; // one text per column; NULL reads as an empty text
    };
    struct Contents
    {
        Status status = Status::Unreadable;
        QString detail;
        std::map<QString, Table> tables; // each wanted table that exists, under its wanted name
    };
    // Reads every row of each table in `wanted` that the listing holds.
    static Contents read(const QString &path, const Listing &listing, const QStringList &wanted,
                         const Watch &watch = {});
};
