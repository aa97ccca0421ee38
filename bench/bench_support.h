// What the benchmark programs share: the machine they run on, the summary of a
// series of timings, waiting with the event loop running, the record file
// they measure against, and a watch on the samples that reach SDL's disk
// audio driver. Header-only; each benchmark is a program of its own.
#pragma once

#include "platform/drill_table.h"
#include "platform/project_globals.h"
#include "store/date_text.h"
#include "store/record_database.h"
#include "store/results_log.h"
#include "store/results_schema.h"

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
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Nanoseconds on the monotonic clock: moments noted on different threads can
// be subtracted from one another.
inline qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Milliseconds from one nowNs() moment to a later one.
inline double msBetween(qint64 fromNs, qint64 toNs)
{
    return static_cast<double>(toNs - fromNs) / 1e6;
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

// The drills as the results table names them, in the score window's order
// (the plain addition drill first).
inline QStringList drillNames()
{
    QStringList names;
    for (const DrillTable::Entry &drill : DrillTable::all())
        names << drill.name();
    return names;
}

// The names the program's globals hold at start: the file, its two tables
// and, for the score window, the connection string.
inline void setRecordGlobals()
{
    ProjectGlobals &g = ProjectGlobals::instance();
    g.setRecordNames(ResultsSchema::fileName, ResultsSchema::settingsTable, ResultsSchema::resultsTable);
    g.setConnectionString();
}

// Creates a new record file at path with its tables and settings row, as the
// program does on first start; false with db.lastError() when that fails.
inline bool createRecordFile(RecordDatabase &db, const QString &path)
{
    return db.create(path, [](RecordDatabase &made) { return ResultsLog::SQL_CRE_CUR(made); });
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

// A new record file at path with mainRows results of the first drill and
// otherRows spread over the other drills, over the 90 days up to the last
// sitting (2001/04/27 18:00), scores 1 to 30; the same rows on every call.
inline bool fillDrills(const QString &path, int mainRows, int otherRows)
{
    RecordDatabase db;
    if (!createRecordFile(db, path)) {
        std::fprintf(stderr, "cannot create %s: %s\n", qPrintable(path), qPrintable(db.lastError()));
        return false;
    }
    const QStringList drills = drillNames();
    std::mt19937 rng(20010427);
    const QDateTime latest(QDate(2001, 4, 27), QTime(18, 0));
    std::uniform_int_distribution<int> seconds(0, 90 * 86400);
    std::uniform_int_distribution<int> score(1, 30);
    std::uniform_int_distribution<int> other(1, static_cast<int>(drills.size()) - 1);
    const auto row = [&](int i) {
        Result r;
        r.when = latest.addSecs(-seconds(rng));
        r.drill = i < mainRows ? drills[0] : drills[other(rng)];
        r.score = score(rng);
        return r;
    };
    QString error;
    if (!insertResults(path, mainRows + otherRows, row, error)) {
        std::fprintf(stderr, "cannot fill %s: %s\n", qPrintable(path), qPrintable(error));
        return false;
    }
    return true;
}


// ---- samples reaching the audio driver -----------------------------------

// How many bytes a clip of 16-bit samples begins with that are silent (zero
// samples): the clip's first sound sample lies this far into it.
inline qsizetype silentLead(const QByteArray &samples)
{
    qsizetype i = 0;
    while (i < samples.size() && samples[i] == 0)
        ++i;
    return i & ~qsizetype(1);
}

// Watches the file that SDL's disk audio driver writes, to tell from outside
// the sound device the moment a prompt's first samples reach the driver.
//
// At real-time pace (SDL_DISKAUDIODELAY unset) the driver's thread takes one
// buffer of samples from the device's queue, writes it to the file and sleeps
// for the buffer's length, over and over, writing silence while nothing is
// queued. It writes through C stdio, whose buffer (4 KiB: eight buffers of 256
// frames, 93 ms) would hold the samples back; so before every look the
// watcher's thread flushes this process's stdio buffers (fflush(nullptr)),
// which puts each buffer into the file within one look of the driver writing
// it. A look notes how far the file has grown and when.
//
// Armed with a clip, the watcher finds the clip's first sound sample in what
// the file gained since, steps back over the clip's silent lead to the clip's
// first byte, and takes the moment of the first look that saw the file reach
// past that byte.
class DiskAudioWatcher
{
public:
    // The pause between two looks at the file, which bounds the resolution of
    // the moments noted (the scheduler's wake-up adds to it).
    static constexpr int lookMicroseconds = 250;

    // Sends SDL's audio to its disk driver, writing into `file` at real-time
    // pace. Takes effect when SDL's audio starts, i.e. when the first sound
    // device opens.
    static void useDiskDriver(const QString &file)
    {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(file));
        qunsetenv("SDL_DISKAUDIODELAY");
    }

    explicit DiskAudioWatcher(const QString &file) : path_(QFile::encodeName(file))
    {
        thread_ = std::thread([this] { run(); });
    }
    ~DiskAudioWatcher()
    {
        stop_ = true;
        thread_.join();
    }
    DiskAudioWatcher(const DiskAudioWatcher &) = delete;
    DiskAudioWatcher &operator=(const DiskAudioWatcher &) = delete;

    // Looks for the first samples of `clip` (16-bit samples as queued) in what
    // the file gains from now on. False when the clip is silence throughout.
    bool arm(const QByteArray &clip)
    {
        const qsizetype lead = silentLead(clip);
        if (lead >= clip.size())
            return false;
        std::lock_guard<std::mutex> lock(mutex_);
        clip_ = clip;
        lead_ = lead;
        armed_ = true;
        armedAt_ = seen_;
        soundAt_ = -1;
        startAt_ = -1;
        startNs_ = -1;
        growth_.clear();
        return true;
    }

    // Waits up to timeoutMs for the armed clip: the moment (nowNs) of the
    // first look that saw its first samples in the file, or -1.
    qint64 waitForClip(int timeoutMs)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        found_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return startNs_ >= 0; });
        return startNs_;
    }

    // Whether the file holds the armed clip whole where its start was found,
    // i.e. what was timed is that clip and not some other sound. Call once
    // the clip has been played out.
    bool holdsClip()
    {
        qint64 at = -1;
        QByteArray clip;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            at = startAt_;
            clip = clip_;
        }
        if (at < 0)
            return false;
        std::fflush(nullptr);
        QFile f(QFile::decodeName(path_));
        return f.open(QIODevice::ReadOnly) && f.seek(at) && f.read(clip.size()) == clip;
    }

