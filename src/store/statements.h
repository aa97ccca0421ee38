#pragma once

#include "store/result_row.h"

#include <QString>
#include <QStringList>
#include <QVariant>

// Every statement the program runs on the results file, built from the names
// of ResultsSchema. Each value is a placeholder ("?") bound when the statement
// runs, never part of its text: a quote or a NUL in a value is stored as it
// is, and no text can change a statement.
class Statements
{
public:
    static QString createSettingsTable(); // "CREATE TABLE ENV ( SET_LOG TEXT ) ;"
    static QString createResultsTable();  // "CREATE TABLE LOG ( 日時 TEXT,科目 TEXT,得点 TEXT ) ;"
    // "INSERT INTO ENV ( SET_LOG ) VALUES ( ? );", the first period bound
    static QString insertSettingsRow();
    static QString settingsQuery();       // "SELECT SET_LOG FROM ENV ;"
    // "DELETE FROM LOG WHERE 日時 < ?", the cut-off text bound
    static QString purge();
    // "SELECT count(*) FROM LOG WHERE 日時 < ?": the rows the purge with the
    // cut-off text bound would delete, by the purge's own condition.
    static QString countPurged();
    // "INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( ?,?,? );", a row's texts
    // bound in column order (resultValues)
    static QString insertResult();
    static QVariantList resultValues(const ResultRow &row);
    // "UPDATE ENV SET SET_LOG = ? ;", the period text bound
    static QString savePeriod();
    // The score grid's query for one drill (latest date text first) read one
    // page at a time: its three columns followed by their key (the date text,
    // rowid), ties broken by rowid; with `afterKey`, only the rows after the
    // key of the last row read. Bound values: the drill name, with afterKey
    // the key's two values, then the limit.
    static QString gridPage(bool afterKey);
    // "SELECT 日時, 得点 FROM LOG WHERE 科目 = ?": a drill's dates and scores
    // for its progress chart (the drill name bound).
    static QString drillScores();
    // "PRAGMA schema_version": reading it makes a file that is no database fail.
    static QString schemaVersion();
    // "PRAGMA user_version = 0": a change that gives a new file its header.
    static QString writeHeader();
    // "BEGIN IMMEDIATE": a transaction that holds the file for writing from
    // its start, so that no other program is writing meanwhile.
    static QString beginWriting();
    static QString rollBack(); // "ROLLBACK"
    // Whether a table of a name exists, in any letter case (its name bound).
    static QString tableExists();
    // The names of a table's columns, in any letter case (its name bound);
    // no rows when there is no such table.
    static QString tableColumns();
    static QString commit(); // "COMMIT"

    // The send queue (ResultsSchema::sendQueueTable). Each row: seq (increasing
    // per file: the highest is never pruned, so none is used twice), result_id (a UUID made for
    // the row), log_rowid and log_when, log_drill, log_score (the LOG row's
    // rowid and its three texts as LOG holds them), pupil_id, pupil_name,
    // class_id, made_at (the sitting's time, ISO 8601 with its UTC offset),
    // state ('waiting', 'sent' or 'refused'), reason (the refusal's words),
    // sent_at (ISO 8601). made_at is NULL for a row whose date text is no date.
    static QStringList createSendQueue(); // the table, if missing
    // Queues the LOG row just inserted on this connection (last_insert_rowid)
    // with its three texts. Bound: result_id, the texts, pupil_id,
    // pupil_name, class_id, made_at.
    static QString queueInserted();
    // Queues a given LOG row. Bound: result_id, log_rowid, the texts,
    // pupil_id, pupil_name, class_id, made_at.
    static QString queueRow();
    // Up to a limit of LOG rows after a rowid, in rowid order: rowid, 日時,
    // 科目, 得点. Bound: the rowid, the limit.
    static QString resultsAfter();
    // The queue rows after a seq, in seq order: seq, log_rowid, log_when,
    // log_drill, log_score. Bound: the seq.
    static QString queuedAfter();
    // Up to a limit of waiting rows after a seq, oldest first: seq, result_id,
    // log_when, log_drill, log_score, pupil_id, pupil_name, class_id,
    // made_at. Bound: the seq, the limit.
    static QString waitingRows();
    // Marks waiting rows sent. Bound: sent_at, the seqs as a JSON array.
    static QString markSent();
    // Sets a waiting row apart. Bound: the reason, the seq.
    static QString markRefused();
    // Per state: state, count, the latest sent_at.
    static QString queueCounts();
    // The refusals' reasons, each with its count, the oldest first.
    static QString refusedReasons();
    // Deletes sent rows whose LOG row (same rowid and texts) is gone, but for
    // the row of the highest seq.
    static QString pruneSent();
};
