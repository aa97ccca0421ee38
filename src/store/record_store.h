#pragma once

#include <QString>

class RecordDatabase;

// The start-up steps of the record file: make sure it exists (asking before
// creating it), create its tables, read the retention period and purge the
// results older than it. Either step may end the program with a message.
class RecordStore
{
public:
    static void DB_ALLOC();
    static void SET_LOG_GET();

    // Creates ENV with its row "90" and LOG; stops at the first failing
    // statement. `statement` holds the last statement built.
    static bool SQL_CRE_CUR(RecordDatabase &db, QString &statement);

    static QString settingsQuery();
    static QString purgeStatement(const QString &cutOffText);

private:
    static bool repairTables(RecordDatabase &db);
};
