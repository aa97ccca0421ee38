#include "platform/project_globals.h"

ProjectGlobals &ProjectGlobals::instance()
{
    static ProjectGlobals globals;
    return globals;
}

void ProjectGlobals::setRecordNames()
{
    databaseFileName = QStringLiteral("ADO_ZEM.MDB");
    settingsTableName = QStringLiteral("ENV");
    resultsTableName = QStringLiteral("LOG");
}

void ProjectGlobals::setConnectionString()
{
    connectionString = QStringLiteral(
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=Ado_ZEM.mdb;Persist Security Info=False");
}
