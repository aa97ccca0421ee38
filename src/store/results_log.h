#pragma once

#include "store/result_row.h"
#include "store/store_outcome.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <utility>
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

    // Appends one results row; with a queue owner set (setQueueOwner), as
    // appendQueued does, at the moment of the row's date text.
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

    // The send queue of a PC that belongs to a school (see
    // Statements::createSendQueue). The queue table is made with its first
    // row; reading a file without one finds nothing and makes nothing. No
    // operation on it holds the file for more than a short transaction.

    // Whose a queued row is: the pupil (a UUID and the name as the child reads
    // it) and the class it is sent for.
    struct QueueOwner
    {
        QString pupilId;
        QString pupilName;
        QString classId;
    };
    // From now on, append() of this log and of every copy of it queues each
    // row for `owner` (a PC that belongs to a school); nullopt: append()
    // writes the row alone, as without a school.
    void setQueueOwner(const std::optional<QueueOwner> &owner) const;
    // Appends one results row and, in the same transaction (BEGIN IMMEDIATE),
    // its queue row: a UUID made now, the next sequence number, `madeAt` (the
    // moment of the row's date text, with its offset). Both or neither.
    StoreOutcome appendQueued(const ResultRow &row, const QDateTime &madeAt, const QueueOwner &owner) const;
    // Queues every LOG row that has no queue row yet (matched by rowid and its
    // three texts), for `owner`, in transactions of a few hundred rows: a row
    // queued once, sent or not, is never queued again. A file with no rows
    // gets no queue table. made_at comes from the
    // row's date text, empty when that is no date. `queued`, when given,
    // receives how many rows were queued.
    StoreOutcome queueBacklog(const QueueOwner &owner, qint64 *queued = nullptr) const;

    struct QueuedRow
    {
        qint64 seq = 0;
        QString resultId;
        QVariant when; // 日時, 科目, 得点 as LOG held them (null when missing)
        QVariant drill;
        QVariant score;
        QString pupilId;
        QString pupilName;
        QString classId;
        QString madeAt; // ISO 8601 with offset; empty when the date text is no date (NULL in the file)
    };
    struct QueuedRows
    {
        StoreOutcome outcome;
        std::vector<QueuedRow> rows;
    };
    // The oldest `limit` waiting rows after the seq `afterSeq`, oldest first.
    // Batch after batch, the last seq read makes the next read start there
    // instead of passing over every row sent before.
    QueuedRows readWaiting(int limit, qint64 afterSeq = 0) const;
    // Marks waiting rows sent, at `sentAt`: only once the server committed them.
    StoreOutcome markSent(const std::vector<qint64> &seqs, const QDateTime &sentAt) const;
    // Sets a waiting row apart for good, with the reason.
    StoreOutcome markRefused(qint64 seq, const QString &reason) const;

    struct QueueCounts
    {
        StoreOutcome outcome;
        qint64 waiting = 0;
        qint64 sent = 0; // still in the queue (see pruneSent)
        qint64 refused = 0;
        QString lastSentAt; // ISO 8601; empty when none was sent
        std::vector<std::pair<QString, qint64>> refusedReasons; // each reason and its count
    };
    QueueCounts queueCounts() const;
    // Removes the sent rows whose LOG row is gone (the retention purge
    // removed it): they can no longer be queued again.
    StoreOutcome pruneSent(qint64 *pruned = nullptr) const;

    // Stores a retention period (already checked to be digits).
    enum class PeriodSave { Saved, NoRow, Failed };
    PeriodSave savePeriod(const QString &periodText, QString *reason) const;

private:
    QString path_;
    std::shared_ptr<ResultsChanges> changes_;
    std::shared_ptr<std::optional<QueueOwner>> queueOwner_;
};
