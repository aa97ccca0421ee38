#include "school/server_link.h"

#include "school/server_statements.h"
#include "store/record_database.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
const QString driverName = QStringLiteral("QPSQL");

QString newConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("sansu-school-%1").arg(counter.fetchAndAddRelaxed(1));
}

// A value for a libpq connection option, quoted as libpq reads it.
QString quoted(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

// Why a row cannot be sent at all, or nothing. A NUL cannot be stored in a
// PostgreSQL text, and the driver would cut the text short at it without a
// word; a row whose date is no date has no time of its sitting to send.
QString unsendable(const ResultsLog::QueuedRow &row)
{
    const QString texts[] = {row.when.toString(), row.drill.toString(), row.score.toString(), row.pupilId,
                             row.pupilName, row.classId, row.resultId};
    for (const QString &text : texts) {
        if (text.contains(QChar(u'\0')))
            return QStringLiteral("a text of the row holds a NUL character, which the server cannot store");
    }
    if (!QDateTime::fromString(row.madeAt, Qt::ISODate).isValid())
        return QStringLiteral("the row's date is not a date: ") + row.when.toString();
    return {};
}
} // namespace

ServerLink::ServerLink(Settings settings) : settings_(std::move(settings)), connectionName_(newConnectionName()) {}

ServerLink::~ServerLink()
{
    close();
}

bool ServerLink::isLoginRefused(const QString &words)
{
    // libpq's words for a refused password, a password that is missing and a
    // login role that does not exist (and the server's for no entry in
    // pg_hba.conf).
    static const char *const refusals[] = {"password authentication failed", "no password supplied",
                                           "does not exist", "no pg_hba.conf entry"};
    for (const char *refusal : refusals) {
        if (words.contains(QLatin1String(refusal)))
            return true;
    }
    return false;
}

QString ServerLink::wordsOf(const QSqlError &error)
{
    const QString text = (error.databaseText().isEmpty() ? error.text() : error.databaseText()).trimmed();
    return error.nativeErrorCode().isEmpty() ? text : error.nativeErrorCode() + QStringLiteral(": ") + text;
}

QString ServerLink::connectOptions(const QString &service, int connectTimeoutS, int statementTimeoutMs,
                                   int idleInTransactionMs, const QString &application)
{
    return QStringLiteral("service=%1;connect_timeout=%2;keepalives=1;keepalives_idle=20;keepalives_interval=5;"
                          "keepalives_count=3;tcp_user_timeout=%3;application_name=%4;options=%5")
        .arg(quoted(service))
        .arg(connectTimeoutS)
        .arg(statementTimeoutMs + 5000)
        .arg(quoted(application))
        .arg(quoted(QStringLiteral("-c statement_timeout=%1 -c idle_in_transaction_session_timeout=%2")
                        .arg(statementTimeoutMs)
                        .arg(idleInTransactionMs)));
}

bool ServerLink::isForGood(const QSqlError &error)
{
    // Data exceptions (22) and integrity violations (23) are the row's own;
    // 42501 is the row-level security refusing the row's class (checked
    // further in rowByRow). A missing SQLSTATE is the link failing.
    const QString state = error.nativeErrorCode();
    return state.startsWith(QLatin1String("22")) || state.startsWith(QLatin1String("23"))
           || state == QLatin1String("42501");
}

