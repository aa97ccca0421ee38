#include "store/results_log.h"

#include "store/date_text.h"
#include "store/record_database.h"
#include "store/results_changes.h"
#include "store/results_schema.h"
#include "store/statements.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>

namespace {
// What SQLite writes as zeros at the start of a journal until its first sync:
// the magic number and the page count.
constexpr qint64 journalHeaderBytes = 12;

StoreOutcome failed(const RecordDatabase &db)
{
    return StoreOutcome::failed(db.lastError(), db.lastFailureWasHeld(), db.lastSystemError());
}

// What a new file holds: both tables, the period, the rows (one transaction:
// thousands of rows are written in a moment).
std::function<bool(RecordDatabase &)> filling(const QString &period, const std::vector<ResultRow> &rows)
{
    return [&](RecordDatabase &db) {
        if (!ResultsLog::SQL_CRE_CUR(db))
            return false;
        if (!period.isEmpty() && period != ResultsSchema::firstPeriod && !db.execute(Statements::savePeriod(), {period}))
            return false;
        if (!db.transaction())
            return false;
        for (const ResultRow &row : rows) {
            if (!db.execute(Statements::insertResult(), Statements::resultValues(row)))
                return false;
        }
        return db.commit();
    };
}

// Why the file's tables of our names are not those of a results file, when
// they are not: the same columns in any letter case and order, no more. A
// missing table is no reason (start-up makes it).
std::optional<QString> otherShape(RecordDatabase &db)
{
    using S = ResultsSchema;
    const std::pair<QString, QStringList> tables[] = {
        {S::settingsTable, {S::periodColumn}},
        {S::resultsTable, {S::whenColumn, S::drillColumn, S::scoreColumn}},
    };
    for (const auto &[table, wanted] : tables) {
        const auto rows = db.query(Statements::tableColumns(), {table});
        if (!rows)
            return db.lastError();
        QStringList columns;
        for (const QVariantList &row : *rows)
            columns << row.value(0).toString();
        const bool same = columns.size() == wanted.size()
                          && std::all_of(wanted.begin(), wanted.end(), [&columns](const QString &name) {
                                 return columns.contains(name, Qt::CaseInsensitive);
                             });
        if (!columns.isEmpty() && !same)
            return QStringLiteral("table %1 has other columns than a results file: %2")
                .arg(table, columns.join(QStringLiteral(", ")));
    }
    return std::nullopt;
}

bool hasTable(RecordDatabase &db, const QString &name)
{
    const auto rows = db.query(Statements::tableExists(), {name});
    return rows && !rows->empty();
}

// Rows queued per transaction when the backlog is queued: each holds the file
// for a few milliseconds only.
constexpr int backlogChunk = 500;

QString newResultId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// Runs `work` in one write transaction (BEGIN IMMEDIATE … COMMIT). When any
// of it fails, closing the connection rolls it back and keeps the failure's
// words.
bool writing(RecordDatabase &db, const std::function<bool()> &work)
{
    if (db.execute(Statements::beginWriting()) && work() && db.execute(Statements::commit()))
        return true;
    db.close();
    return false;
}

bool makeSendQueue(RecordDatabase &db)
{
    const QStringList statements = Statements::createSendQueue();
    return std::all_of(statements.begin(), statements.end(), [&db](const QString &s) { return db.execute(s); });
}
} // namespace

ResultsLog::ResultsLog(QString path)
    : path_(std::move(path)), changes_(std::make_shared<ResultsChanges>()),
      queueOwner_(std::make_shared<std::optional<QueueOwner>>())
{
}

StoreOutcome ResultsLog::probe() const
{
    RecordDatabase db;
    if (!db.open(path_))
        return failed(db);
    // Another program's tables of our names are never added to or written.
    if (const std::optional<QString> why = otherShape(db))
        return StoreOutcome::failed(*why, db.lastFailureWasHeld());
    return StoreOutcome::ok();
}

StoreOutcome ResultsLog::create(const QString &period, const std::vector<ResultRow> &rows) const
{
    RecordDatabase db;
    return db.create(path_, filling(period, rows)) ? StoreOutcome::ok() : failed(db);
}

