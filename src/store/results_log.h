#pragma once

#include "store/result_row.h"
#include "store/store_outcome.h"

#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

class RecordDatabase;
class ResultsChanges;

// The results file of the run: the one object start-up settles (the file
// found or made) and hands to every window that reads or writes results.
// Each operation opens the file on a connection of its own and closes it
// after, so nothing holds the file between operations. They return what
// happened; the windows decide what to tell the user.
class ResultsLog
{
public:
    explicit ResultsLog(QString path);

    const QString &path() const { return path_; }

    // Opens the file as a database of ours, as a test: it fails for a file
    // whose settings or results table has other columns than ours.
    StoreOutcome probe() const;
    // Creates the file with its two tables, the period and the rows given
    // (one transaction), made whole under a temporary name first. Never
    // touches a file that exists already.
    StoreOutcome create(const QString &period = QString(), const std::vector<ResultRow> &rows = {}) const;
    // Creates ENV with its row "90", and LOG unless it exists already; stops
    // at the first failing statement.
    static bool SQL_CRE_CUR(RecordDatabase &db, bool resultsTableExists = false);
    // Makes a results file with the period and rows given at `temporary`, a
    // name of this process's own, for the caller to put in place.
    static StoreOutcome build(const QString &temporary, const QString &period, const std::vector<ResultRow> &rows);

    // Removes a journal that a write killed before its first sync left
    // beside the file: one whose header is still zeroed, which SQLite never
    // rolls back and never removes. A journal SQLite takes for hot is
    // rolled back by opening the file, and one of a write in progress is
    // left alone: the file is held for writing while it is looked at. True
    // when one was removed.
    bool removeStaleJournal() const;

    // The retention period as stored: the first ENV row's SET_LOG.
    struct PeriodRead
    {
        enum class Status { Read, FileUnusable, QueryFailed, NoRow };
        Status status = Status::FileUnusable;
        QString text;
        QString reason;
        bool held = false; // another program held the file beyond the wait
    };
    PeriodRead readPeriod() const;
    // Makes ENV again with its row "90", and LOG too when it is gone as well.
    StoreOutcome repairSettings() const;
    // True when the file opens and has no LOG table.
    bool resultsTableMissing() const;
    StoreOutcome createResultsTable() const;
    // Deletes the results whose date text sorts before the cut-off text.
    StoreOutcome purge(const QString &cutOffText) const;
    // How many results purge(cutOffText) would delete now, counted by its
    // own condition.
    StoreOutcome countPurged(const QString &cutOffText, qint64 *rows) const;

    // Appends one results row.
    StoreOutcome append(const ResultRow &row) const;
    // Tells of each row appended through this log or a copy of it.
    const ResultsChanges &changes() const { return *changes_; }

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
        std::vector<ResultRow> rows;
        std::optional<RowKey> lastKey;
    };
    ResultsPage readResults(const QString &drillName, const std::optional<RowKey> &after, int limit) const;

    // Every row of a drill, its date text and score as stored, in no
    // particular order: what the progress chart draws. One statement on a
    // connection of its own, closed before this returns.
    struct ScoreRow
    {
        QString when;
        QString score;
    };
    struct DrillScores
    {
        StoreOutcome outcome;
        std::vector<ScoreRow> rows;
    };
    DrillScores readScores(const QString &drillName) const;

    // Stores a retention period (already checked to be digits).
    enum class PeriodSave { Saved, NoRow, Failed };
    PeriodSave savePeriod(const QString &periodText, QString *reason) const;

private:
    QString path_;
    std::shared_ptr<ResultsChanges> changes_;
};
