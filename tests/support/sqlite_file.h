#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

// Direct reads and writes of a database file for checking what the program did.
class SqliteFile
{
public:
    // Rows of a query, each joined with '|'; a failed query gives {"ERROR: …"}.
    static QStringList rows(const QString &path, const QString &query);
    static bool exec(const QString &path, const QString &statement);
    // ADO_ZEM.MDB in the current directory.
    static QString defaultPath();
};
