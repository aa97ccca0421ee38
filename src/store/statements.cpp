#include "store/statements.h"

#include "store/results_schema.h"

namespace {
using S = ResultsSchema;

// A queue row q and the LOG row it was made from: same rowid, same texts
// (IS: a missing text matches a missing text). A rowid alone could be that
// of a later row, after a delete.
QString sameLogRow(const QString &log)
{
    return QStringLiteral("q.log_rowid = %1.rowid AND q.log_when IS %1.%2 AND q.log_drill IS %1.%3 "
                          "AND q.log_score IS %1.%4")
        .arg(log, S::whenColumn, S::drillColumn, S::scoreColumn);
}

QString queueColumns()
{
    return QStringLiteral("( result_id, log_rowid, log_when, log_drill, log_score, pupil_id, pupil_name, class_id, "
                          "made_at )");
}

// The purge's condition, one text for deleting and for counting what it
// deletes: the rows whose date text sorts before the cut-off (bound).
QString beforeCutOff()
{
    return QStringLiteral(" WHERE ") + S::whenColumn + QStringLiteral(" < ?");
}
} // namespace

QString Statements::createSettingsTable()
{
    return QStringLiteral("CREATE TABLE ") + S::settingsTable + QStringLiteral(" ( ") + S::periodColumn
           + QStringLiteral(" TEXT") + QStringLiteral(" ) ;");
}

QString Statements::createResultsTable()
{
    return QStringLiteral("CREATE TABLE ") + S::resultsTable + QStringLiteral(" ( ") + S::whenColumn
           + QStringLiteral(" TEXT,") + S::drillColumn + QStringLiteral(" TEXT,") + S::scoreColumn
           + QStringLiteral(" TEXT") + QStringLiteral(" ) ;");
}

QString Statements::insertSettingsRow()
{
    return QStringLiteral("INSERT INTO ") + S::settingsTable + QStringLiteral(" ( ") + S::periodColumn
           + QStringLiteral(" ) VALUES ( ? );");
}

QString Statements::settingsQuery()
{
    return QStringLiteral("SELECT ") + S::periodColumn + QStringLiteral(" FROM ") + S::settingsTable
           + QStringLiteral(" ;");
}

QString Statements::purge()
{
    return QStringLiteral("DELETE FROM ") + S::resultsTable + beforeCutOff();
}

QString Statements::countPurged()
{
    return QStringLiteral("SELECT count(*) FROM ") + S::resultsTable + beforeCutOff();
}

QString Statements::insertResult()
{
    return QStringLiteral("INSERT INTO ") + S::resultsTable + QStringLiteral(" ( ") + S::whenColumn
           + QStringLiteral(",") + S::drillColumn + QStringLiteral(",") + S::scoreColumn
           + QStringLiteral(" ) VALUES ( ?,?,? );");
}

QVariantList Statements::resultValues(const ResultRow &row)
{
    return {row.when, row.drill, row.score};
}

QString Statements::savePeriod()
{
    return QStringLiteral("UPDATE ") + S::settingsTable + QStringLiteral(" SET ") + S::periodColumn
           + QStringLiteral(" = ? ;");
}

QString Statements::gridPage(bool afterKey)
{
    // A missing date sorts below every text, as it does in the grid's query;
    // ifnull gives it a value that sorts there and that a key can hold.
    const QString when = QStringLiteral("ifnull(") + S::whenColumn + QStringLiteral(", -1)");
    return QStringLiteral("SELECT ") + S::whenColumn + QStringLiteral(", ") + S::drillColumn
           + QStringLiteral(", ") + S::scoreColumn + QStringLiteral(", ") + when
           + QStringLiteral(", rowid FROM ") + S::resultsTable + QStringLiteral(" WHERE ") + S::drillColumn
           + QStringLiteral(" = ?")
           + (afterKey ? QStringLiteral(" AND (") + when + QStringLiteral(", rowid) < (?, ?)") : QString())
           + QStringLiteral(" ORDER BY ") + when + QStringLiteral(" DESC, rowid DESC LIMIT ?");
}

QString Statements::drillScores()
{
    return QStringLiteral("SELECT ") + S::whenColumn + QStringLiteral(", ") + S::scoreColumn
           + QStringLiteral(" FROM ") + S::resultsTable + QStringLiteral(" WHERE ") + S::drillColumn
           + QStringLiteral(" = ?");
}

