#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

// A results file in the old Jet format (Access 97 and later), read through the
// mdbtools programs run as child processes, so that a damaged file can never
// crash this program. Texts of Jet 3 files are decoded as code page 932, the
// code page of the Japanese Windows systems that wrote them.
class JetFile
{
public:
    // 3 for a Jet 3 file, 4 for a Jet 4 file, nothing for any other file or one
    // that cannot be read. Looks only at the first bytes: the signature
    // "Standard Jet DB" at byte 4 and the version byte at 0x14.
    static std::optional<int> version(const QString &path);
    // True for a file of Access 2007 and later ("Standard ACE DB"), a format
    // the tools here do not read.
    static bool isNewerAccess(const QString &path);

    struct Table
    {
        QStringList columns;
        std::vector<QStringList> rows; // one text per column; NULL reads as an empty text
    };
    enum class Status { Read, ToolsMissing, Unreadable };
    struct Contents
    {
        Status status = Status::Unreadable;
        QString detail;                  // what went wrong, in one line; empty when Read
        QStringList tableNames;          // every user table of the file, as stored
        std::map<QString, Table> tables; // each wanted table that exists, under its wanted name
    };

    // Lists the file's tables and reads every row of each table in `wanted`
    // that exists; table names match regardless of letter case, as in Jet.
    static Contents read(const QString &path, const QStringList &wanted);
};