ServerLink::Opened ServerLink::open(QString *words)
{
    close();
    if (!QSqlDatabase::isDriverAvailable(driverName)) {
        *words = QStringLiteral("Qt's PostgreSQL driver (QPSQL) is not installed");
        return Opened::NoDriver;
    }
    Opened opened = Opened::Ready;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driverName, connectionName_);
        // The driver connects with libpq's blocking call: connect_timeout
        // bounds it. A server that answers and then hangs is bounded by the
        // statement timeout (the server's own), by keepalives (a peer that is
        // gone) and by tcp_user_timeout (data never acknowledged).
        db.setConnectOptions(connectOptions(settings_.service, settings_.connectTimeoutS, settings_.statementTimeoutMs,
                                            settings_.statementTimeoutMs * 4, QStringLiteral("sansu-drill")));
        if (!db.open()) {
            *words = wordsOf(db.lastError());
            opened = isLoginRefused(*words) ? Opened::LoginRefused : Opened::Failed;
        } else {
            QSqlQuery version(db);
            if (!version.exec(ServerStatements::schemaVersion()) || !version.next()) {
                *words = version.lastError().isValid() ? wordsOf(version.lastError())
                                                       : QStringLiteral("the server has no schema version");
                opened = Opened::Failed;
            } else if (version.value(0).toInt() > ServerStatements::knownMajor) {
                *words = QStringLiteral("the server's schema is version %1.%2; this program writes to version %3")
                             .arg(version.value(0).toInt())
                             .arg(version.value(1).toInt())
                             .arg(ServerStatements::knownMajor);
                opened = Opened::SchemaNewer;
            }
        }
    }
    if (opened != Opened::Ready)
        close();
    return opened;
}

std::optional<std::vector<QVariantList>> ServerLink::select(const QString &statement, QString *words)
{
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    query.setForwardOnly(true);
    if (!query.exec(statement)) {
        *words = wordsOf(query.lastError());
        return std::nullopt;
    }
    std::vector<QVariantList> rows;
    while (query.next()) {
        QVariantList row;
        for (int c = 0; c < query.record().count(); ++c)
            row << query.value(c);
        rows.push_back(std::move(row));
    }
    return rows;
}

bool ServerLink::isOpen() const
{
    return QSqlDatabase::contains(connectionName_) && QSqlDatabase::database(connectionName_, false).isOpen();
}

void ServerLink::close()
{
    prepared_.clear();
    RecordDatabase::dropConnection(connectionName_);
}

QSqlQuery &ServerLink::prepared(int kind, int rows, const QString &statement)
{
    std::unique_ptr<QSqlQuery> &query = prepared_[{kind, rows}];
    if (!query) {
        query = std::make_unique<QSqlQuery>(QSqlDatabase::database(connectionName_, false));
        query->prepare(statement);
    }
    return *query;
}

ServerLink::Attempt ServerLink::run(QSqlQuery &query)
{
    if (query.exec())
        return {};
    const QSqlError error = query.lastError();
    return {isForGood(error) ? Tried::ForGood : Tried::Transient, error};
}

ServerLink::Attempt ServerLink::plain(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    return query.exec(statement) ? Attempt{} : Attempt{Tried::Transient, query.lastError()};
}

ServerLink::Attempt ServerLink::insert(const std::vector<const ResultsLog::QueuedRow *> &rows, const QString &clock)
{
    // Each pupil once, before the rows that name it.
    std::vector<const ResultsLog::QueuedRow *> pupils;
    for (const ResultsLog::QueuedRow *row : rows) {
        const bool seen = std::any_of(pupils.begin(), pupils.end(), [row](const ResultsLog::QueuedRow *p) {
            return p->pupilId == row->pupilId && p->classId == row->classId;
        });
        if (!seen)
            pupils.push_back(row);
    }
    QSqlQuery &pupilInsert = prepared(0, int(pupils.size()), ServerStatements::insertPupils(int(pupils.size())));
    for (const ResultsLog::QueuedRow *p : pupils) {
        pupilInsert.addBindValue(p->pupilId);
        pupilInsert.addBindValue(p->classId);
        pupilInsert.addBindValue(p->pupilName);
        pupilInsert.addBindValue(settings_.pcId);
    }
    if (const Attempt a = run(pupilInsert); a.tried != Tried::Done)
        return a;
    QSqlQuery &resultInsert = prepared(1, int(rows.size()), ServerStatements::insertResults(int(rows.size())));
    for (const ResultsLog::QueuedRow *r : rows) {
        const QVariant values[] = {r->resultId, r->pupilId, r->classId, r->drill, r->score, r->when, r->madeAt,
                                   QDateTime::fromString(r->madeAt, Qt::ISODate).offsetFromUtc() / 60,
                                   settings_.pcId, settings_.pcName, r->seq, clock};
        for (const QVariant &value : values)
            resultInsert.addBindValue(value);
    }
    return run(resultInsert);
}

