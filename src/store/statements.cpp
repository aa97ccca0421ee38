#include "store/statements.h"

#include "store/results_schema.h"

namespace {
using S = ResultsSchema;

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
