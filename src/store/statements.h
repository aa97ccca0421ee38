#pragma once

#include <QString>

// Every statement the program runs on the results file. The table names come
// from the project globals; the values put between quotes come from the
// program or are checked first, so none of them holds a quote.
class Statements
{
public:
    static QString createSettingsTable(); // "CREATE TABLE ENV ( SET_LOG TEXT ) ;"
    static QString createResultsTable();  // "CREATE TABLE LOG ( 日時 TEXT,科目 TEXT,得点 TEXT ) ;"
    static QString insertSettingsRow();   // "INSERT INTO ENV ( SET_LOG ) VALUES ( '90' );"
    static QString settingsQuery();       // "SELECT SET_LOG FROM ENV ;"
    static QString purge(const QString &cutOffText);
    static QString insertResult(const QString &dateText, const QString &drillName,
                                const QString &scoreText);
    static QString savePeriod(const QString &periodText);
    // The score grid's query for one drill ("SELECT * FROM LOG WHERE 科目 =
    // '…' ORDER BY 日時 DESC ;") read one page at a time: its rows followed
    // by their key (日時, rowid), in its order, ties broken by rowid; with `afterKey`, only the rows that
    // come after the key (日時, rowid) of the last row read. Values are bound:
    // the drill name, then with afterKey the key's two values, then the limit.
    static QString gridPage(bool afterKey);
    // Whether a table of a name exists (its name bound).
    static QString tableExists();
};
