#include "platform/project_globals.h"

ProjectGlobals &ProjectGlobals::instance()
{
    static ProjectGlobals globals;
    return globals;
}

void ProjectGlobals::setRecordNames(const QString &fileName, const QString &settingsTable,
                                    const QString &resultsTable)
{
    databaseFileName = fileName;
    settingsTableName = settingsTable;
    resultsTableName = resultsTable;
}

void ProjectGlobals::setConnectionString()
{
    connectionString = QStringLiteral(
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Ado_ZEM.mdb;Persist Security Info=False");
}