QStringList ServerLink::writableClasses()
{
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    QStringList classes;
    if (query.exec(ServerStatements::pcClasses())) {
        while (query.next())
            classes << query.value(0).toString();
    }
    return classes;
}

ServerLink::Sent ServerLink::send(const std::vector<ResultsLog::QueuedRow> &rows)
{
    Sent sent;
    std::vector<const ResultsLog::QueuedRow *> sendable;
    for (const ResultsLog::QueuedRow &row : rows) {
        if (const QString why = unsendable(row); !why.isEmpty())
            sent.refused.emplace_back(row.seq, why);
        else
            sendable.push_back(&row);
    }
    if (sendable.empty())
        return sent;
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    // The PC's clock as the batch leaves, beside the server's time of receipt.
    const QString clock = QDateTime::currentDateTime().toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
                              .toString(Qt::ISODateWithMs);
    if (!db.transaction()) {
        sent.transient = true;
        sent.words = wordsOf(db.lastError());
        return sent;
    }
    const Attempt batch = insert(sendable, clock);
    if (batch.tried == Tried::Done) {
        if (db.commit()) {
            for (const ResultsLog::QueuedRow *row : sendable)
                sent.sent.push_back(row->seq);
        } else {
            sent.transient = true;
            sent.words = wordsOf(db.lastError());
        }
        return sent;
    }
    db.rollback();
    if (batch.tried == Tried::Transient) {
        sent.transient = true;
        sent.words = wordsOf(batch.error);
        return sent;
    }
    return rowByRow(sendable, clock, std::move(sent));
}

ServerLink::Sent ServerLink::rowByRow(const std::vector<const ResultsLog::QueuedRow *> &rows, const QString &clock,
                                      Sent sent)
{
    // One transaction, each row under a savepoint of its own: a refused row
    // is rolled back alone and the rows behind it still go.
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    const auto failed = [&](const QSqlError &error) {
        db.rollback();
        sent.transient = true;
        sent.words = wordsOf(error);
        return std::move(sent);
    };
    if (!db.transaction())
        return failed(db.lastError());
    std::vector<qint64> taken;
    QStringList writable;
    bool classesRead = false;
    for (const ResultsLog::QueuedRow *row : rows) {
        if (const Attempt a = plain(ServerStatements::savepoint()); a.tried != Tried::Done)
            return failed(a.error);
        const Attempt a = insert({row}, clock);
        if (a.tried == Tried::Transient)
            return failed(a.error);
        if (a.tried == Tried::Done) {
            if (const Attempt r = plain(ServerStatements::releaseSavepoint()); r.tried != Tried::Done)
                return failed(r.error);
            taken.push_back(row->seq);
            continue;
        }
        if (const Attempt r = plain(ServerStatements::rollBackToSavepoint()); r.tried != Tried::Done)
            return failed(r.error);
        // A refusal of the right to insert is the row's own only when its
        // class is not among this login's; otherwise the rights are wrong
        // for every row, and that is for the admin to mend.
        if (a.error.nativeErrorCode() == QLatin1String("42501")) {
            if (!classesRead) {
                writable = writableClasses();
                classesRead = true;
            }
            if (writable.contains(row->classId))
                return failed(a.error);
        }
        sent.refused.emplace_back(row->seq, wordsOf(a.error));
    }
    if (!db.commit())
        return failed(db.lastError());
    sent.sent = std::move(taken);
    return sent;
}
