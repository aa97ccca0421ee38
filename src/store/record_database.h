#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

class QSqlQuery;

// One open SQLite connection to the record file, for one operation: open,
// run statements, close. Opening never creates a file; creating never touches
// an existing one. A writer that finds the file locked waits up to 10 s.
class RecordDatabase
{
public:
    static constexpr int busyTimeoutMs = 10000;

    RecordDatabase();
    ~RecordDatabase();
    RecordDatabase(const RecordDatabase &) = delete;
    RecordDatabase &operator=(const RecordDatabase &) = delete;

    // Opens an existing database file read-write. Fails for a missing file, a
    // folder, an unreadable file or one that is not a database.
    bool open(const QString &path);
    // Creates a new database file and leaves it open: made under a temporary
    // name beside it, `fill` run on it there, then moved into place. Fails
    // when anything of that name exists, in any letter case.
    bool create(const QString &path, const std::function<bool(RecordDatabase &)> &fill = nullptr);
    void close();
    bool isOpen() const;

    // Executes one statement; false (and lastError) when any part of it fails.
    // rowsAffected, when given, receives the count of rows it changed.
    bool execute(const QString &statement, int *rowsAffected = nullptr);
    // Runs a query, with values bound to its placeholders in order, and
    // returns its rows, or nothing when it fails. columns, when given,
    // receives the names of the result's columns.
    std::optional<std::vector<QVariantList>> query(const QString &statement,
                                                   const QVariantList &values = {},
                                                   QStringList *columns = nullptr);

    // Runs a query as query() does, but hands each row to `row` as it is read
    // (its values in column order) instead of keeping them all: for reads of
    // many rows. False (and lastError) when it fails.
    bool forEachRow(const QString &statement, const QVariantList &values,
                    const std::function<void(const QSqlQuery &)> &row);

    // Groups the statements that follow into one transaction.
    bool transaction();
    bool commit();

    QString lastError() const { return lastError_; }

private:
    QSqlDatabase connection() const;
    // Notes the connection's error when an operation on it failed.
    bool noted(bool succeeded);
    bool openUri(const QString &path, const QString &mode);

    QString connectionName_;
    QString lastError_;
};
