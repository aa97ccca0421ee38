// Crash safety of the results file: the program's own choices (a connection
// per operation, its lock wait, how a new file is made) must keep the file
// whole and every reported row in it when the process is killed, when two
// processes write at once, and when a creation meets names already there.
#include "store/record_database.h"
#include "support/sandbox.h"
#include "support/test_main.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

namespace {
// Starts the append_results helper in the sandbox's working folder; with
// `go`, lets it start appending at once.
void startWriter(QProcess &writer, const Sandbox &sandbox, const QString &tag, int count, bool go = true)
{
    writer.setWorkingDirectory(QFileInfo(sandbox.path()).absolutePath());
    writer.start(QStringLiteral(SANSU_HELPER_DIR "/append_results"), {tag, QString::number(count)});
    if (go)
        writer.closeWriteChannel();
}

QStringList numbers(int first, int last)
{
    QStringList list;
    for (int n = first; n <= last; ++n)
        list << QString::number(n);
    return list;
}

QStringList scores(const Sandbox &sandbox, const QString &tag)
{
    return Sandbox::rows(sandbox.path(),
                         QStringLiteral("SELECT 得点 FROM LOG WHERE 科目 = '%1' ORDER BY rowid").arg(tag));
}

const QStringList OK{QStringLiteral("ok")};
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
            startWriter(writer, sandbox, tag, 1000000);
            // A random number of rows reported, then a random part of the next ones.
            const int reported = random.bounded(1, 16);
            QByteArray out;
            while (out.count('\n') < reported) {
                QVERIFY2(writer.waitForReadyRead(30000), qPrintable(why + writer.readAllStandardError()));
                out += writer.readAllStandardOutput();
            }
            QThread::usleep(random.bounded(20000)); // the moment of the kill, not a wait
            writer.kill();
            QVERIFY2(writer.waitForFinished(30000), qPrintable(why));
            out += writer.readAllStandardOutput();
            const int said = int(out.count('\n'));
            QVERIFY2(Sandbox::rows(sandbox.path(), QStringLiteral("PRAGMA integrity_check")) == OK, qPrintable(why));
            const QStringList kept = scores(sandbox, tag);
            QVERIFY2(kept == numbers(1, said) || kept == numbers(1, said + 1),
                     qPrintable(why + QStringLiteral("reported %1, kept ").arg(said) + kept.join(QLatin1Char(' '))));
        }
    }

    // Two writers let go together: the one that finds the file locked waits
    // for it, so both finish and every row is there exactly once.
    void twoWriters()
    {
        Sandbox sandbox;
        sandbox.makeRecordFile();
        QProcess writers[2];
        const QStringList tags{QStringLiteral("A"), QStringLiteral("B")};
        for (int w = 0; w < 2; ++w) {
            startWriter(writers[w], sandbox, tags[w], 30, false);
            QVERIFY(writers[w].waitForStarted(30000));
        }
        for (QProcess &writer : writers)
            writer.closeWriteChannel();
        for (int w = 0; w < 2; ++w) {
            QVERIFY(writers[w].waitForFinished(60000));
            QVERIFY2(writers[w].exitStatus() == QProcess::NormalExit && writers[w].exitCode() == 0,
                     writers[w].readAllStandardError().constData());
            QCOMPARE(scores(sandbox, tags[w]), numbers(1, 30));
        }
    }

    void create_data()
    {
        QTest::addColumn<QStringList>("before"); // names in the folder, each a small file
        QTest::addColumn<bool>("created");
        QTest::addColumn<QStringList>("after"); // every name in the folder afterwards
        const QString ours = QStringLiteral(".ADO_ZEM.MDB.%1.creating").arg(QCoreApplication::applicationPid());
        const QString another = QStringLiteral(".ADO_ZEM.MDB.1.creating");
        QTest::newRow("empty folder") << QStringList() << true << QStringList{"ADO_ZEM.MDB"};
        QTest::newRow("same name in another case") << QStringList{"ado_zem.mdb"} << false << QStringList{"ado_zem.mdb"};
        // A creation of an earlier run with the same process id was cut short.
        QTest::newRow("stale temporary, same id") << QStringList{ours} << true << QStringList{"ADO_ZEM.MDB"};
        // Another process's may still be in progress: it is left alone.
        QTest::newRow("another temporary") << QStringList{another} << true << QStringList{another, "ADO_ZEM.MDB"};
    }
    // A new file appears whole under its name or not at all, never over or
    // beside a file of the same name in another case, and leaves nothing else.
    void create()
    {
        QFETCH(QStringList, before);
        QFETCH(bool, created);
        QFETCH(QStringList, after);
        Sandbox sandbox;
        const QByteArray content("not made by the program\n");
        for (const QString &name : before) {
            QFile file(sandbox.path(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        }
        {
            RecordDatabase db;
            QVERIFY2(db.create(sandbox.path()) == created, qPrintable(db.lastError()));
        }
        QStringList entries = QDir(QFileInfo(sandbox.path()).absolutePath())
                                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        entries.sort();
        after.sort();
        QCOMPARE(entries, after);
        for (const QString &name : before) {
            if (after.contains(name))
                QCOMPARE(Sandbox::bytes(sandbox.path(name)), content);
        }
        if (created)
            QCOMPARE(Sandbox::rows(sandbox.path(), QStringLiteral("PRAGMA integrity_check")), OK);
    }
};

SANSU_TEST_MAIN(TestCrashSafety)
#include "test_crash_safety.moc"
