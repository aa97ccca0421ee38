// How long the start-up purge takes on a large results table.
//
//   bench_purge [runs]        (default 7, at least 5)
//
// Builds, in a temporary folder, a record file with 1,000,000 results rows
// spread over two years, every drill, scores 1 to 30, in the order a real
// file gets them (oldest first), with a retention period of 365 days, so that
// exactly half the rows lie before the cut-off. Each run copies that file
// fresh and times the menu's start-up step MenuWindow::SET_LOG_GET on it (the
// settings query, the check for the results table, the DELETE of 500,000
// rows, each on its own connection); a second series times the DELETE
// statement on its own, on a connection opened beforehand. Prints the median
// and spread of each series, the machine, and the rows left.
#include "app/menu_window.h"
#include "bench_support.h"
#include "platform/dialogs.h"
#include "platform/program_exit.h"
#include "platform/system_clock.h"
#include "store/retention.h"
#include "store/statements.h"

#include <QApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QVariant>

#include <thread>

#include <unistd.h>

namespace {
constexpr int totalRows = 1000000;
constexpr int keptRows = totalRows / 2;
constexpr int retentionDays = 365;
const QString dbName = QStringLiteral("ADO_ZEM.MDB");
const QString fixtureName = QStringLiteral("fixture.mdb");

// Messages go to stderr instead of message boxes.
class ConsoleDialogs : public Dialogs
{
public:
    void tell(const QString &text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    bool ask(const QString &text) override
    {
        std::fprintf(stderr, "question: %s\n", qPrintable(text));
        return false;
    }
    std::optional<QString> askText(const QString &text, const QString &) override
    {
        ask(text);
        return std::nullopt;
    }
};

using bench::fail;

qint64 countRows(const QString &where = QString())
{
    RecordDatabase db;
    if (!db.open(QDir::current().absoluteFilePath(dbName)))
        fail(QStringLiteral("cannot open the file: ") + db.lastError());
    const auto rows = db.query(QStringLiteral("SELECT COUNT(*) FROM LOG") + where);
    if (!rows || rows->empty())
        fail(QStringLiteral("cannot count rows: ") + db.lastError());
    return rows->front().value(0).toLongLong();
}

// The moments of the rows, oldest first: half on the 365 days before the
// cut-off day, half after it up to today. Sittings fall between 8:00 and 19:59,
// today's only up to the present hour.
std::vector<QDateTime> rowMoments(const QDateTime &now, QRandomGenerator &rng)
{
    const QDate cutDay = Retention::cutOff(now, retentionDays)->date();
    std::vector<qint64> secs; // seconds since the first day
    secs.reserve(totalRows);
    const QDate firstDay = cutDay.addDays(-retentionDays);
    for (int i = 0; i < totalRows; ++i) {
        const bool old = i < keptRows;
        const QDate day = old ? cutDay.addDays(-1 - qint64(rng.bounded(retentionDays)))
                              : cutDay.addDays(1 + qint64(rng.bounded(cutDay.daysTo(now.date()))));
        const int lastHour = day == now.date() ? now.time().hour() - 1 : 19;
        const int second = 8 * 3600 + int(rng.bounded((lastHour - 8 + 1) * 3600));
        secs.push_back(firstDay.daysTo(day) * 86400 + second);
    }
    std::sort(secs.begin(), secs.end());
    std::vector<QDateTime> moments;
    moments.reserve(secs.size());
    for (qint64 s : secs)
        moments.emplace_back(firstDay.addDays(s / 86400), QTime(0, 0).addSecs(int(s % 86400)));
    return moments;
}

void buildFixture(const QDateTime &now)
{
    const QString path = QDir::current().absoluteFilePath(dbName);
    {
        RecordDatabase db;
        if (!bench::createRecordFile(db, path)
            || !db.execute(Statements::savePeriod(), {QString::number(retentionDays)}))
            fail(QStringLiteral("cannot create the file: ") + db.lastError());
    }
    QRandomGenerator rng(20010427);
    const std::vector<QDateTime> moments = rowMoments(now, rng);
    const QStringList drills = bench::drillNames();
    const auto row = [&](int i) {
        bench::Result r;
        r.when = moments[std::size_t(i)];
        r.drill = drills.at(int(rng.bounded(7)));
        r.score = int(1 + rng.bounded(30));
        return r;
    };
    QString error;
    if (!bench::insertResults(path, int(moments.size()), row, error))
        fail(error);

    const QString cutText = DateText::of(*Retention::cutOff(now, retentionDays));
    const qint64 all = countRows();
    const qint64 older = countRows(QStringLiteral(" WHERE 日時 < '") + cutText + QStringLiteral("'"));
    if (all != totalRows || older != totalRows - keptRows)
        fail(QStringLiteral("fixture has %1 rows, %2 before the cut-off").arg(all).arg(older));
    if (!QFile::rename(dbName, fixtureName))
        fail(QStringLiteral("cannot keep the fixture"));
}

void freshCopy()
{
    for (const QString &name : {dbName, dbName + QStringLiteral("-journal")}) {
        if (QFile::exists(name) && !QFile::remove(name))
            fail(QStringLiteral("cannot remove ") + name);
    }
    if (!QFile::copy(fixtureName, dbName))
        fail(QStringLiteral("cannot copy the fixture"));
}

struct Series
{
    const char *what;
    std::vector<double> ms;