StoreOutcome ResultsLog::build(const QString &temporary, const QString &period, const std::vector<ResultRow> &rows)
{
    RecordDatabase db;
    return db.build(temporary, filling(period, rows)) ? StoreOutcome::ok() : failed(db);
}

bool ResultsLog::SQL_CRE_CUR(RecordDatabase &db, bool resultsTableExists)
{
    return db.execute(Statements::createSettingsTable())
           && (resultsTableExists || db.execute(Statements::createResultsTable()))
           && db.execute(Statements::insertSettingsRow(), {ResultsSchema::firstPeriod});
}

bool ResultsLog::removeStaleJournal() const
{
    const QFileInfo journal(path_ + QStringLiteral("-journal"));
    if (!journal.isFile() || journal.isSymLink())
        return false;
    RecordDatabase db;
    // Opening reads the file, and SQLite rolls back a hot journal then.
    if (!db.open(path_) || !db.execute(Statements::beginWriting()))
        return false;
    // No write of ours has begun, so whatever journal is still there is left
    // of one that ended; its header is zeroed until the write's first sync.
    QFile file(journal.filePath());
    const bool zeroed = file.open(QIODevice::ReadOnly)
                        && file.read(journalHeaderBytes).count('\0') == std::min<qint64>(file.size(), journalHeaderBytes);
    file.close();
    const bool removed = zeroed && QFile::remove(journal.filePath());
    db.execute(Statements::rollBack());
    return removed;
}

ResultsLog::PeriodRead ResultsLog::readPeriod() const
{
    using Status = PeriodRead::Status;
    RecordDatabase db;
    if (!db.open(path_))
        return {Status::FileUnusable, QString(), db.lastError(), db.lastFailureWasHeld()};
    const auto rows = db.query(Statements::settingsQuery());
    if (!rows)
        return {db.lastFailureWasHeld() ? Status::FileUnusable : Status::QueryFailed, QString(), db.lastError(),
                db.lastFailureWasHeld()};
    if (rows->empty())
        return {Status::NoRow, QString(), QString(), false};
    return {Status::Read, rows->front().value(0).toString(), QString(), false};
}

StoreOutcome ResultsLog::repairSettings() const
{
    RecordDatabase db;
    if (!db.open(path_))
        return failed(db);
    // Only what is missing is made: a settings table lost on its own gets its
    // row back even though the results table is still there.
    return SQL_CRE_CUR(db, hasTable(db, ResultsSchema::resultsTable)) ? StoreOutcome::ok() : failed(db);
}

bool ResultsLog::resultsTableMissing() const
{
    RecordDatabase db;
    if (!db.open(path_))
        return false;
    const auto rows = db.query(Statements::tableExists(), {ResultsSchema::resultsTable});
    return rows && rows->empty();
}

StoreOutcome ResultsLog::createResultsTable() const
{
    RecordDatabase db;
    if (!db.open(path_) || !db.execute(Statements::createResultsTable()))
        return failed(db);
    return StoreOutcome::ok();
}

StoreOutcome ResultsLog::purge(const QString &cutOffText) const
{
    RecordDatabase db;
    if (!db.open(path_) || !db.execute(Statements::purge(), {cutOffText}))
        return failed(db);
    return StoreOutcome::ok();
}

StoreOutcome ResultsLog::countPurged(const QString &cutOffText, qint64 *rows) const
{
    RecordDatabase db;
    const auto counted = db.open(path_) ? db.query(Statements::countPurged(), {cutOffText}) : std::nullopt;
    if (!counted || counted->empty())
        return failed(db);
    *rows = counted->front().value(0).toLongLong();
    return StoreOutcome::ok();
}

StoreOutcome ResultsLog::append(const ResultRow &row) const
{
    if (*queueOwner_) {
        const QDateTime moment = DateText::moment(row.when);
        return appendQueued(row, moment.isValid() ? moment : QDateTime::currentDateTime(), **queueOwner_);
    }
    RecordDatabase db;
    if (!db.open(path_) || !db.execute(Statements::insertResult(), Statements::resultValues(row)))
        return failed(db);
    db.close();
    emit changes_->appended(row.drill);
    return StoreOutcome::ok();
}

