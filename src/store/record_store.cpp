#include "store/record_store.h"

#include "platform/dialogs.h"
#include "platform/program_exit.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "store/database_file.h"
#include "store/date_text.h"
#include "store/leading_number.h"
#include "store/record_database.h"
#include "store/retention.h"

namespace {
const ProjectGlobals &globals() { return ProjectGlobals::instance(); }

QString createSettingsTable()
{
    return QStringLiteral("CREATE TABLE ") + globals().settingsTableName + QStringLiteral(" ( ")
           + QStringLiteral("SET_LOG TEXT") + QStringLiteral(" ) ;");
}

QString createResultsTable()
{
    return QStringLiteral("CREATE TABLE ") + globals().resultsTableName + QStringLiteral(" ( ")
           + QStringLiteral("日時 TEXT,") + QStringLiteral("科目 TEXT,") + QStringLiteral("得点 TEXT")
           + QStringLiteral(" ) ;");
}

QString insertSettingsRow()
{
    return QStringLiteral("INSERT INTO ") + globals().settingsTableName + QStringLiteral(" ( ")
           + QStringLiteral("SET_LOG") + QStringLiteral(" ) VALUES ( ") + QStringLiteral("'90'")
           + QStringLiteral(" );");
}

bool tableExists(RecordDatabase &db, const QString &name)
{
    const auto rows = db.query(
        QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = '%1'")
            .arg(name));
    return rows && !rows->empty();
}

[[noreturn]] void stopWith(const QString &message)
{
    Dialogs::current().tell(message);
    ProgramExit::end(1);
}
} // namespace

QString RecordStore::settingsQuery()
{
    return QStringLiteral("SELECT SET_LOG FROM ") + globals().settingsTableName + QStringLiteral(" ;");
}

QString RecordStore::purgeStatement(const QString &cutOffText)
{
    return QStringLiteral("DELETE FROM ") + globals().resultsTableName
           + QStringLiteral(" WHERE 日時 < '") + cutOffText + QStringLiteral("'");
}

bool RecordStore::SQL_CRE_CUR(RecordDatabase &db, QString &statement)
{
    statement = createSettingsTable();
    if (!db.execute(statement))
        return false;
    statement = createResultsTable();
    if (!db.execute(statement))
        return false;
    statement = insertSettingsRow();
    return db.execute(statement);
}

void RecordStore::DB_ALLOC()
{
    const QString name = globals().databaseFileName;
    {
        RecordDatabase probe;
        if (probe.open(DatabaseFile::locate(name)))
            return;
    }
    if (!Dialogs::current().ask(name + QStringLiteral("が見つかりません､新規作成しますか?"))) {
        stopWith(name + QStringLiteral("がないために処理が続行できないので終了します"));
    }
    // Failures from here on pass without a message: the next step reports a
    // file it cannot use. Creating never touches a file that exists already.
    const QString path = DatabaseFile::locate(name);
    {
        RecordDatabase created;
        if (!created.create(path))
            return;
    }
    RecordDatabase db;
    if (!db.open(path))
        return;
    QString statement;
    SQL_CRE_CUR(db, statement);
}

bool RecordStore::repairTables(RecordDatabase &db)
{
    // Creates what is missing: a settings table lost on its own must get its
    // row back even though the results table is still there.
    if (!db.execute(createSettingsTable()))
        return false;
    if (!tableExists(db, globals().resultsTableName) && !db.execute(createResultsTable()))
        return false;
    return db.execute(insertSettingsRow());
}

void RecordStore::SET_LOG_GET()
{
    const QString name = globals().databaseFileName;
    const QString path = DatabaseFile::locate(name);
    RecordDatabase db;
    if (!db.open(path))
        stopWith(name + QStringLiteral("がありません"));

    auto rows = db.query(settingsQuery());
    if (!rows) {
        Dialogs::current().tell(globals().settingsTableName
                                + QStringLiteral("がありません､新規作成します"));
        const bool repaired = repairTables(db);
        const QString repairError = db.lastError();
        db.close();
        if (!db.open(path))
            stopWith(name + QStringLiteral("がありません"));
        rows = db.query(settingsQuery());
        if (!rows) {
            stopWith(name + QStringLiteral("の") + globals().settingsTableName
                     + QStringLiteral("を作成できないため処理を続行できません\n(")
                     + (repaired ? db.lastError() : repairError) + QStringLiteral(")"));
        }
    }
    if (rows->empty()) {
        db.close();
        stopWith(globals().settingsTableName
                 + QStringLiteral("ﾚｺｰﾄﾞがないため処理を続行できません"));
    }

    const double period = LeadingNumber::of(rows->front().value(0).toString());
    const auto cut = Retention::cutOff(SystemClock::now(), period);
    if (!cut)
        return;
    if (!db.execute(purgeStatement(DateText::of(*cut)))) {
        // Not fatal: the old rows stay until a later start can delete them.
        Dialogs::current().tell(name + QStringLiteral("の古い成績を削除できませんでした\n(")
                                + db.lastError() + QStringLiteral(")"));
    }
}
