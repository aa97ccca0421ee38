// What the benchmark programs share: the machine they run on, the summary of a
// series of timings, waiting with the event loop running, and the record file
// they measure against. Header-only; each benchmark is a program of its own.
#pragma once

#include "platform/drill_table.h"
#include "platform/project_globals.h"
#include "store/date_text.h"
#include "store/record_database.h"
#include "store/record_store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

namespace bench {

// ---- the machine ---------------------------------------------------------

// The CPU model named in /proc/cpuinfo, or "unknown". /proc files report no
// size, so the file is read whole rather than tested for its end.
inline QString cpuModel()
{
    QFile f(QStringLiteral("/proc/cpuinfo"));
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
    return QStringLiteral("unknown");
}

// Logical CPUs, as nproc counts them.
inline int cpuCount()
{
    return QThread::idealThreadCount();
}

// The usual machine line: "machine: 2 logical CPUs (nproc), <model>".
inline void printMachine()
{
    std::printf("machine: %d logical CPUs (nproc), %s\n", cpuCount(), qPrintable(cpuModel()));
}

// Peak resident set size (VmHWM) in MB of a process, this one by default; -1
// when it cannot be read.
inline double peakMb(qint64 pid = 0)
{
    QFile f(pid > 0 ? QStringLiteral("/proc/%1/status").arg(pid) : QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// Prints "<program>: <why>" on stderr and ends the program with status 1.
[[noreturn]] inline void fail(const QString &why)
{
    const QString program = QCoreApplication::instance()
                                ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                : QStringLiteral("bench");
    std::fprintf(stderr, "%s: %s\n", qPrintable(program), qPrintable(why));
    std::exit(1);
}

// Runs the windows on the offscreen platform unless QT_QPA_PLATFORM names
// another. Call before the application object is made.
inline void preferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// ---- series of measurements ----------------------------------------------

// A sorted copy of a series. Percentiles take the nearest rank, rounded; the
// median is the 50th percentile, i.e. the upper of the middle two for an even
// count. An empty series gives NaN everywhere.
class Summary
{
public:
    explicit Summary(std::vector<double> values) : sorted_(std::move(values))
    {
        std::sort(sorted_.begin(), sorted_.end());
    }

    std::size_t count() const { return sorted_.size(); }
    double min() const { return sorted_.empty() ? NAN : sorted_.front(); }
    double max() const { return sorted_.empty() ? NAN : sorted_.back(); }
    double percentile(double q) const
    {
        if (sorted_.empty())
            return NAN;
        return sorted_[static_cast<std::size_t>(q * static_cast<double>(sorted_.size() - 1) + 0.5)];
    }
    double median() const { return percentile(0.5); }
    // The mean of the middle two for an even count.
    double midpointMedian() const
    {
        const std::size_t n = sorted_.size();
        if (n == 0)
            return NAN;
        return n % 2 ? sorted_[n / 2] : (sorted_[n / 2 - 1] + sorted_[n / 2]) / 2;
    }
    double range() const { return max() - min(); }
    // max - min as a percentage of the median (0 when the median is not positive).
    double spreadPercent() const { return median() > 0 ? 100.0 * range() / median() : 0.0; }

private:
    std::vector<double> sorted_;
};

// ---- timing --------------------------------------------------------------

// Milliseconds since the timer was (re)started, to the nanosecond clock.
inline double elapsedMs(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Runs the event loop until done() says so or timeoutMs have passed, pausing
// pauseMs between rounds so the waiting costs little CPU.
inline void settleUntil(const std::function<bool()> &done, int timeoutMs, unsigned long pauseMs = 2)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(pauseMs);
    }
}

// Runs the event loop for ms milliseconds.
inline void settle(int ms, unsigned long pauseMs = 5)
{
    settleUntil([] { return false; }, ms, pauseMs);
}

// ---- the record file -----------------------------------------------------

// The seven drills as the results table names them, in the score window's
// order (the plain addition drill first).
inline QStringList drillNames()
{
    QStringList names;
    for (int i = 0; i < DrillTable::count; ++i)
        names << DrillTable::atScoreIndex(i).name();
    return names;
}

// The names the program's globals hold at start: the file, its two tables
// and, for the score window, the connection string.
inline void setRecordGlobals()
{
    ProjectGlobals &g = ProjectGlobals::instance();
    g.setRecordNames();
    g.setConnectionString();
}

// Creates a new record file at path with its tables and settings row, as the
// program does on first start; false with db.lastError() when that fails.
inline bool createRecordFile(RecordDatabase &db, const QString &path)
{
    QString statement;
    return db.create(path) && RecordStore::SQL_CRE_CUR(db, statement);
}

inline bool createRecordFile(const QString &path)
{
    RecordDatabase db;
    return createRecordFile(db, path);
}

// One results row.
struct Result
{
    QDateTime when;
    QString drill;
    int score = 0;
};

// Appends rows results to the LOG table of an existing record file in one
// transaction; row(i) gives the i-th, called in order. False with the reason
// in error when a statement fails.
inline bool insertResults(const QString &path, int rows, const std::function<Result(int)> &row, QString &error)
{
    const QString connection = QStringLiteral("bench-fill");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("BEGIN"))
                 && q.prepare(QStringLiteral("INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( ?, ?, ? )"));
            for (int i = 0; ok && i < rows; ++i) {
                const Result r = row(i);
                q.bindValue(0, DateText::of(r.when));
                q.bindValue(1, r.drill);
                q.bindValue(2, QString::number(r.score));
                ok = q.exec();
            }
            ok = ok && q.exec(QStringLiteral("COMMIT"));
            if (!ok)
                error = q.lastError().text();
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

} // namespace bench
