#pragma once

#include <QString>

// Reads the parts of a "Key=Value;Key=Value" connection string.
class ConnectionString
{
public:
    // The value of a key (matched without regard to case), trimmed; empty when absent.
    static QString value(const QString &connectionString, const QString &key);
    // The results file that the string's Data Source names (see RecordFile::locate).
    static QString dataSourcePath(const QString &connectionString);
};
