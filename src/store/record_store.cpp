#include "store/record_store.h"

#include "platform/project_globals.h"
#include "store/connection_string.h"
#include "store/record_database.h"
#include "store/record_file.h"
#include "store/statements.h"

namespace {
const ProjectGlobals &globals() { return ProjectGlobals::instance(); }

StoreOutcome failed(const RecordDatabase &db)
{
    return StoreOutcome::failed(db.lastError());
}

bool hasTable(RecordDatabase &db, const QString &name)
{
    const auto rows = db.query(Statements::tableExists(), {name});
    return rows && !rows->empty();
}
} // namespace

RecordStore::RecordStore(QString path) : path_(std::move(path)) {}

RecordStore RecordStore::byFileName()
{
    return RecordStore(RecordFile::locate(globals().databaseFileName));
}

RecordStore RecordStore::byConnectionString()
{
    return RecordStore(ConnectionString::dataSourcePath(globals().connectionString));
}

StoreOutcome RecordStore::probe() const
{
    RecordDatabase db;
    return db.open(path_) ? StoreOutcome::ok() : failed(db);
}

StoreOutcome RecordStore::create() const
{
    {
        RecordDatabase created;
        if (!created.create(path_))
            return failed(created);
    }
    RecordDatabase db;
    if (!db.open(path_))
        return failed(db);
    QString statement;
    return SQL_CRE_CUR(db, statement) ? StoreOutcome::ok() : failed(db);
}

bool RecordStore::SQL_CRE_CUR(RecordDatabase &db, QString &statement)
{
    statement = Statements::createSettingsTable();
    if (!db.execute(statement))
        return false;
    statement = Statements::createResultsTable();
    if (!db.execute(statement))
        return false;
    statement = Statements::insertSettingsRow();
    return db.execute(statement);
}

RecordStore::PeriodRead RecordStore::readPeriod() const
{
    using Status = PeriodRead::Status;
    RecordDatabase db;
    if (!db.open(path_))
        return {Status::FileUnusable, QString(), db.lastError()};
    const auto rows = db.query(Statements::settingsQuery());
    if (!rows)
        return {Status::QueryFailed, QString(), db.lastError()};
    if (rows->empty())
        return {Status::NoRow, QString(), QString()};
    return {Status::Read, rows->front().value(0).toString(), QString()};
}

StoreOutcome RecordStore::repairSettings() const
{
    RecordDatabase db;
    if (!db.open(path_))
        return failed(db);
    // Only what is missing is made: a settings table lost on its own gets its
    // row back even though the results table is still there.
    if (!db.execute(Statements::createSettingsTable()))
        return failed(db);
    if (!hasTable(db, globals().resultsTableName) && !db.execute(Statements::createResultsTable()))
        return failed(db);
    return db.execute(Statements::insertSettingsRow()) ? StoreOutcome::ok() : failed(db);
}

bool RecordStore::resultsTableMissing() const
{
    RecordDatabase db;
    if (!db.open(path_))
        return false;
    const auto rows = db.query(Statements::tableExists(), {globals().resultsTableName});
    return rows && rows->empty();
}

StoreOutcome RecordStore::createResultsTable() const
{
    RecordDatabase db;
    if (!db.open(path_) || !db.execute(Statements::createResultsTable()))
        return failed(db);
    return StoreOutcome::ok();
}

StoreOutcome RecordStore::purge(const QString &cutOffText) const
{
    RecordDatabase db;
    if (!db.open(path_) || !db.execute(Statements::purge(cutOffText)))
        return failed(db);
    return StoreOutcome::ok();
}

StoreOutcome RecordStore::appendResult(const QString &dateText, const QString &drillName,
                                       const QString &scoreText) const
{
    // The values stand between quotes unescaped; a quote would break the statement.
    for (const QString *value : {&dateText, &drillName, &scoreText}) {
        if (value->contains(QLatin1Char('\'')))
            return StoreOutcome::failed(QStringLiteral("a value holds a quote"));
    }
    RecordDatabase db;
    if (!db.open(path_) || !db.execute(Statements::insertResult(dateText, drillName, scoreText)))
        return failed(db);
    return StoreOutcome::ok();
}

RecordStore::ResultsPage RecordStore::readResults(const QString &drillName,
                                                  const std::optional<RowKey> &after,
                                                  int limit) const
{
    ResultsPage page;
    RecordDatabase db;
    if (!db.open(path_)) {
        page.outcome = failed(db);
        return page;
    }
    QVariantList values{drillName};
    if (after)
        values << after->when << after->rowId;
    values << limit;
    const auto rows = db.query(Statements::gridPage(after.has_value()), values, &page.columns);
    if (!rows) {
        page.outcome = failed(db);
        return page;
    }
    // The last two columns are the key, not shown.
    const qsizetype shown = page.columns.size() - 2;
    page.columns = page.columns.mid(0, shown);
    page.rows.reserve(rows->size());
    for (const QVariantList &row : *rows) {
        QStringList texts;
        for (qsizetype c = 0; c < shown; ++c)
            texts.append(row[c].toString());
        page.rows.push_back(texts);
    }
    if (!rows->empty())
        page.lastKey = RowKey{rows->back()[shown], rows->back()[shown + 1].toLongLong()};
    page.outcome = StoreOutcome::ok();
    return page;
}

RecordStore::PeriodSave RecordStore::savePeriod(const QString &periodText, QString *reason) const
{
    RecordDatabase db;
    int changed = 0;
    if (!db.open(path_) || !db.execute(Statements::savePeriod(periodText), &changed)) {
        *reason = db.lastError();
        return PeriodSave::Failed;
    }
    // An UPDATE of an empty table succeeds without storing anything.
    return changed < 1 ? PeriodSave::NoRow : PeriodSave::Saved;
}
