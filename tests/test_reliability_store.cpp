// The record file under abuse: writers killed in the middle of a row, a purge
// killed half-way, and two programs appending at once. Writers are separate
// processes (helpers/), so a kill is a real process death and the locking
// between them is SQLite's file locking.
#include "platform/dialogs.h"
#include "platform/system_clock.h"
#include "store/date_text.h"
#include "store/record_store.h"
#include "store/results_log.h"
#include "support/exit_trap.h"
#include "support/fake_dialogs.h"
#include "support/sqlite_file.h"
#include "support/temp_work_dir.h"
#include "support/test_kit.h"
#include "support/test_setup.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace {
constexpr int timeoutMs = 300000;
constexpr qint64 runStride = 1000000; // rows of writer run n are numbered from n * runStride

struct Writer
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QByteArray out;

    explicit Writer(const QString &helper, const QStringList &args = {})
    {
        process->start(QStringLiteral(SANSU_HELPER_DIR "/") + helper, args);
    }
    void readOut() { out += process->readAllStandardOutput(); }
    // Waits until the writer has printed `text` on a line of its own.
    bool waitForLine(const QByteArray &text)
    {
        QElapsedTimer waited;
        waited.start();
        for (readOut(); !out.startsWith(text + '\n') && !out.contains('\n' + text + '\n'); readOut()) {
            if (waited.elapsed() > timeoutMs
                || (!process->waitForReadyRead(1000) && process->state() == QProcess::NotRunning))
                return false;
        }
        return true;
    }
    // Complete lines only: the last piece may lack its newline.
    QList<QByteArray> lines() const
    {
        QList<QByteArray> all = out.split('\n');
        all.removeLast();
        return all;
    }
    // The sequence numbers printed: the rows the writer was told are stored.
    QList<qint64> confirmed() const
    {
        QList<qint64> numbers;
        bool ok = false;
        for (const QByteArray &line : lines())
            if (const qint64 n = line.toLongLong(&ok); ok)
                numbers << n;
        return numbers;
    }
    QByteArray longestAppend() const // "<ms>" from the writer's "longest <ms>" line
    {
        for (const QByteArray &line : lines())
            if (line.startsWith("longest "))
                return line.mid(8);
        return "?";
    }
    bool killAndWait()
    {
        process->kill();
        const bool ended = process->waitForFinished(timeoutMs);
        readOut();
        return ended;
    }
    QString diagnosis() const
    {
        return QStringLiteral("exit %1/%2, stderr: %3")
            .arg(int(process->exitStatus()))
            .arg(process->exitCode())
            .arg(QString::fromLocal8Bit(process->readAllStandardError()));
    }
};

QString integrity()
{
    return Kit::dbRows(QStringLiteral("PRAGMA integrity_check")).join('\n');
}

int logRows()
{
    return Kit::dbRows(QStringLiteral("SELECT COUNT(*) FROM LOG")).value(0).toInt();
}

qint64 journalSize()
{
    return QFileInfo(SqliteFile::defaultPath() + QStringLiteral("-journal")).size();
}

// The score texts of all rows as numbers, in the order they were stored; empty if one is not a number.
QList<qint64> storedSequence()
{
    QList<qint64> numbers;
    bool ok = true;
    for (const QString &row : Kit::dbRows(QStringLiteral("SELECT 得点 FROM LOG ORDER BY rowid")))
        if (numbers << row.toLongLong(&ok); !ok)
            return {};
    return numbers;
}

// Adds `old` rows of 2000 (older than a 90-day period in April 2001) and
// `recent` rows of April 2001, in one transaction.
bool addRows(int old, int recent)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("filler"));
        db.setDatabaseName(SqliteFile::defaultPath());
        QSqlQuery q(db);
        ok = db.open() && q.exec(QStringLiteral("BEGIN"))
             && q.prepare(QStringLiteral("INSERT INTO LOG ( 日時,科目,得点 ) VALUES ( ?, 'とけい', ? )"));
        for (int i = 0; ok && i < old + recent; ++i) {
            const QDate day = i < old ? QDate(2000, 1, 1).addDays(i % 360) : QDate(2001, 4, 1).addDays(i % 26);
            q.bindValue(0, DateText::of(QDateTime(day, QTime(9 + i % 10, i % 60, 7))));
            q.bindValue(1, QString::number(1 + i % 30));
            ok = q.exec();
        }
        ok = ok && q.exec(QStringLiteral("COMMIT"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("filler"));
    return ok;
}

QRandomGenerator killTimes(const char *what)
{
    bool given = false;
    quint32 seed = qEnvironmentVariable("SANSU_KILL_SEED").toUInt(&given);
    seed = given ? seed : QRandomGenerator::global()->generate();
    qInfo("%s: kill seed %u (set SANSU_KILL_SEED=%u to repeat this run)", what, seed, seed);
    return QRandomGenerator(seed);
}
} // namespace

