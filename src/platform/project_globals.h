#pragma once

#include <QString>

// The five texts that the menu sets at start-up and every window reads.
struct ProjectGlobals
{
    QString databaseFileName;   // "ADO_ZEM.MDB"
    QString settingsTableName;  // "ENV"
    QString resultsTableName;   // "LOG"
    QString connectionString;   // read by the score window
    QString currentDrillName;   // set by the drill buttons and the score window's options

    static ProjectGlobals &instance();

    // The start-up values: the record file and its two tables, and the
    // connection string the score window reads through.
    void setRecordNames();
    void setConnectionString();
};
