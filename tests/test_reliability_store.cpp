// The record file under abuse: writers killed in the middle of a row, and two
// programs appending to the same file at once. The writers are separate
// processes (helpers/append_results) so that a kill is a real process death
// and the locking between them is SQLite's file locking.
#include "platform/dialogs.h"
#include "platform/system_clock.h"
#include "store/date_text.h"
#include "store/record_store.h"
#include "store/results_log.h"
#include "support/exit_trap.h"
#include "support/fake_dialogs.h"
#include "support/sqlite_file.h"
#include "support/temp_work_dir.h"
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
const QString helperPath = QStringLiteral(SANSU_HELPER_DIR "/append_results");
const QString purgeHelperPath = QStringLiteral(SANSU_HELPER_DIR "/purge_at_start");
constexpr int startTimeoutMs = 120000;
constexpr int finishTimeoutMs = 300000;

// Rows of one writer run are numbered from run * runStride.
constexpr qint64 runStride = 1000000;

struct Writer
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QByteArray out;

    void start(const QString &workDir, const QStringList &args, const QString &program = helperPath)
    {
        process->setWorkingDirectory(workDir);
        process->setProgram(program);
        process->setArguments(args);
        process->start();
    }
    void readOut() { out += process->readAllStandardOutput(); }
    // Waits until the writer has printed `text` on a line of its own.
    bool waitForLine(const QByteArray &text)
    {
        QElapsedTimer waited;
        waited.start();
        readOut();
        while (!out.startsWith(text + '\n') && !out.contains('\n' + text + '\n')) {
            if (waited.elapsed() > startTimeoutMs || process->state() == QProcess::NotRunning)
                return false;
            process->waitForReadyRead(1000);
            readOut();
        }
        return true;
    }
    // The complete lines printed (the last piece has no newline yet).
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
        for (const QByteArray &line : lines()) {
            bool ok = false;
            const qint64 n = line.toLongLong(&ok);
            if (ok)
                numbers << n;
        }
        return numbers;
    }
    // The longest single append the writer reported at its end, or -1.
    qint64 longestAppendMs() const
    {
        for (const QByteArray &line : lines()) {
            if (line.startsWith("longest "))
                return line.mid(8).toLongLong();
        }
        return -1;
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
    return SqliteFile::rows(SqliteFile::defaultPath(), QStringLiteral("PRAGMA integrity_check")).join('\n');
}

// The score texts of all results rows, as numbers, in the order they were stored.
QList<qint64> storedSequence()
{
    QList<qint64> numbers;
    const QStringList rows =
        SqliteFile::rows(SqliteFile::defaultPath(), QStringLiteral("SELECT 得点 FROM LOG ORDER BY rowid"));
    for (const QString &row : rows) {
        bool ok = false;
        numbers << row.toLongLong(&ok);
        if (!ok) {
            qWarning() << "unexpected row" << row;
            return {};
        }
    }
    return numbers;
}

