// Crash safety of the results file: the program's own choices (a connection
// per operation, its lock wait, how a new file is made) must keep the file
// whole and every reported row in it when the process is killed, when two
// processes write at once, and when a creation meets names already there.
#include "store/record_database.h"
#include "support/sandbox.h"
#include "support/test_main.h"

#include <QProcess>
#include <QRandomGenerator>

namespace {
const QString WRITER = QStringLiteral(SANSU_HELPER_DIR "/other_copy");

// "N|N|1|N" when the rows of `tag` hold the scores 1 … N, each once.
QString held(const Sandbox &sandbox, const QString &tag)
{
    return Sandbox::rows(sandbox.path(), "SELECT COUNT(*), COUNT(DISTINCT 得点), MIN(得点 + 0), MAX(得点 + 0) "
                                         "FROM LOG WHERE 科目 = '" + tag + "'").value(0);
}
QString upTo(int n) { return QStringLiteral("%1|%1|1|%1").arg(n); }
} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT
private slots:
    // A writer killed at any moment leaves the file whole, holding every row
    // it reported, each once, and at most the one row it was appending. The
    // kills follow one another on one file, so each writer starts on what the
    // killed one left.
    void killedWriter()
    {
        const quint32 seed = qEnvironmentVariableIsSet("SANSU_SEED") ? qEnvironmentVariableIntValue("SANSU_SEED")
                                                                     : QRandomGenerator::system()->generate();
        QRandomGenerator random(seed);
        Sandbox sandbox;
        sandbox.makeRecordFile();
        for (int round = 1; round <= 5; ++round) {
            const QString tag = QStringLiteral("kill%1").arg(round);
            const QString why = QStringLiteral("SANSU_SEED=%1, %2: ").arg(seed).arg(tag);
            QProcess writer;
            writer.start(WRITER, {"append", tag, "1000000"});
            writer.closeWriteChannel();
            // A random number of rows reported, then a random part of the next ones.
            const int reported = random.bounded(1, 16);
            QTRY_VERIFY2_WITH_TIMEOUT(writer.peek(1 << 20).count('\n') >= reported, qPrintable(why), 30000);
            QThread::usleep(random.bounded(20000)); // the moment of the kill, not a wait
            writer.kill();
            QVERIFY2(writer.waitForFinished(30000), qPrintable(why));
            const int said = int(writer.readAllStandardOutput().count('\n'));
            const QString kept = held(sandbox, tag);
            QVERIFY2(Sandbox::rows(sandbox.path(), "PRAGMA integrity_check") == QStringList{"ok"}
                         && (kept == upTo(said) || kept == upTo(said + 1)),
                     qPrintable(why + QStringLiteral("reported %1, kept %2").arg(said).arg(kept)));
        }
    }

    // Two writers let go together: the one that finds the file locked waits
    // for it, so both finish and every row is there exactly once.
    void twoWriters()
    {
        Sandbox sandbox;
        sandbox.makeRecordFile();
        QProcess writers[2];
        for (int w = 0; w < 2; ++w)
            writers[w].start(WRITER, {"append", QString::number(w), "30"});
        QVERIFY(writers[0].waitForStarted(30000) && writers[1].waitForStarted(30000));
        for (QProcess &writer : writers)
            writer.closeWriteChannel();
        for (int w = 0; w < 2; ++w) {
            QVERIFY(writers[w].waitForFinished(60000));
            QVERIFY2(held(sandbox, QString::number(w)) == upTo(30),
                     writers[w].readAllStandardError().constData());
        }
    }

    void errorIsOfTheLastOperation_data()
    {
        QTest::addColumn<QString>("then"); // what succeeds after a statement that failed
        QTest::newRow("a statement") << "execute";
        QTest::newRow("a query") << "query";
        QTest::newRow("opening again") << "open";
    }
    // A failure's words are gone once an operation succeeds: nothing reads a
    // stale error as the reason of a later success.
    void errorIsOfTheLastOperation()
    {
        QFETCH(QString, then);
        Sandbox sandbox;
        sandbox.makeRecordFile();
        RecordDatabase db;
        QVERIFY(db.open(sandbox.path()) && !db.execute("SELECT nothing FROM nowhere") && !db.lastError().isEmpty());
        const bool done = then == "execute" ? db.execute("SELECT 1")
                          : then == "query" ? db.query("SELECT 1").has_value()
                                            : (db.close(), db.open(sandbox.path()));
        QVERIFY(done);
        QCOMPARE(db.lastError(), QString());
    }

    void create_data()
    {
        QTest::addColumn<QStringList>("before"); // names in the folder, each an old Jet file, no SQLite database
        QTest::addColumn<bool>("raced");         // another copy makes the file while this one builds it
        QTest::addColumn<bool>("created");
        QTest::addColumn<QStringList>("after"); // every name in the folder afterwards
        const QString ours = QStringLiteral(".ADO_ZEM.MDB.%1.creating").arg(QCoreApplication::applicationPid());
        const QString another = QStringLiteral(".ADO_ZEM.MDB.1.creating");
        QTest::newRow("empty folder") << QStringList() << false << true << QStringList{"ADO_ZEM.MDB"};
        QTest::newRow("same name in another case") << QStringList{"ado_zem.mdb"} << false << false << QStringList{"ado_zem.mdb"};
        QTest::newRow("made by another copy meanwhile: theirs kept") << QStringList() << true << false << QStringList{"ADO_ZEM.MDB"};
        // A creation of an earlier run with the same process id was cut short.
        QTest::newRow("stale temporary, same id") << QStringList{ours} << false << true << QStringList{"ADO_ZEM.MDB"};
        // Another process's may still be in progress: it is left alone.
        QTest::newRow("another temporary") << QStringList{another} << false << true << QStringList{another, "ADO_ZEM.MDB"};
    }
    // A new file appears under its name or not at all, never beside a file of
    // the same name in another case, and leaves nothing else.
    void create()
    {
        QFETCH(QStringList, before);
        QFETCH(bool, raced);
        QFETCH(bool, created);
        Sandbox sandbox;
        for (const QString &name : before)
            QVERIFY(QFile::copy(SANSU_SOURCE_DIR "/tests/data/jet/truncated.mdb", sandbox.path(name)));
        RecordDatabase db;
        const auto fill = [&](RecordDatabase &) {
            if (raced)
                Sandbox::put(sandbox.path(), "another copy's");
            return true;
        };
        QVERIFY2(db.create(sandbox.path(), fill) == created, qPrintable(db.lastError()));
        QVERIFY2(created || db.lastError().startsWith("a file of that name exists already"), qPrintable(db.lastError()));
        QVERIFY(!raced || Sandbox::bytes(sandbox.path()) == "another copy's");
        QTEST(QDir::current().entryList(QDir::Files | QDir::Hidden, QDir::Name), "after");
    }
};

SANSU_TEST_MAIN(TestCrashSafety)
#include "test_crash_safety.moc"