    void print() const
    {
        const bench::Summary s(ms);
        const double median = s.midpointMedian();
        std::printf("%-28s median %8.1f ms   min %8.1f   max %8.1f   spread %6.1f ms (%.1f%%)   runs:",
                    what, median, s.min(), s.max(), s.range(), 100.0 * s.range() / median);
        for (double v : ms)
            std::printf(" %.1f", v);
        std::printf("\n");
    }
};
} // namespace

int main(int argc, char **argv)
{
    // The menu is a window; it is made, never shown.
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    if (runs < 5)
        fail(QStringLiteral("at least 5 runs"));

    bench::setRecordGlobals();
    Dialogs::install(std::make_unique<ConsoleDialogs>());
    ProgramExit::setHandler([](int status) { fail(QStringLiteral("the program ended with %1").arg(status)); });

    QTemporaryDir work;
    if (!work.isValid() || !QDir::setCurrent(work.path()))
        fail(QStringLiteral("no temporary folder"));

    const QDateTime now(QDate(2001, 4, 27), QTime(15, 0, 0));
    SystemClock::setFixedNow(now);

    std::printf("machine: %d processors online (hardware threads %u), CPU %s\n",
                int(sysconf(_SC_NPROCESSORS_ONLN)), std::thread::hardware_concurrency(),
                qPrintable(bench::cpuModel()));
    {
        QSqlDatabase mem = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("version"));
        mem.setDatabaseName(QStringLiteral(":memory:"));
        if (mem.open()) {
            QSqlQuery q(mem);
            if (q.exec(QStringLiteral("SELECT sqlite_version()")) && q.next())
                std::printf("SQLite %s\n", qPrintable(q.value(0).toString()));
        }
        mem.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("version"));

    QElapsedTimer timer;
    timer.start();
    buildFixture(now);
    std::printf("fixture: %d rows (%d before the cut-off %s), %.1f MB, built in %.1f s\n", totalRows,
                totalRows - keptRows, qPrintable(DateText::of(*Retention::cutOff(now, retentionDays))),
                QFileInfo(fixtureName).size() / 1e6, timer.elapsed() / 1000.0);
    std::fflush(stdout);

    Series startUp{"SET_LOG_GET (open+query+purge)", {}};
    Series purgeOnly{"DELETE statement alone", {}};
    qint64 left = 0;
    MenuWindow menu;
    freshCopy();
    menu.DB_ALLOC(); // settles the results file, as start-up does before the purge
    for (int i = 0; i < runs; ++i) {
        freshCopy();
        timer.restart();
        menu.SET_LOG_GET();
        startUp.ms.push_back(bench::elapsedMs(timer));
        left = countRows();
        if (left != keptRows)
            fail(QStringLiteral("%1 rows left after SET_LOG_GET").arg(left));

        freshCopy();
        {
            RecordDatabase db;
            if (!db.open(QDir::current().absoluteFilePath(dbName)))
                fail(db.lastError());
            const QString cutOff = DateText::of(*Retention::cutOff(now, retentionDays));
            timer.restart();
            if (!db.execute(Statements::purge(), {cutOff}))
                fail(db.lastError());
            purgeOnly.ms.push_back(bench::elapsedMs(timer));
        }
        if (countRows() != keptRows)
            fail(QStringLiteral("wrong number of rows left after the DELETE"));
    }
    startUp.print();
    purgeOnly.print();
    std::printf("rows left after each run: %lld (expected %d)\n", left, keptRows);
    return 0;
}
