#include "store/record_database.h"

#include "store/record_file.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

namespace {
QString newConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("sansu-record-%1").arg(counter.fetchAndAddRelaxed(1));
}
} // namespace

RecordDatabase::RecordDatabase() : connectionName_(newConnectionName()) {}

RecordDatabase::~RecordDatabase()
{
    close();
}

bool RecordDatabase::openUri(const QString &path, const QString &mode)
{
    close();
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
        // A URI keeps SQLite from creating a missing file (mode=rw); the path is
        // percent-encoded so that '?', '#' or '%' in a folder name stay part of it.
        const QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)
                            + QStringLiteral("?mode=") + mode;
        db.setDatabaseName(uri);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1")
                                 .arg(busyTimeoutMs));
        if (!db.open()) {
            lastError_ = db.lastError().text();
        } else {
            // Reading the schema makes a file that is not a database fail here.
            QSqlQuery probe(db);
            opened = probe.exec(QStringLiteral("PRAGMA schema_version")) && probe.next();
            lastError_ = opened ? QString() : probe.lastError().text();
        }
    }
    if (!opened)
        close();
    return opened;
}

bool RecordDatabase::open(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        lastError_ = QStringLiteral("no database file: ") + path;
        return false;
    }
    // An empty file is no database of ours: opening it would let a write turn
    // it into one, and a file we did not make is never changed.
    if (info.size() == 0) {
        lastError_ = QStringLiteral("empty file: ") + path;
        return false;
    }
    return openUri(path, QStringLiteral("rw"));
}

bool RecordDatabase::create(const QString &path, const std::function<bool(RecordDatabase &)> &fill)
{
    const QFileInfo info(path);
    if (RecordFile::existsInAnyCase(path)) {
        lastError_ = QStringLiteral("a file of that name exists already: ") + path;
        return false;
    }
    // The new file is made whole under a temporary name beside it and then
    // moved into place, so an interrupted creation never leaves an empty or
    // half-made file under the real name, and nothing is ever overwritten.
    const QString building = RecordFile::temporaryName(path, QStringLiteral("creating"));
    QFile::remove(building);
    if (!openUri(building, QStringLiteral("rwc")))
        return false;
    // SQLite writes the file on its first change; give it its header now.
    const bool written = execute(QStringLiteral("PRAGMA user_version = 0")) && (!fill || fill(*this));
    const QString writeError = lastError_;
    close();
    if (!written) {
        QFile::remove(building);
        lastError_ = writeError;
        return false;
    }
    // QFile::rename never replaces an existing file.
    if (!QFile::rename(building, path)) {
        QFile::remove(building);
        lastError_ = QStringLiteral("cannot create ") + path;
        return false;
    }
    return open(path);
}

void RecordDatabase::close()
{
    if (!QSqlDatabase::contains(connectionName_))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
}

bool RecordDatabase::isOpen() const
{
    return QSqlDatabase::contains(connectionName_)
           && QSqlDatabase::database(connectionName_, false).isOpen();
}

QSqlDatabase RecordDatabase::connection() const
{
    return QSqlDatabase::database(connectionName_, false);
}

bool RecordDatabase::execute(const QString &statement, int *rowsAffected)
{
    if (!isOpen()) {
        lastError_ = QStringLiteral("database not open");
        return false;
    }
    QSqlQuery q(connection());
    if (!q.exec(statement)) {
        lastError_ = q.lastError().text();
        return false;
    }
    if (rowsAffected)
        *rowsAffected = q.numRowsAffected();
    lastError_.clear();
    return true;
}

std::optional<std::vector<QVariantList>> RecordDatabase::query(const QString &statement,
                                                               const QVariantList &values,
                                                               QStringList *columnNames)
{
    if (!isOpen()) {
        lastError_ = QStringLiteral("database not open");
        return std::nullopt;
    }
    QSqlQuery q(connection());
    q.setForwardOnly(true);
    bool ran = false;
    if (values.isEmpty()) {
        ran = q.exec(statement);
    } else if (q.prepare(statement)) {
        for (const QVariant &value : values)
            q.addBindValue(value);
        ran = q.exec();
    }
    if (!ran) {
        lastError_ = q.lastError().text();
        return std::nullopt;
    }
    std::vector<QVariantList> rows;
    const QSqlRecord record = q.record();
    const int columns = record.count();
    if (columnNames) {
        columnNames->clear();
        for (int c = 0; c < columns; ++c)
            columnNames->append(record.fieldName(c));
    }
    while (q.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.append(q.value(c));
        rows.push_back(std::move(row));
    }
    if (q.lastError().isValid()) {
        lastError_ = q.lastError().text();
        return std::nullopt;
    }
    lastError_.clear();
    return rows;
}

bool RecordDatabase::forEachRow(const QString &statement, const QVariantList &values,
                                const std::function<void(const QSqlQuery &)> &row)
{
    if (!isOpen()) {
        lastError_ = QStringLiteral("database not open");
        return false;
    }
    QSqlQuery q(connection());
    q.setForwardOnly(true);
    bool ran = false;
    if (values.isEmpty()) {
        ran = q.exec(statement);
    } else if (q.prepare(statement)) {
        for (const QVariant &value : values)
            q.addBindValue(value);
        ran = q.exec();
    }
    if (!ran) {
        lastError_ = q.lastError().text();
        return false;
    }
    while (q.next())
        row(q);
    if (q.lastError().isValid()) {
        lastError_ = q.lastError().text();
        return false;
    }
    lastError_.clear();
    return true;
}

bool RecordDatabase::transaction()
{
    return noted(connection().transaction());
}

bool RecordDatabase::commit()
{
    return noted(connection().commit());
}

bool RecordDatabase::noted(bool succeeded)
{
    if (!succeeded)
        lastError_ = connection().lastError().text();
    return succeeded;
}