ResultsLog::ResultsPage ResultsLog::readResults(const QString &drillName, const std::optional<RowKey> &after,
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
    const auto rows = db.query(Statements::gridPage(after.has_value()), values);
    if (!rows) {
        page.outcome = failed(db);
        return page;
    }
    page.rows.reserve(rows->size());
    for (const QVariantList &row : *rows)
        page.rows.push_back({row[0].toString(), row[1].toString(), row[2].toString()});
    // The last two columns are the key.
    if (!rows->empty())
        page.lastKey = RowKey{rows->back()[3], rows->back()[4].toLongLong()};
    page.outcome = StoreOutcome::ok();
    return page;
}

ResultsLog::DrillScores ResultsLog::readScores(const QString &drillName) const
{
    DrillScores read;
    RecordDatabase db;
    // A drill may have a hundred thousand rows: each is kept as it is read.
    const auto keep = [&read](const QSqlQuery &q) {
        read.rows.push_back({q.value(0).toString(), q.value(1).toString()});
    };
    const bool done = db.open(path_)
                      && db.forEachRow(Statements::drillScores(), {drillName}, keep, [&read] { read.rows.clear(); });
    if (!done) {
        read.rows.clear();
        read.outcome = failed(db);
        return read;
    }
    read.outcome = StoreOutcome::ok();
    return read;
}

void ResultsLog::setQueueOwner(const std::optional<QueueOwner> &owner) const
{
    *queueOwner_ = owner;
}

StoreOutcome ResultsLog::appendQueued(const ResultRow &row, const QDateTime &madeAt, const QueueOwner &owner) const
{
    RecordDatabase db;
    const QVariantList queued{newResultId(),  row.when,        row.drill,     row.score,
                              owner.pupilId,  owner.pupilName, owner.classId, DateText::isoWithOffset(madeAt)};
    const bool written = db.open(path_) && writing(db, [&] {
        if (!db.execute(Statements::insertResult(), Statements::resultValues(row)))
            return false;
        if (db.execute(Statements::queueInserted(), queued))
            return true;
        // The file's first queued row makes the queue; a sitting pays for
        // making it once, not for asking each time. Any other failure keeps
        // its words.
        return db.lastError().startsWith(QLatin1String("no such table")) && makeSendQueue(db)
               && db.execute(Statements::queueInserted(), queued);
    });
    if (!written)
        return failed(db);
    db.close();
    emit changes_->appended(row.drill);
    return StoreOutcome::ok();
}

StoreOutcome ResultsLog::queueBacklog(const QueueOwner &owner, qint64 *queued) const
{
    RecordDatabase db;
    if (!db.open(path_))
        return failed(db);
    // The LOG rows queued so far, by rowid and texts, read once and then
    // followed by the queue rows added after the last seq read (seqs only
    // grow), so that a row queued meanwhile by a sitting is never queued twice.
    QSet<QString> known;
    const auto keyOf = [](const QVariant &rowid, const QVariant &when, const QVariant &drill, const QVariant &score) {
        const auto text = [](const QVariant &v) { return v.isNull() ? QStringLiteral("\x01") : v.toString(); };
        return rowid.toString() + QChar(0) + text(when) + QChar(0) + text(drill) + QChar(0) + text(score);
    };
    qint64 seenSeq = 0;
    qint64 after = 0;
    qint64 count = 0;
    for (bool more = true; more;) {
        const bool chunk = writing(db, [&] {
            const auto rows = db.query(Statements::resultsAfter(), {after, backlogChunk});
            if (!rows)
                return false;
            more = int(rows->size()) == backlogChunk;
            if (rows->empty())
                return true;
            if (!makeSendQueue(db))
                return false;
            const auto added = db.query(Statements::queuedAfter(), {seenSeq});
            if (!added)
                return false;
            for (const QVariantList &q : *added) {
                known.insert(keyOf(q[1], q[2], q[3], q[4]));
                seenSeq = q[0].toLongLong();
            }
            for (const QVariantList &r : *rows) {
                after = r[0].toLongLong();
                if (known.contains(keyOf(r[0], r[1], r[2], r[3])))
                    continue;
                const QDateTime made = DateText::moment(r[1].toString());
                if (!db.execute(Statements::queueRow(), {newResultId(), r[0], r[1], r[2], r[3], owner.pupilId,
                                                         owner.pupilName, owner.classId,
                                                         made.isValid() ? DateText::isoWithOffset(made) : QVariant()}))
                    return false;
                ++count;
            }
            return true;
        });
        if (!chunk)
            return failed(db);
    }
    if (queued)
        *queued = count;
    return StoreOutcome::ok();
}

