#pragma once

#include <QString>

// The five texts that the menu sets at start-up and every window reads, and
// what start-up knows of the child who practises.
struct ProjectGlobals
{
    QString databaseFileName;   // "ADO_ZEM.MDB"
    QString settingsTableName;  // "ENV"
    QString resultsTableName;   // "LOG"
    QString connectionString;   // names the results file as the score window's data source
    QString currentDrillName;   // set by the drill buttons and the score window's options

    // A question missed comes back later in the sitting (a parent's choice
    // for the child; off for a start from a terminal).
    bool askMissedAgain = false;
    // The desktop start's data folder (empty for a start from a terminal),
    // and the child of the family who practises in this run (the id empty
    // while the family has no children).
    QString dataFolder;
    QString childId;
    // The child's name, when the family has two or more: it follows the
    // caption of the windows that show the child's results.
    QString childName;
    // A results folder that does not exist yet: start-up makes it, and enters
    // it, only once the results file is to be created there.
    QString folderToMake;

    static ProjectGlobals &instance();

    // The start-up values: the record file and its two tables, and the
    // connection string, whose data source is that file too.
    void setRecordNames(const QString &fileName, const QString &settingsTable, const QString &resultsTable);
    void setConnectionString();
};