class TestReliabilityStore : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempWorkDir> dir;

private slots:
    void init()
    {
        dir = std::make_unique<TempWorkDir>();
        TestSetup::createDatabase();
    }
    void cleanup() { dir.reset(); }

    void killedWritersLoseNoConfirmedRow()
    {
        constexpr int kills = 200;
        QRandomGenerator rng = killTimes("writers");
        std::map<qint64, int> confirmedPerRun;
        int beforeFirstRow = 0, insideATransaction = 0;
        for (int run = 0; run < kills; ++run) {
            const qint64 first = run * runStride;
            Writer w(QStringLiteral("append_results"), {QString::number(first), QStringLiteral("0")});
            QVERIFY2(w.waitForLine("ready"), qPrintable(w.diagnosis()));
            // One kill in eight falls while the first row is being written (file
            // opening, first journal); the others somewhere in the rows after it.
            if (rng.bounded(8) != 0)
                QVERIFY2(w.waitForLine(QByteArray::number(first)), qPrintable(w.diagnosis()));
            std::this_thread::sleep_for(std::chrono::microseconds(rng.bounded(40000)));
            QVERIFY2(w.process->state() == QProcess::Running, qPrintable(w.diagnosis()));
            QVERIFY(w.killAndWait());
            QCOMPARE(w.process->exitStatus(), QProcess::CrashExit);
            // A journal with content is a write cut off half-way, for the next writer to roll back.
            insideATransaction += journalSize() > 0 ? 1 : 0;
            const QList<qint64> numbers = w.confirmed();
            for (int i = 0; i < numbers.size(); ++i)
                QCOMPARE(numbers[i], first + i);
            confirmedPerRun[first] = int(numbers.size());
            beforeFirstRow += numbers.isEmpty() ? 1 : 0;
        }

        QCOMPARE(integrity(), QStringLiteral("ok"));
        const QList<qint64> stored = storedSequence();
        QVERIFY(!stored.isEmpty());
        // Each run's rows are its confirmed ones, plus at most the one it was
        // writing when it died (stored, but killed before it could say so).
        std::map<qint64, std::set<qint64>> storedPerRun;
        for (qint64 n : stored) {
            QVERIFY2(confirmedPerRun.count(n - n % runStride), qPrintable(QString::number(n)));
            QVERIFY2(storedPerRun[n - n % runStride].insert(n).second, qPrintable(QStringLiteral("row %1 twice").arg(n)));
        }
        int unconfirmed = 0;
        for (const auto &[first, count] : confirmedPerRun) {
            const std::set<qint64> &rows = storedPerRun[first];
            for (qint64 n = first; n < first + count; ++n)
                QVERIFY2(rows.count(n), qPrintable(QStringLiteral("confirmed row %1 lost").arg(n)));
            QVERIFY2(rows.size() == size_t(count) || (rows.size() == size_t(count) + 1 && rows.count(first + count)),
                     qPrintable(QStringLiteral("run from %1: %2 rows stored, %3 confirmed").arg(first).arg(rows.size()).arg(count)));
            unconfirmed += int(rows.size()) - count;
        }
        qInfo("kills %d (%d inside a write transaction, %d before the first row was confirmed), "
              "rows stored %lld, of them unconfirmed %d",
              kills, insideATransaction, beforeFirstRow, qlonglong(stored.size()), unconfirmed);

        // The program still starts on the file, quietly, and can write to it.
        FakeDialogs *dialogs = FakeDialogs::install();
        {
            ExitTrap trap;
            try {
                RecordStore::DB_ALLOC();
                RecordStore::SET_LOG_GET();
            } catch (const ProgramEnded &ended) {
                QFAIL(qPrintable(QStringLiteral("start-up ended with %1: %2").arg(ended.status).arg(dialogs->told.join('/'))));
            }
        }
        QVERIFY(dialogs->asked.isEmpty() && dialogs->told.isEmpty());
        Dialogs::install(nullptr);
        QCOMPARE(Kit::dbRows(QStringLiteral("SELECT SET_LOG FROM ENV")), QStringList{QStringLiteral("90")});
        QVERIFY(ResultsLog::append(QStringLiteral("2001/04/27 9:05:03"), QStringLiteral("とけい"), QStringLiteral("7")));
        QCOMPARE(storedSequence().size(), stored.size() + 1);
    }

    void aPurgeKilledHalfWayIsAllOrNothing()
    {
        constexpr int oldRows = 30000, recentRows = 30000, kills = 20;
        QVERIFY(addRows(oldRows, recentRows));
        const QString fixture = dir->filePath(QStringLiteral("fixture"));
        QVERIFY(QFile::copy(SqliteFile::defaultPath(), fixture));

        // One purge to the end, to learn how long it takes here.
        qint64 purgeMs = 0;
        {
            Writer w(QStringLiteral("purge_at_start"));
            QVERIFY2(w.waitForLine("ready"), qPrintable(w.diagnosis()));
            QElapsedTimer timer;
            timer.start();
            QVERIFY(w.process->waitForFinished(timeoutMs));
            purgeMs = std::max<qint64>(timer.elapsed(), 1);
            w.readOut();
            QVERIFY2(w.lines().contains("done") && w.process->exitCode() == 0, qPrintable(w.diagnosis()));
            QCOMPARE(logRows(), recentRows);
        }

        QRandomGenerator rng = killTimes("purges");
        int cutOff = 0, untouched = 0, insideTheDelete = 0;
        for (int run = 0; run < kills; ++run) {
            QFile::remove(SqliteFile::defaultPath());
            QFile::remove(SqliteFile::defaultPath() + QStringLiteral("-journal"));
            QVERIFY(QFile::copy(fixture, SqliteFile::defaultPath()));
            Writer w(QStringLiteral("purge_at_start"));
            QVERIFY2(w.waitForLine("ready"), qPrintable(w.diagnosis()));
            std::this_thread::sleep_for(std::chrono::microseconds(rng.bounded(int(purgeMs * 1000))));
            QVERIFY(w.killAndWait());
            const bool finished = w.lines().contains("done");
            cutOff += finished ? 0 : 1;
            insideTheDelete += journalSize() > 0 ? 1 : 0;

            // The DELETE happened wholly or not at all, and the file is sound.
            QCOMPARE(integrity(), QStringLiteral("ok"));
            const int left = logRows();
            QVERIFY2(left == recentRows || (!finished && left == oldRows + recentRows),
                     qPrintable(QStringLiteral("run %1: %2 rows left").arg(run).arg(left)));
            untouched += left == oldRows + recentRows ? 1 : 0;
            // The next start purges what is still there.
            FakeDialogs *dialogs = FakeDialogs::install();
            SystemClock::setFixedNow(QDateTime(QDate(2001, 4, 27), QTime(15, 0, 0)));
            RecordStore::SET_LOG_GET();
            SystemClock::setFixedNow(std::nullopt);
            QVERIFY(dialogs->told.isEmpty());
            Dialogs::install(nullptr);
            QCOMPARE(logRows(), recentRows);
        }
        qInfo("one whole purge of %d rows took %lld ms; purges killed %d: %d before they finished, "
              "%d inside the DELETE (rolled back), %d left every row in place",
              oldRows, purgeMs, kills, cutOff, insideTheDelete, untouched);
    }

    void twoProgramsWritingAtOnceKeepEveryRow()
    {
        constexpr int rowsEach = 500;
        const QString goFile = dir->filePath(QStringLiteral("go"));
        Writer a(QStringLiteral("append_results"), {QStringLiteral("1000"), QString::number(rowsEach), goFile});
        Writer b(QStringLiteral("append_results"), {QStringLiteral("2000"), QString::number(rowsEach), goFile});
        for (Writer *w : {&a, &b})
            QVERIFY2(w->waitForLine("ready"), qPrintable(w->diagnosis()));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(Kit::writeFile(goFile, {}));
        for (Writer *w : {&a, &b}) {
            QVERIFY2(w->process->waitForFinished(timeoutMs), "a writer did not finish");
            w->readOut();
            QVERIFY2(w->process->exitStatus() == QProcess::NormalExit && w->process->exitCode() == 0,
                     qPrintable(w->diagnosis()));
            QCOMPARE(int(w->confirmed().size()), rowsEach);
        }
        const qint64 tookMs = timer.elapsed();

        QCOMPARE(integrity(), QStringLiteral("ok"));
        const QList<qint64> stored = storedSequence();
        std::set<qint64> expected;
        for (int i = 0; i < rowsEach; ++i)
            expected.insert({1000 + i, 2000 + i});
        QCOMPARE(int(stored.size()), 2 * rowsEach);
        QVERIFY(std::set<qint64>(stored.begin(), stored.end()) == expected);
        // Each writer's rows are in their own order. How often the writers took
        // turns is a figure, not a check: SQLite's lock is not fair.
        int switches = 0;
        qint64 last[2] = {-1, -1};
        for (int i = 0; i < stored.size(); ++i) {
            const int writer = stored[i] < 2000 ? 0 : 1;
            QVERIFY(stored[i] > last[writer]);
            last[writer] = stored[i];
            switches += i > 0 && (stored[i] < 2000) != (stored[i - 1] < 2000) ? 1 : 0;
        }
        qInfo("two writers, %d rows each: %.2f s in all, %.1f ms per row, %d turns, longest append %s and %s ms",
              rowsEach, tookMs / 1000.0, double(tookMs) / (2 * rowsEach), switches, a.longestAppend().constData(),
              b.longestAppend().constData());
    }
};

QTEST_GUILESS_MAIN(TestReliabilityStore)
#include "test_reliability_store.moc"