// Adds rows in one transaction: `old` rows of 2000 (before any cut-off of a
// 90-day period in April 2001) and `recent` rows of April 2001.
bool addRows(int old, int recent)
{
    const QString name = QStringLiteral("filler");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
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
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

int logRows()
{
    return SqliteFile::rows(SqliteFile::defaultPath(), QStringLiteral("SELECT COUNT(*) FROM LOG")).value(0).toInt();
}

quint32 killSeed()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariable("SANSU_KILL_SEED").toUInt(&given);
    return given ? seed : QRandomGenerator::global()->generate();
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
        const quint32 seed = killSeed();
        qInfo("kill seed %u (set SANSU_KILL_SEED=%u to repeat this run)", seed, seed);
        QRandomGenerator rng(seed);

        QElapsedTimer total;
        total.start();
        std::map<qint64, int> confirmedPerRun;
        int killedBeforeFirstRow = 0;
        int killedInsideATransaction = 0;
        const QString journal = SqliteFile::defaultPath() + QStringLiteral("-journal");
        for (int run = 0; run < kills; ++run) {
            const qint64 first = run * runStride;
            Writer w;
            w.start(dir->path(), {QString::number(first), QStringLiteral("0")});
            QVERIFY2(w.process->waitForStarted(startTimeoutMs), qPrintable(w.process->errorString()));
            QVERIFY2(w.waitForLine("ready"), qPrintable(w.diagnosis()));
            // One kill in eight falls while the first row is being written (file
            // opening, first journal); the others somewhere in the rows after it.
            if (rng.bounded(8) != 0)
                QVERIFY2(w.waitForLine(QByteArray::number(first)), qPrintable(w.diagnosis()));
            std::this_thread::sleep_for(std::chrono::microseconds(rng.bounded(40000)));
            QVERIFY2(w.process->state() == QProcess::Running, qPrintable(w.diagnosis()));
            w.process->kill();
            QVERIFY(w.process->waitForFinished(finishTimeoutMs));
            w.readOut();
            QCOMPARE(w.process->exitStatus(), QProcess::CrashExit);
            // A journal with content is a write cut off half-way; the next
            // writer has to roll it back.
            killedInsideATransaction += QFileInfo(journal).size() > 0 ? 1 : 0;

            const QList<qint64> numbers = w.confirmed();
            for (int i = 0; i < numbers.size(); ++i)
                QCOMPARE(numbers[i], first + i);
            confirmedPerRun[first] = int(numbers.size());
            killedBeforeFirstRow += numbers.isEmpty() ? 1 : 0;
        }
        const qint64 killMs = total.elapsed();

        QCOMPARE(integrity(), QStringLiteral("ok"));
        const QList<qint64> stored = storedSequence();
        QVERIFY(!stored.isEmpty());

        // Each run's rows are its confirmed ones, plus at most the one it was
        // writing when it died (stored, but killed before it could say so).
        std::map<qint64, std::set<qint64>> storedPerRun;
        for (qint64 n : stored) {
            const qint64 first = n - n % runStride;
            QVERIFY2(confirmedPerRun.count(first), qPrintable(QString::number(n)));
            QVERIFY2(storedPerRun[first].insert(n).second, qPrintable(QStringLiteral("row %1 twice").arg(n)));
        }
        int confirmedRows = 0;
        int unconfirmedRows = 0;
        for (const auto &[first, count] : confirmedPerRun) {
            const std::set<qint64> &rows = storedPerRun[first];
            for (qint64 n = first; n < first + count; ++n)
                QVERIFY2(rows.count(n), qPrintable(QStringLiteral("confirmed row %1 lost").arg(n)));
            QVERIFY2(rows.size() == size_t(count) || (rows.size() == size_t(count) + 1 && rows.count(first + count)),
                     qPrintable(QStringLiteral("run from %1: %2 rows stored, %3 confirmed")
                                    .arg(first).arg(rows.size()).arg(count)));
            confirmedRows += count;
            unconfirmedRows += int(rows.size()) - count;
        }
        qInfo("kills %d (%d inside a write transaction, %d before the first row was confirmed), "
              "rows written %lld, rows confirmed %d, stored but unconfirmed %d, %.1f s",
              kills, killedInsideATransaction, killedBeforeFirstRow, qlonglong(stored.size()),
              confirmedRows, unconfirmedRows, killMs / 1000.0);

        // The program still starts on the file and can write to it.
        FakeDialogs *dialogs = FakeDialogs::install();
        {
            ExitTrap trap;
            try {
                RecordStore::DB_ALLOC();
                RecordStore::SET_LOG_GET();
            } catch (const ProgramEnded &ended) {
                QFAIL(qPrintable(QStringLiteral("start-up ended with %1: %2")
                                     .arg(ended.status).arg(dialogs->told.join('/'))));
            }
        }
        QVERIFY(dialogs->asked.isEmpty());
        QVERIFY(dialogs->told.isEmpty());
        Dialogs::install(nullptr);
        QCOMPARE(SqliteFile::rows(SqliteFile::defaultPath(), QStringLiteral("SELECT SET_LOG FROM ENV")),
                 QStringList{QStringLiteral("90")});
        QVERIFY(ResultsLog::append(QStringLiteral("2001/04/27 9:05:03"), QStringLiteral("とけい"),
                                   QStringLiteral("7")));
        QCOMPARE(storedSequence().size(), stored.size() + 1);
    }

    void aPurgeKilledHalfWayIsAllOrNothing()
    {
        constexpr int oldRows = 30000;
        constexpr int recentRows = 30000;
        constexpr int kills = 20;
        QVERIFY(addRows(oldRows, recentRows));
        const QString fixture = dir->filePath(QStringLiteral("fixture"));
        QVERIFY(QFile::copy(SqliteFile::defaultPath(), fixture));
        const auto freshFile = [&] {
            QFile::remove(SqliteFile::defaultPath());
            QFile::remove(SqliteFile::defaultPath() + QStringLiteral("-journal"));
            return QFile::copy(fixture, SqliteFile::defaultPath());
        };

        // One purge to the end, to learn how long it takes here.
        qint64 purgeMs = 0;
        {
            Writer w;
            w.start(dir->path(), {}, purgeHelperPath);
            QVERIFY2(w.waitForLine("ready"), qPrintable(w.diagnosis()));
            QElapsedTimer timer;
            timer.start();
            QVERIFY(w.process->waitForFinished(finishTimeoutMs));
            purgeMs = std::max<qint64>(timer.elapsed(), 1);
            w.readOut();
            QVERIFY2(w.lines().contains("done") && w.process->exitCode() == 0, qPrintable(w.diagnosis()));
            QCOMPARE(logRows(), recentRows);
        }

        const quint32 seed = killSeed();
        qInfo("kill seed %u, one whole purge of %d rows took %lld ms", seed, oldRows, purgeMs);
        QRandomGenerator rng(seed);
        int cutOff = 0;
        int untouched = 0;
        int insideTheDelete = 0;
        const QString journal = SqliteFile::defaultPath() + QStringLiteral("-journal");
        for (int run = 0; run < kills; ++run) {
            QVERIFY(freshFile());
            Writer w;
            w.start(dir->path(), {}, purgeHelperPath);
            QVERIFY2(w.waitForLine("ready"), qPrintable(w.diagnosis()));
            std::this_thread::sleep_for(std::chrono::microseconds(rng.bounded(int(purgeMs * 1000))));
            w.process->kill();
            QVERIFY(w.process->waitForFinished(finishTimeoutMs));
            w.readOut();
            const bool finished = w.lines().contains("done");
            cutOff += finished ? 0 : 1;
            insideTheDelete += QFileInfo(journal).size() > 0 ? 1 : 0;

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
        qInfo("purges killed %d: %d before they finished, %d inside the DELETE (rolled back), "
              "%d left every row in place",
              kills, cutOff, insideTheDelete, untouched);
    }

    void twoProgramsWritingAtOnceKeepEveryRow()
    {
        constexpr int rowsEach = 500;
        const QString goFile = dir->filePath(QStringLiteral("go"));
        Writer a;
        Writer b;
        a.start(dir->path(), {QStringLiteral("1000"), QString::number(rowsEach), goFile});
        b.start(dir->path(), {QStringLiteral("2000"), QString::number(rowsEach), goFile});
        for (Writer *w : {&a, &b}) {
            QVERIFY2(w->process->waitForStarted(startTimeoutMs), qPrintable(w->process->errorString()));
            QVERIFY2(w->waitForLine("ready"), qPrintable(w->diagnosis()));
        }

        QElapsedTimer timer;
        timer.start();
        {
            QFile go(goFile);
            QVERIFY(go.open(QIODevice::WriteOnly));
        }
        for (Writer *w : {&a, &b}) {
            QVERIFY2(w->process->waitForFinished(finishTimeoutMs), "a writer did not finish");
            w->readOut();
            QVERIFY2(w->process->exitStatus() == QProcess::NormalExit && w->process->exitCode() == 0,
                     qPrintable(w->diagnosis()));
        }
        const qint64 tookMs = timer.elapsed();
        QCOMPARE(int(a.confirmed().size()), rowsEach);
        QCOMPARE(int(b.confirmed().size()), rowsEach);

        QCOMPARE(integrity(), QStringLiteral("ok"));
        const QList<qint64> stored = storedSequence();
        QCOMPARE(int(stored.size()), 2 * rowsEach);
        const std::set<qint64> distinct(stored.begin(), stored.end());
        std::set<qint64> expected;
        for (int i = 0; i < rowsEach; ++i) {
            expected.insert(1000 + i);
            expected.insert(2000 + i);
        }
        QVERIFY(distinct == expected);
        // Each writer's rows are in their own order. How often the writers took
        // turns is a figure, not a check: SQLite's lock is not fair, and one
        // writer may wait seconds while the other writes row after row.
        int switches = 0;
        qint64 lastA = -1;
        qint64 lastB = -1;
        for (int i = 0; i < stored.size(); ++i) {
            qint64 &last = stored[i] < 2000 ? lastA : lastB;
            QVERIFY(stored[i] > last);
            last = stored[i];
            if (i > 0 && (stored[i] < 2000) != (stored[i - 1] < 2000))
                ++switches;
        }
        qInfo("two writers, %d rows each: %.2f s for all %d rows, %.1f ms per row, writers took turns "
              "%d times, longest single append %lld ms and %lld ms",
              rowsEach, tookMs / 1000.0, 2 * rowsEach, double(tookMs) / (2 * rowsEach), switches,
              a.longestAppendMs(), b.longestAppendMs());
    }
};

QTEST_GUILESS_MAIN(TestReliabilityStore)
#include "test_reliability_store.moc"
