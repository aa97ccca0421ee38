#pragma once

#include "store/result_row.h"

#include <QString>

// Every statement the program runs on the results file, built from the names
// of ResultsSchema. The values put between quotes come from the program or
// are checked first, so none of them holds a quote.
class Statements
{
public:
    static QString createSettingsTable(); // "CREATE TABLE ENV ( SET_LOG TEXT ) ;"
    static QString createResultsTable();  // "CREATE TABLE LOG ( 日時 TEXT,科目 TEXT,得点 TEXT ) ;"
    static QString insertSettingsRow();   // "INSERT INTO ENV ( SET_LOG ) VALUES ( '90' );"
    static QString settingsQuery();       // "SELECT SET_LOG FROM ENV ;"
    // "DELETE FROM LOG WHERE 日時 < '…'"
    static QString purge(const QString &cutOffText);
    // "SELECT count(*) FROM LOG WHERE 日時 < ?": the rows the purge with the
    // cut-off text bound would delete, by the purge's own condition.
    static QString countPurged();
    // "INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( '…','…','…' );"
    static QString insertResult(const ResultRow &row);
    // "UPDATE ENV SET SET_LOG = '…' ;"
    static QString savePeriod(const QString &periodText);
    // The score grid's query for one drill (latest date text first) read one
    // page at a time: its three columns followed by their key (the date text,
    // rowid), ties broken by rowid; with `afterKey`, only the rows after the
    // key of the last row read. Bound values: the drill name, with afterKey
    // the key's two values, then the limit.
    static QString gridPage(bool afterKey);
    // "SELECT 日時, 得点 FROM LOG WHERE 科目 = ?": a drill's dates and scores
    // for its progress chart (the drill name bound).
    static QString drillScores();
    // Whether a table of a name exists, in any letter case (its name bound).
    static QString tableExists();
};