private:
    struct Growth
    {
        qint64 ns;   // when a look saw it
        qint64 size; // the file's size then
    };

    void run()
    {
        int fd = -1;
        qint64 seen = 0;
        while (!stop_) {
            std::fflush(nullptr);
            if (fd < 0)
                fd = ::open(path_.constData(), O_RDONLY | O_CLOEXEC);
            struct stat st{};
            if (fd >= 0 && ::fstat(fd, &st) == 0) {
                const qint64 ns = nowNs();
                const qint64 size = st.st_size;
                if (size < seen) {
                    seen = 0;
                    reopened();
                }
                if (size > seen) {
                    look(fd, seen, size, ns);
                    seen = size;
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(lookMicroseconds));
        }
        if (fd >= 0)
            ::close(fd);
    }

    // A new output opened the file afresh: what was seen is gone.
    void reopened()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_ = 0;
        armedAt_ = 0;
        soundAt_ = -1;
        growth_.clear();
    }

    // The file has grown from `from` to `to` bytes, seen at `ns`.
    void look(int fd, qint64 from, qint64 to, qint64 ns)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_ = to;
        if (!armed_ || startNs_ >= 0)
            return;
        growth_.push_back({ns, to});
        if (soundAt_ < 0) {
            const qint64 at = std::max(from, armedAt_);
            QByteArray bytes(to - at, Qt::Uninitialized);
            qint64 got = 0;
            while (got < bytes.size()) {
                const ssize_t n =
                    ::pread(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got), at + got);
                if (n <= 0)
                    break;
                got += n;
            }
            for (qint64 i = 0; i < got; ++i) {
                if (bytes[i] != 0) {
                    // Samples are two bytes, and the file starts with a whole one.
                    soundAt_ = (at + i) & ~qint64(1);
                    break;
                }
            }
        }
        if (soundAt_ < 0)
            return;
        const qint64 start = std::max(soundAt_ - lead_, armedAt_);
        for (const Growth &g : growth_) {
            if (g.size > start) {
                startAt_ = start;
                startNs_ = g.ns;
                break;
            }
        }
        found_.notify_all();
    }

    const QByteArray path_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable found_;
    qint64 seen_ = 0;     // bytes of the file looked at so far
    bool armed_ = false;
    QByteArray clip_;
    qint64 lead_ = 0;     // silent bytes at the clip's start
    qint64 armedAt_ = 0;  // the file's size as last seen when armed
    qint64 soundAt_ = -1; // where the clip's first sound sample was found
    qint64 startAt_ = -1; // where the clip starts in the file
    qint64 startNs_ = -1; // when its start was first seen
    std::vector<Growth> growth_;
    std::thread thread_;
};

// ---- a window against its floor -------------------------------------------

inline void detail(const char *what, const std::vector<double> &ms)
{
    const Summary s(ms);
    std::printf("  %-36s median %7.1f ms  min %7.1f  p90 %7.1f  max %7.1f  (n=%zu)\n", what, s.median(),
                s.min(), s.percentile(0.9), s.max(), s.count());
}

// One line of a window-against-floor table: the window's and the floor's medians, the ratio of
// the medians and the median of the round-by-round ratios; with a limit on
// the ratio of the medians when limit > 0 (on smaller tables than the default
// fill the window's own fixed costs dominate, and the line says so instead).
// False when over the limit.
inline bool compare(const char *what, const std::vector<double> &window, const std::vector<double> &floor,
             double limit, bool judged)
{
    std::vector<double> ratios;
    for (std::size_t i = 0; i < window.size() && i < floor.size(); ++i)
        ratios.push_back(window[i] / floor[i]);
    const double w = Summary(window).median();
    const double f = Summary(floor).median();
    const double ratio = w / f;
    std::printf("  %-36s %8.1f ms %8.1f ms %7.2f %9.2f", what, w, f, ratio, Summary(ratios).median());
    if (limit > 0 && judged)
        std::printf("   limit %.2f: %s", limit, ratio <= limit ? "ok" : "OVER");
    else if (limit > 0)
        std::printf("   (limit %.2f for the default fill)", limit);
    else
        std::printf("   (for information)");
    std::printf("\n");
    return limit <= 0 || !judged || ratio <= limit;
}
} // namespace bench
