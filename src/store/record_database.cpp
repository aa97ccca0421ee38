#include "store/record_database.h"

#include "store/record_file.h"
#include "store/statements.h"

#include <QAtomicInteger>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {
// While someone waits, a held file is tried again in steps this long.
constexpr int waitStepMs = 100;

QString newConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("sansu-record-%1").arg(counter.fetchAndAddRelaxed(1));
}

std::atomic<int> &lockWait()
{
    static std::atomic<int> ms = 10000;
    return ms;
}

// The watcher and the thread that set it: a watcher shows a window, so it is
// only ever called on that thread (the GUI's); an operation on any other
// thread (the school sender's) lets SQLite wait on its own.
struct Watcher
{
    QMutex lock;
    std::function<void(bool)> watcher;
    QThread *thread = nullptr;
};

Watcher &watcherSlot()
{
    static Watcher slot;
    return slot;
}

std::function<void(bool)> waitWatcher()
{
    Watcher &slot = watcherSlot();
    const QMutexLocker locked(&slot.lock);
    return slot.thread == QThread::currentThread() ? slot.watcher : nullptr;
}

// SQLite's own words: the driver's generic text ("Unable to fetch row") adds
// nothing to them.
QString reasonOf(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

// SQLITE_BUSY and SQLITE_LOCKED: another connection holds the file.
bool isHeld(const QSqlError &error)
{
    return error.nativeErrorCode() == QLatin1String("5") || error.nativeErrorCode() == QLatin1String("6");
}

// Whether a file begins as every SQLite database does. A file that cannot
// be read is left for SQLite to report.
bool hasDatabaseHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    return file.read(16) == QByteArray("SQLite format 3\0", 16);
}
} // namespace

void RecordDatabase::setLockWaitMs(int ms)
{
    lockWait() = ms;
}

void RecordDatabase::setWaitWatcher(std::function<void(bool)> watcher)
{
    Watcher &slot = watcherSlot();
    const QMutexLocker locked(&slot.lock);
    slot.thread = watcher ? QThread::currentThread() : nullptr;
    slot.watcher = std::move(watcher);
}

bool RecordDatabase::patiently(const std::function<bool()> &attempt)
{
    const std::function<void(bool)> watcher = waitWatcher();
    if (!watcher)
        return attempt();
    QElapsedTimer waited;
    waited.start();
    bool done = attempt();
    bool waiting = false;
    while (!done && held_ && waited.elapsed() < lockWait()) {
        waiting = true;
        watcher(true);
        done = attempt();
    }
    if (waiting)
        watcher(false);
    return done;
}

bool RecordDatabase::failedWith(const QSqlError &error)
{
    lastError_ = reasonOf(error);
    held_ = isHeld(error);
    // SQLITE_FULL: SQLite's word for a disk with no room left.
    systemError_ = error.nativeErrorCode() == QLatin1String("13") ? ENOSPC : 0;
    return false;
}

RecordDatabase::RecordDatabase() : connectionName_(newConnectionName()) {}

RecordDatabase::~RecordDatabase()
{
    close();
}

bool RecordDatabase::openUri(const QString &path, const QString &mode)
{
    return patiently([&] { return tryOpenUri(path, mode); });
}

bool RecordDatabase::tryOpenUri(const QString &path, const QString &mode)
{
    close();
    held_ = false;
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
        // A URI keeps SQLite from creating a missing file (mode=rw); the path is
        // percent-encoded so that '?', '#' or '%' in a folder name stay part of it.
        const QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)
                            + QStringLiteral("?mode=") + mode;
        db.setDatabaseName(uri);
        // A file another program holds is waited for: all at once in SQLite,
        // or step by step while someone watches the wait.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1")
                                 .arg(waitWatcher() ? waitStepMs : lockWait().load()));
        if (!db.open()) {
            failedWith(db.lastError());
        } else {
            // Reading the schema makes a file that is not a database fail here.
            QSqlQuery probe(db);
            opened = probe.exec(Statements::schemaVersion()) && probe.next();
            if (opened)
                lastError_.clear();
            else
                failedWith(probe.lastError());
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
    // Nor is any other file without SQLite's header: SQLite takes a file of
    // one byte for an empty database and would write one over it.
    if (!hasDatabaseHeader(path)) {
        lastError_ = QStringLiteral("file is not a database");
        return false;
    }
    return openUri(path, QStringLiteral("rw"));
}