QString Statements::tableExists()
{
    // SQLite matches table names without regard to letter case, so the
    // lookup does too.
    return QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE");
}

QString Statements::tableColumns()
{
    return QStringLiteral("SELECT name FROM pragma_table_info(?)");
}

QString Statements::beginWriting()
{
    return QStringLiteral("BEGIN IMMEDIATE");
}

QString Statements::rollBack()
{
    return QStringLiteral("ROLLBACK");
}

QString Statements::schemaVersion()
{
    return QStringLiteral("PRAGMA schema_version");
}

QString Statements::writeHeader()
{
    return QStringLiteral("PRAGMA user_version = 0");
}

QString Statements::commit()
{
    return QStringLiteral("COMMIT");
}

QStringList Statements::createSendQueue()
{
    // No index: each would be one more page that a sitting's transaction
    // writes. The sender reads onwards from a seq (the primary key), and the
    // backlog is matched against the queue read once. result_id is made unique
    // by the UUID itself, and the server's key checks it.
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS ") + S::sendQueueTable
            + QStringLiteral(" ( seq INTEGER PRIMARY KEY, result_id TEXT NOT NULL, "
                             "log_rowid INTEGER NOT NULL, log_when TEXT, log_drill TEXT, log_score TEXT, "
                             "pupil_id TEXT NOT NULL, pupil_name TEXT NOT NULL, class_id TEXT NOT NULL, "
                             "made_at TEXT, state TEXT NOT NULL DEFAULT 'waiting' "
                             "CHECK (state IN ('waiting', 'sent', 'refused')), reason TEXT, sent_at TEXT )")};
}

QString Statements::queueInserted()
{
    return QStringLiteral("INSERT INTO ") + S::sendQueueTable + QLatin1Char(' ') + queueColumns()
           + QStringLiteral(" VALUES ( ?, last_insert_rowid(), ?, ?, ?, ?, ?, ?, ? )");
}

QString Statements::queueRow()
{
    return QStringLiteral("INSERT INTO ") + S::sendQueueTable + QLatin1Char(' ') + queueColumns()
           + QStringLiteral(" VALUES ( ?, ?, ?, ?, ?, ?, ?, ?, ? )");
}

QString Statements::resultsAfter()
{
    return QStringLiteral("SELECT rowid, %1, %2, %3 FROM %4 WHERE rowid > ? ORDER BY rowid LIMIT ?")
        .arg(S::whenColumn, S::drillColumn, S::scoreColumn, S::resultsTable);
}

QString Statements::queuedAfter()
{
    return QStringLiteral("SELECT seq, log_rowid, log_when, log_drill, log_score FROM ") + S::sendQueueTable
           + QStringLiteral(" WHERE seq > ? ORDER BY seq");
}

QString Statements::waitingRows()
{
    return QStringLiteral("SELECT seq, result_id, log_when, log_drill, log_score, pupil_id, pupil_name, class_id, "
                          "made_at FROM ")
           + S::sendQueueTable + QStringLiteral(" WHERE seq > ? AND state = 'waiting' ORDER BY seq LIMIT ?");
}

QString Statements::markSent()
{
    return QStringLiteral("UPDATE ") + S::sendQueueTable
           + QStringLiteral(" SET state = 'sent', sent_at = ? WHERE state = 'waiting' "
                            "AND seq IN ( SELECT value FROM json_each(?) )");
}

QString Statements::markRefused()
{
    return QStringLiteral("UPDATE ") + S::sendQueueTable
           + QStringLiteral(" SET state = 'refused', reason = ? WHERE state = 'waiting' AND seq = ?");
}

QString Statements::queueCounts()
{
    return QStringLiteral("SELECT state, count(*), max(sent_at) FROM ") + S::sendQueueTable
           + QStringLiteral(" GROUP BY state");
}

QString Statements::refusedReasons()
{
    return QStringLiteral("SELECT reason, count(*) FROM ") + S::sendQueueTable
           + QStringLiteral(" WHERE state = 'refused' GROUP BY reason ORDER BY min(seq)");
}

QString Statements::pruneSent()
{
    // The row of the highest seq stays, so that seq (max + 1) never repeats.
    return QStringLiteral("DELETE FROM %1 AS q WHERE state = 'sent' AND seq < ( SELECT max(seq) FROM %1 ) "
                          "AND NOT EXISTS ( SELECT 1 FROM %2 WHERE %3 )")
        .arg(S::sendQueueTable, S::resultsTable, sameLogRow(S::resultsTable));
}