ResultsLog::QueuedRows ResultsLog::readWaiting(int limit, qint64 afterSeq) const
{
    QueuedRows read;
    RecordDatabase db;
    if (!db.open(path_)) {
        read.outcome = failed(db);
        return read;
    }
    if (!hasTable(db, ResultsSchema::sendQueueTable)) {
        read.outcome = StoreOutcome::ok();
        return read;
    }
    const auto rows = db.query(Statements::waitingRows(), {afterSeq, limit});
    if (!rows) {
        read.outcome = failed(db);
        return read;
    }
    read.rows.reserve(rows->size());
    for (const QVariantList &r : *rows)
        read.rows.push_back({r[0].toLongLong(), r[1].toString(), r[2], r[3], r[4], r[5].toString(), r[6].toString(),
                             r[7].toString(), r[8].toString()});
    read.outcome = StoreOutcome::ok();
    return read;
}

StoreOutcome ResultsLog::markSent(const std::vector<qint64> &seqs, const QDateTime &sentAt) const
{
    QJsonArray list;
    for (const qint64 seq : seqs)
        list.append(seq);
    RecordDatabase db;
    if (!db.open(path_)
        || !db.execute(Statements::markSent(),
                       {DateText::isoWithOffset(sentAt), QString::fromUtf8(QJsonDocument(list).toJson())}))
        return failed(db);
    return StoreOutcome::ok();
}

StoreOutcome ResultsLog::markRefused(qint64 seq, const QString &reason) const
{
    RecordDatabase db;
    if (!db.open(path_) || !db.execute(Statements::markRefused(), {reason, seq}))
        return failed(db);
    return StoreOutcome::ok();
}

ResultsLog::QueueCounts ResultsLog::queueCounts() const
{
    QueueCounts counts;
    RecordDatabase db;
    if (!db.open(path_)) {
        counts.outcome = failed(db);
        return counts;
    }
    if (!hasTable(db, ResultsSchema::sendQueueTable)) {
        counts.outcome = StoreOutcome::ok();
        return counts;
    }
    const auto states = db.query(Statements::queueCounts());
    const auto reasons = states ? db.query(Statements::refusedReasons()) : std::nullopt;
    if (!reasons) {
        counts.outcome = failed(db);
        return counts;
    }
    for (const QVariantList &r : *states) {
        const QString state = r[0].toString();
        const qint64 n = r[1].toLongLong();
        if (state == QLatin1String("waiting"))
            counts.waiting = n;
        else if (state == QLatin1String("refused"))
            counts.refused = n;
        else if (state == QLatin1String("sent")) {
            counts.sent = n;
            counts.lastSentAt = r[2].toString();
        }
    }
    for (const QVariantList &r : *reasons)
        counts.refusedReasons.emplace_back(r[0].toString(), r[1].toLongLong());
    counts.outcome = StoreOutcome::ok();
    return counts;
}

StoreOutcome ResultsLog::pruneSent(qint64 *pruned) const
{
    RecordDatabase db;
    int removed = 0;
    if (!db.open(path_))
        return failed(db);
    if (hasTable(db, ResultsSchema::sendQueueTable) && !db.execute(Statements::pruneSent(), {}, &removed))
        return failed(db);
    if (pruned)
        *pruned = removed;
    return StoreOutcome::ok();
}

ResultsLog::PeriodSave ResultsLog::savePeriod(const QString &periodText, QString *reason) const
{
    RecordDatabase db;
    int changed = 0;
    if (!db.open(path_) || !db.execute(Statements::savePeriod(), {periodText}, &changed)) {
        *reason = db.lastError();
        return PeriodSave::Failed;
    }
    // An UPDATE of an empty table succeeds without storing anything.
    return changed < 1 ? PeriodSave::NoRow : PeriodSave::Saved;
}
