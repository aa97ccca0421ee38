#pragma once

#include "store/store_outcome.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

class RecordDatabase;

// The operations on the results file, each on a connection opened for it and
// closed after it, so that nothing holds the file between them. They return
// what happened; the windows decide what to tell the user.
class RecordStore
{
public:
    explicit RecordStore(QString path);
    // The file named by the project globals' database file name, and the file
    // named by the connection string's Data Source: the same file once
    // start-up has settled it (see RecordFile).
    static RecordStore byFileName();
    static RecordStore byConnectionString();

    const QString &path() const { return path_; }

    // Opens the file as a database of ours, as a test.
    StoreOutcome probe() const;
    // Creates the file with ENV (its row "90") and LOG. Never touches a file
    // that exists already.
    StoreOutcome create() const;
    // Creates ENV with its row "90" and LOG; stops at the first failing
    // statement. `statement` holds the last statement built.
    static bool SQL_CRE_CUR(RecordDatabase &db, QString &statement);

    // The retention period as stored: the first ENV row's SET_LOG.
    struct PeriodRead
    {
        enum class Status { Read, FileUnusable, QueryFailed, NoRow };
        Status status = Status::FileUnusable;
        QString text;
        QString reason;
    };
    PeriodRead readPeriod() const;
    // Makes ENV again with its row "90", and LOG too when it is gone as well.
    StoreOutcome repairSettings() const;
    // True when the file opens and has no LOG table.
    bool resultsTableMissing() const;
    StoreOutcome createResultsTable() const;
    // Deletes the results whose date text sorts before the cut-off text.
    StoreOutcome purge(const QString &cutOffText) const;

    // Appends one results row. A value holding a quote is refused.
    StoreOutcome appendResult(const QString &dateText, const QString &drillName,
                              const QString &scoreText) const;

    // One page of the score grid: up to `limit` rows of a drill in the grid's
    // order, after the key of the last row already read (none: from the top).
    struct RowKey
    {
        QVariant when;
        qint64 rowId = 0;
    };
    struct ResultsPage
    {
        StoreOutcome outcome;
        QStringList columns;
        std::vector<QStringList> rows;
        std::optional<RowKey> lastKey;
    };
    ResultsPage readResults(const QString &drillName, const std::optional<RowKey> &after,
                            int limit) const;

    // Stores a retention period (already checked to be digits).
    enum class PeriodSave { Saved, NoRow, Failed };
    PeriodSave savePeriod(const QString &periodText, QString *reason) const;

private:
    QString path_;
};
