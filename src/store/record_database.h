#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

class QSqlQuery;

// One open SQLite connection to the record file, for one operation: open,
// run statements, close. Opening never creates a file; creating never touches
// an existing one. An operation that finds the file held by another program
// waits for it up to the lock wait (10 s), then fails. Any thread may run
// operations, each on a RecordDatabase of its own.
class RecordDatabase
{
public:
    // How long that wait lasts (10 s unless set otherwise).
    static void setLockWaitMs(int ms);
    // While a watcher is set, a wait for a held file is taken in short steps
    // and the watcher is told after each (start-up shows that it waits and
    // keeps its windows painted), and once more (false) when the wait ends;
    // nullptr: SQLite waits on its own. The watcher is called only on the
    // thread that set it; operations on other threads wait without it.
    static void setWaitWatcher(std::function<void(bool waiting)> watcher);

    RecordDatabase();
    ~RecordDatabase();
    RecordDatabase(const RecordDatabase &) = delete;
    RecordDatabase &operator=(const RecordDatabase &) = delete;

    // Opens an existing database file read-write. Fails for a missing file, a
    // folder, an unreadable file or one that is not a database.
    bool open(const QString &path);
    // Makes a new database at `temporary` (a name of this process's own:
    // whatever is there is replaced) and runs `fill` on it; closed after. On
    // failure nothing is left there.
    bool build(const QString &temporary, const std::function<bool(RecordDatabase &)> &fill);
    // Creates a new database file and leaves it open: built under a temporary
    // name beside it, then moved into place. Fails when anything of that name
    // exists, in any letter case.
    bool create(const QString &path, const std::function<bool(RecordDatabase &)> &fill = nullptr);
    void close();
    // Closes and removes Qt's connection of that name, if there is one.
    static void dropConnection(const QString &connectionName);
    bool isOpen() const;

    // Executes one statement, with values bound to its placeholders in order;
    // false (and lastError) when any part of it fails. rowsAffected, when
    // given, receives the count of rows it changed.
    bool execute(const QString &statement, const QVariantList &values = {}, int *rowsAffected = nullptr);
    // Runs a query, with values bound to its placeholders in order, and
    // returns its rows, or nothing when it fails.
    std::optional<std::vector<QVariantList>> query(const QString &statement, const QVariantList &values = {});

    // Runs a query as query() does, but hands each row to `row` as it is read
    // (its values in column order) instead of keeping them all: for reads of
    // many rows. When a held file makes it try again, `restart` is called
    // first, so rows are not counted twice. False (and lastError) when it fails.
    bool forEachRow(const QString &statement, const QVariantList &values,
                    const std::function<void(const QSqlQuery &)> &row,
                    const std::function<void()> &restart = nullptr);

    // Groups the statements that follow into one transaction.
    bool transaction();
    bool commit();

    // SQLite's or the system's words for the last failure, whether it was
    // another program holding the file, and the system's error number when
    // the system refused (0 otherwise; ENOSPC for a full disk).
    QString lastError() const { return lastError_; }
    bool lastFailureWasHeld() const { return held_; }
    int lastSystemError() const { return systemError_; }

private:
    QSqlDatabase connection() const;
    // Notes the connection's error when an operation on it failed.
    bool noted(bool succeeded);
    // Notes a failure; always false.
    bool failedWith(const QSqlError &error);
    // Runs an attempt, again while the file is held and a watcher waits.
    bool patiently(const std::function<bool()> &attempt);
    bool openUri(const QString &path, const QString &mode);
    bool tryOpenUri(const QString &path, const QString &mode);

    QString connectionName_;
    QString lastError_;
    bool held_ = false;
    int systemError_ = 0;
};
