#include "store/statements.h"

#include "platform/project_globals.h"

namespace {
const ProjectGlobals &globals() { return ProjectGlobals::instance(); }
} // namespace

QString Statements::createSettingsTable()
{
    return QStringLiteral("CREATE TABLE ") + globals().settingsTableName + QStringLiteral(" ( ")
           + QStringLiteral("SET_LOG TEXT") + QStringLiteral(" ) ;");
}

QString Statements::createResultsTable()
{
    return QStringLiteral("CREATE TABLE ") + globals().resultsTableName + QStringLiteral(" ( ")
           + QStringLiteral("日時 TEXT,") + QStringLiteral("科目 TEXT,") + QStringLiteral("得点 TEXT")
           + QStringLiteral(" ) ;");
}

QString Statements::insertSettingsRow()
{
    return QStringLiteral("INSERT INTO ") + globals().settingsTableName + QStringLiteral(" ( ")
           + QStringLiteral("SET_LOG") + QStringLiteral(" ) VALUES ( ") + QStringLiteral("'90'")
           + QStringLiteral(" );");
}

QString Statements::settingsQuery()
{
    return QStringLiteral("SELECT SET_LOG FROM ") + globals().settingsTableName + QStringLiteral(" ;");
}

QString Statements::purge(const QString &cutOffText)
{
    return QStringLiteral("DELETE FROM ") + globals().resultsTableName
           + QStringLiteral(" WHERE 日時 < '") + cutOffText + QStringLiteral("'");
}

QString Statements::insertResult(const QString &dateText, const QString &drillName,
                                 const QString &scoreText)
{
    return QStringLiteral("INSERT INTO ") + globals().resultsTableName + QStringLiteral(" ( ")
           + QStringLiteral("日時,科目,得点") + QStringLiteral(" ) VALUES ( ") + QStringLiteral("'")
           + dateText + QStringLiteral("',") + QStringLiteral("'") + drillName
           + QStringLiteral("',") + QStringLiteral("'") + scoreText + QStringLiteral("'")
           + QStringLiteral(" );");
}

QString Statements::savePeriod(const QString &periodText)
{
    return QStringLiteral("UPDATE ") + globals().settingsTableName
           + QStringLiteral(" SET SET_LOG = '") + periodText + QStringLiteral("' ;");
}

QString Statements::gridPage(bool afterKey)
{
    // A missing 日時 sorts below every text, as it does in the grid's query;
    // ifnull gives it a value that sorts there and that a key can hold.
    return QStringLiteral("SELECT *, ifnull(日時, -1), rowid FROM ") + globals().resultsTableName
           + QStringLiteral(" WHERE 科目 = ?")
           + (afterKey ? QStringLiteral(" AND (ifnull(日時, -1), rowid) < (?, ?)") : QString())
           + QStringLiteral(" ORDER BY ifnull(日時, -1) DESC, rowid DESC LIMIT ?");
}

QString Statements::tableExists()
{
    return QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?");
}
