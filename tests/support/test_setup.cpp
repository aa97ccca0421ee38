#include "support/test_setup.h"

#include "platform/app_info.h"
#include "platform/app_setup.h"
#include "platform/project_globals.h"
#include "store/database_file.h"
#include "store/record_database.h"
#include "store/record_store.h"

#include <QApplication>
#include <QtTest>

void TestSetup::application()
{
    AppSetup::configure(*qApp);
    AppInfo::setProgramFolder(QStringLiteral(SANSU_PROMPT_DIR));
}

void TestSetup::globals()
{
    ProjectGlobals &g = ProjectGlobals::instance();
    g.setRecordNames();
    g.setConnectionString();
}

void TestSetup::createDatabase(const QString &period)
{
    globals();
    const QString path = DatabaseFile::locate(QStringLiteral("ADO_ZEM.MDB"));
    RecordDatabase db;
    QVERIFY(db.create(path));
    QString statement;
    QVERIFY(RecordStore::SQL_CRE_CUR(db, statement));
    if (period != QStringLiteral("90"))
        QVERIFY(db.execute(QStringLiteral("UPDATE ENV SET SET_LOG = '%1'").arg(period)));
}