bool RecordDatabase::build(const QString &temporary, const std::function<bool(RecordDatabase &)> &fill)
{
    RecordFile::removeWithJournal(temporary);
    // The file is made here rather than by SQLite, whose words for a folder
    // that refuses it say nothing of why; never through a link of that name.
    const int made = ::open(QFile::encodeName(temporary).constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (made < 0) {
        systemError_ = errno;
        held_ = false;
        lastError_ = QString::fromLocal8Bit(std::strerror(systemError_));
        return false;
    }
    ::close(made);
    // Closing and removing files leave the error of the step that failed as it is.
    if (!openUri(temporary, QStringLiteral("rw"))) {
        RecordFile::removeWithJournal(temporary);
        return false;
    }
    // SQLite writes the file on its first change; give it its header now.
    const bool written = execute(Statements::writeHeader()) && (!fill || fill(*this));
    close();
    if (!written)
        RecordFile::removeWithJournal(temporary);
    return written;
}

bool RecordDatabase::create(const QString &path, const std::function<bool(RecordDatabase &)> &fill)
{
    if (RecordFile::existsInAnyCase(path)) {
        lastError_ = QStringLiteral("a file of that name exists already: ") + path;
        return false;
    }
    // The new file is made whole under a temporary name beside it and then
    // moved into place, so an interrupted creation never leaves an empty or
    // half-made file under the real name, and nothing is ever overwritten.
    const QString building = RecordFile::temporaryName(path, QStringLiteral("creating"));
    if (!build(building, fill))
        return false;
    // QFile::rename never replaces an existing file.
    if (!QFile::rename(building, path)) {
        RecordFile::removeWithJournal(building);
        lastError_ = QStringLiteral("a file of that name exists already: ") + path;
        return false;
    }
    return open(path);
}

void RecordDatabase::close()
{
    dropConnection(connectionName_);
}

void RecordDatabase::dropConnection(const QString &connectionName)
{
    if (!QSqlDatabase::contains(connectionName))
        return;
    {
        // The handle goes before the connection is removed: Qt warns of one still in use.
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
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

bool RecordDatabase::execute(const QString &statement, const QVariantList &values, int *rowsAffected)
{
    if (!isOpen()) {
        lastError_ = QStringLiteral("database not open");
        return false;
    }
    return patiently([&] {
        QSqlQuery q(connection());
        if (!q.prepare(statement))
            return failedWith(q.lastError());
        for (const QVariant &value : values)
            q.addBindValue(value);
        if (!q.exec())
            return failedWith(q.lastError());
        if (rowsAffected)
            *rowsAffected = q.numRowsAffected();
        lastError_.clear();
        return true;
    });
}

std::optional<std::vector<QVariantList>> RecordDatabase::query(const QString &statement,
                                                               const QVariantList &values)
{
    std::vector<QVariantList> rows;
    const auto keep = [&rows](const QSqlQuery &q) {
        QVariantList row;
        const int columns = q.record().count();
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.append(q.value(c));
        rows.push_back(std::move(row));
    };
    if (!forEachRow(statement, values, keep, [&rows] { rows.clear(); }))
        return std::nullopt;
    return rows;
}

bool RecordDatabase::forEachRow(const QString &statement, const QVariantList &values,
                                const std::function<void(const QSqlQuery &)> &row,
                                const std::function<void()> &restart)
{
    if (!isOpen()) {
        lastError_ = QStringLiteral("database not open");
        return false;
    }
    return patiently([&] {
        if (restart)
            restart();
        QSqlQuery q(connection());
        q.setForwardOnly(true);
        bool executed = q.prepare(statement);
        for (const QVariant &value : values)
            q.addBindValue(value);
        executed = executed && q.exec();
        if (!executed)
            return failedWith(q.lastError());
        while (q.next())
            row(q);
        if (q.lastError().isValid())
            return failedWith(q.lastError());
        lastError_.clear();
        return true;
    });
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
    return succeeded || failedWith(connection().lastError());
}
