#include "store/statements.h"

#include "store/results_schema.h"

namespace {
using S = ResultsSchema;

QString quoted(const QString &text)
{
    return QStringLiteral("'") + text + QStringLiteral("'");
}

// The purge's condition, one text for deleting and for counting what it
// deletes: the rows whose date text sorts before the cut-off.
QString beforeCutOff(const QString &cutOff)
{
    return QStringLiteral(" WHERE ") + S::whenColumn + QStringLiteral(" < ") + cutOff;
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
           + QStringLiteral(" ) VALUES ( ") + quoted(S::firstPeriod) + QStringLiteral(" );");
}

QString Statements::settingsQuery()
{
    return QStringLiteral("SELECT ") + S::periodColumn + QStringLiteral(" FROM ") + S::settingsTable
           + QStringLiteral(" ;");
}

QString Statements::purge(const QString &cutOffText)
{
    return QStringLiteral("DELETE FROM ") + S::resultsTable + beforeCutOff(quoted(cutOffText));
}

QString Statements::countPurged()
{
    return QStringLiteral("SELECT count(*) FROM ") + S::resultsTable + beforeCutOff(QStringLiteral("?"));
}

QString Statements::insertResult(const ResultRow &row)
{
    return QStringLiteral("INSERT INTO ") + S::resultsTable + QStringLiteral(" ( ") + S::whenColumn
           + QStringLiteral(",") + S::drillColumn + QStringLiteral(",") + S::scoreColumn
           + QStringLiteral(" ) VALUES ( ") + quoted(row.when) + QStringLiteral(",") + quoted(row.drill)
           + QStringLiteral(",") + quoted(row.score) + QStringLiteral(" );");
}

QString Statements::savePeriod(const QString &periodText)
{
    return QStringLiteral("UPDATE ") + S::settingsTable + QStringLiteral(" SET ") + S::periodColumn
           + QStringLiteral(" = ") + quoted(periodText) + QStringLiteral(" ;");
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
