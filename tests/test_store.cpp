// The record file: finding and creating it at start-up, the settings row and
// its repair, the purge of old results, the date text and the results row.
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "store/database_file.h"
#include "store/date_text.h"
#include "store/leading_number.h"
#include "store/record_database.h"
#include "store/record_store.h"
#include "store/results_log.h"
#include "store/retention.h"
#include "support/exit_trap.h"
#include "support/fake_dialogs.h"
#include "support/sqlite_file.h"
#include "support/temp_work_dir.h"
#include "support/test_setup.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <memory>
#include <thread>

namespace {
const QString dbName = QStringLiteral("ADO_ZEM.MDB");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// Runs a start-up step and returns the exit status it ended with, or -1.
template <typename Step> int endStatusOf(Step step)
{
    ExitTrap trap;
    try {
        step();
    } catch (const ProgramEnded &ended) {
        return ended.status;
    }
    return -1;
}
} // namespace

class TestStore : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempWorkDir> dir;
    FakeDialogs *dialogs = nullptr;

private slots:
    void initTestCase() { TestSetup::application(); }
    void init()
    {
        dir = std::make_unique<TempWorkDir>();
        TestSetup::globals();
        dialogs = FakeDialogs::install();
        SystemClock::setFixedNow(at(2001, 4, 27, 15, 0, 0));
    }
    void cleanup()
    {
        SystemClock::setFixedNow(std::nullopt);
        Dialogs::install(nullptr);
        dir.reset();
    }

    void firstStartCreatesTheFileAfterAsking()
    {
        QCOMPARE(endStatusOf([] { RecordStore::DB_ALLOC(); }), -1);
        QCOMPARE(dialogs->asked,
                 QStringList{QStringLiteral("ADO_ZEM.MDBが見つかりません､新規作成しますか?")});
        // Made whole under another name and moved into place: nothing else is left.
        QCOMPARE(QDir::current().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{dbName});
        QVERIFY(QFileInfo(dbName).size() > 0);
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT SET_LOG FROM ENV")),
                 QStringList{QStringLiteral("90")});
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT * FROM LOG")), QStringList{});
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT name FROM sqlite_master ORDER BY name")),
                 (QStringList{QStringLiteral("ENV"), QStringLiteral("LOG")}));

        // The next start finds the file and asks nothing.
        dialogs->asked.clear();
        QCOMPARE(endStatusOf([] { RecordStore::DB_ALLOC(); RecordStore::SET_LOG_GET(); }), -1);
        QVERIFY(dialogs->asked.isEmpty());
        QVERIFY(dialogs->told.isEmpty());
    }

    void cancellingTheQuestionEndsWithoutAFile()
    {
        dialogs->answers = {false};
        const int status = endStatusOf([] { RecordStore::DB_ALLOC(); });
        QVERIFY(status > 0);
        QCOMPARE(dialogs->told,
                 QStringList{QStringLiteral("ADO_ZEM.MDBがないために処理が続行できないので終了します")});
        QVERIFY(QDir::current().entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    void fileIsFoundWhateverItsLetterCase()
    {
        TestSetup::createDatabase();
        QVERIFY(QFile::rename(dbName, QStringLiteral("ado_zem.mdb")));
        QCOMPARE(endStatusOf([] { RecordStore::DB_ALLOC(); RecordStore::SET_LOG_GET(); }), -1);
        QVERIFY(dialogs->asked.isEmpty());
        QCOMPARE(QDir::current().entryList(QDir::Files), QStringList{QStringLiteral("ado_zem.mdb")});
        QVERIFY(ResultsLog::append(QStringLiteral("2001/04/27 9:05:03"), QStringLiteral("とけい"),
                                   QStringLiteral("2")));
        QCOMPARE(SqliteFile::rows(QStringLiteral("ado_zem.mdb"), QStringLiteral("SELECT * FROM LOG")),
                 QStringList{QStringLiteral("2001/04/27 9:05:03|とけい|2")});
    }

    void damagedFilesAreNeverOverwritten_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("garbage") << QByteArray("this is not a database at all\n").repeated(40);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated header") << QByteArray("SQLite format 3\0", 16) + QByteArray(20, '\x01');
        QTest::newRow("other engine") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2048, '\0');
    }
    void damagedFilesAreNeverOverwritten()
    {
        QFETCH(QByteArray, bytes);
        writeFile(dbName, bytes);
        RecordDatabase probe;
        QVERIFY(!probe.open(DatabaseFile::locate(dbName)));
        QVERIFY(!probe.create(DatabaseFile::locate(dbName)));

        const int status = endStatusOf([] { RecordStore::DB_ALLOC(); RecordStore::SET_LOG_GET(); });
        QVERIFY(status > 0);
        QCOMPARE(dialogs->told.last(), QStringLiteral("ADO_ZEM.MDBがありません"));
        QCOMPARE(readAll(dbName), bytes);
    }

    void aFolderOfThatNameIsReportedAndKept()
    {
        QVERIFY(QDir().mkdir(QStringLiteral("Ado_Zem.mdb")));
        const int status = endStatusOf([] { RecordStore::DB_ALLOC(); RecordStore::SET_LOG_GET(); });
        QVERIFY(status > 0);
        QCOMPARE(dialogs->told.last(), QStringLiteral("ADO_ZEM.MDBがありません"));
        QVERIFY(QFileInfo(QStringLiteral("Ado_Zem.mdb")).isDir());
    }

    void droppedSettingsTableIsRecreated()
    {
        TestSetup::createDatabase();
        QVERIFY(SqliteFile::exec(dbName, QStringLiteral("DROP TABLE ENV")));
        QVERIFY(SqliteFile::exec(dbName, ResultsLog::insertStatement(QStringLiteral("2001/04/01 9:00:00"),
                                                                     QStringLiteral("とけい"),
                                                                     QStringLiteral("4"))));
        QCOMPARE(endStatusOf([] { RecordStore::SET_LOG_GET(); }), -1);
        QCOMPARE(dialogs->told, QStringList{QStringLiteral("ENVがありません､新規作成します")});
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT SET_LOG FROM ENV")),
                 QStringList{QStringLiteral("90")});
        // The results table was there already; its rows survive the repair.
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT * FROM LOG")),
                 QStringList{QStringLiteral("2001/04/01 9:00:00|とけい|4")});

        // And the next start goes through without a word.
        dialogs->told.clear();
        QCOMPARE(endStatusOf([] { RecordStore::SET_LOG_GET(); }), -1);
        QVERIFY(dialogs->told.isEmpty());
    }

    void bothTablesDroppedAreRecreated()
    {
        TestSetup::createDatabase();
        QVERIFY(SqliteFile::exec(dbName, QStringLiteral("DROP TABLE ENV")));
        QVERIFY(SqliteFile::exec(dbName, QStringLiteral("DROP TABLE LOG")));
        QCOMPARE(endStatusOf([] { RecordStore::SET_LOG_GET(); }), -1);
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT SET_LOG FROM ENV")),
                 QStringList{QStringLiteral("90")});
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT COUNT(*) FROM LOG")),
                 QStringList{QStringLiteral("0")});
    }

    void emptySettingsTableEndsTheProgram()
    {
        TestSetup::createDatabase();
        QVERIFY(SqliteFile::exec(dbName, QStringLiteral("DELETE FROM ENV")));
        const QByteArray before = readAll(dbName);
        const int status = endStatusOf([] { RecordStore::SET_LOG_GET(); });
        QVERIFY(status > 0);
        QCOMPARE(dialogs->told, QStringList{QStringLiteral("ENVﾚｺｰﾄﾞがないため処理を続行できません")});
        QCOMPARE(readAll(dbName), before);
    }

    void sqlCreCurStopsAtTheFirstFailure()
    {
        TestSetup::createDatabase();
        RecordDatabase db;
        QVERIFY(db.open(DatabaseFile::locate(dbName)));
        QVERIFY(db.execute(QStringLiteral("DROP TABLE ENV")));
        QString statement;
        QVERIFY(!RecordStore::SQL_CRE_CUR(db, statement));
        QCOMPARE(statement, QStringLiteral("CREATE TABLE LOG ( 日時 TEXT,科目 TEXT,得点 TEXT ) ;"));
        db.close();
        // ENV was created, its row was not: the INSERT after the failure never ran.
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT COUNT(*) FROM ENV")),
                 QStringList{QStringLiteral("0")});
    }

    void purgeDeletesByTheTextOrderOfDates()
    {
        TestSetup::createDatabase();
        const QStringList dates = {
            QStringLiteral("2000/12/31 23:59:59"), // long before: goes
            QStringLiteral("2001/01/26 23:00:00"), // day before the cut-off day: goes
            QStringLiteral("2001/01/27"),          // cut-off day, date only: goes
            QStringLiteral("2001/01/27 10:30:00"), // "10:30:00" < "15:00:00": goes
            QStringLiteral("2001/01/27 9:05:03"),  // "9:05:03" > "15:00:00": stays
            QStringLiteral("2001/01/27 15:00:00"), // equal to the cut-off: stays
            QStringLiteral("2001/01/28 1:00:00"),  // later day: stays
            QStringLiteral("2001/04/27 8:00:00"),  // today: stays
            QStringLiteral("2002/05/01 8:00:00"),  // future (clock set back): stays
        };
        for (const QString &d : dates)
            QVERIFY(ResultsLog::append(d, QStringLiteral("たしざん１０"), QStringLiteral("1")));
        QCOMPARE(RecordStore::purgeStatement(DateText::of(*Retention::cutOff(SystemClock::now(), 90))),
                 QStringLiteral("DELETE FROM LOG WHERE 日時 < '2001/01/27 15:00:00'"));
        QCOMPARE(endStatusOf([] { RecordStore::SET_LOG_GET(); }), -1);
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT 日時 FROM LOG ORDER BY rowid")),
                 dates.mid(4));
    }

    void retentionPeriodsThatMustNotPurge_data()
    {
        QTest::addColumn<QString>("period");
        QTest::addColumn<int>("kept");
        QTest::newRow("not a number") << QStringLiteral("abc") << 3;
        QTest::newRow("zero") << QStringLiteral("0") << 3;
        QTest::newRow("negative") << QStringLiteral("-5") << 3;
        QTest::newRow("fraction below one") << QStringLiteral("0.5") << 3;
        QTest::newRow("beyond year 100") << QStringLiteral("99999999") << 3;
        QTest::newRow("huge exponent") << QStringLiteral("1e308") << 3;
        QTest::newRow("thirty with blanks") << QStringLiteral("  30  ") << 2;
        QTest::newRow("leading number") << QStringLiteral("30days") << 2;
    }
    void retentionPeriodsThatMustNotPurge()
    {
        QFETCH(QString, period);
        QFETCH(int, kept);
        TestSetup::createDatabase(period);
        for (const char *d : {"1990/01/01 9:00:00", "2001/04/01 9:00:00", "2001/04/27 14:00:00"})
            QVERIFY(ResultsLog::append(QString::fromLatin1(d), QStringLiteral("とけい"), QStringLiteral("1")));
        QCOMPARE(endStatusOf([] { RecordStore::SET_LOG_GET(); }), -1);
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT COUNT(*) FROM LOG")),
                 QStringList{QString::number(kept)});
    }

    void leadingNumberReadsLikeTheSettingsTable()
    {
        QCOMPARE(LeadingNumber::of(QStringLiteral(" 90 ")), 90.0);
        QCOMPARE(LeadingNumber::of(QStringLiteral("12abc")), 12.0);
        QCOMPARE(LeadingNumber::of(QStringLiteral("2.5")), 2.5);
        QCOMPARE(LeadingNumber::of(QStringLiteral("1e3")), 1000.0);
        QCOMPARE(LeadingNumber::of(QStringLiteral("-5")), -5.0);
        QCOMPARE(LeadingNumber::of(QStringLiteral("abc")), 0.0);
        QCOMPARE(LeadingNumber::of(QString()), 0.0);
        QCOMPARE(LeadingNumber::of(QStringLiteral(".")), 0.0);
    }

    void dateTextIsTheJapaneseFormWhateverTheLocale()
    {
        const QLocale saved;
        for (const char *name : {"en_US", "de_DE", "ja_JP"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(name)));
            QCOMPARE(DateText::of(at(2001, 4, 27, 9, 5, 3)), QStringLiteral("2001/04/27 9:05:03"));
            QCOMPARE(DateText::of(at(2001, 4, 27, 21, 5, 3)), QStringLiteral("2001/04/27 21:05:03"));
            QCOMPARE(DateText::of(at(2001, 12, 1, 0, 0, 0)), QStringLiteral("2001/12/01"));
            QCOMPARE(DateText::of(at(2001, 12, 1, 0, 0, 1)), QStringLiteral("2001/12/01 0:00:01"));
        }
        QLocale::setDefault(saved);
    }

    void sittingsAreRecordedUnlessTheScoreIsZero()
    {
        TestSetup::createDatabase();
        QVERIFY(ResultsLog::recordSitting(QStringLiteral("たしざん１０"), QStringLiteral("クリア\u30000")));
        SystemClock::setFixedNow(at(2001, 4, 27, 9, 5, 3));
        QVERIFY(ResultsLog::recordSitting(QStringLiteral("たしざん１０"), QStringLiteral("クリア\u30007")));
        SystemClock::setFixedNow(at(2001, 4, 28, 0, 0, 0));
        QVERIFY(ResultsLog::recordSitting(QStringLiteral("とけい"), QStringLiteral("クリア\u300012")));
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT * FROM LOG ORDER BY rowid")),
                 (QStringList{QStringLiteral("2001/04/27 9:05:03|たしざん１０|7"),
                              QStringLiteral("2001/04/28|とけい|12")}));
        QVERIFY(dialogs->told.isEmpty());
    }

    void aRowThatCannotBeWrittenIsReported()
    {
        // No file at all: nothing is created behind the user's back.
        QVERIFY(!ResultsLog::recordSitting(QStringLiteral("ひいて１０"), QStringLiteral("クリア\u30003")));
        QCOMPARE(dialogs->told.size(), 1);
        QVERIFY(dialogs->told.first().startsWith(QStringLiteral("ADO_ZEM.MDBに成績を保存できませんでした")));
        QVERIFY(dialogs->told.first().contains(QStringLiteral("ひいて１０")));
        QVERIFY(!QFile::exists(dbName));

        // A value with a quote is refused instead of breaking the statement.
        TestSetup::createDatabase();
        QString error;
        QVERIFY(!ResultsLog::append(QStringLiteral("2001/04/27"), QStringLiteral("x' OR '1"),
                                    QStringLiteral("1"), &error));
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT COUNT(*) FROM LOG")),
                 QStringList{QStringLiteral("0")});
    }

    void aLockedFileDelaysTheRowInsteadOfLosingIt()
    {
        TestSetup::createDatabase();
        const QString path = DatabaseFile::locate(dbName);
        std::atomic<bool> locked{false};
        std::thread holder([&] {
            {
                QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
                other.setDatabaseName(path);
                QVERIFY(other.open());
                QSqlQuery q(other);
                QVERIFY(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
                locked = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(1200));
                QVERIFY(q.exec(QStringLiteral("COMMIT")));
                other.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("holder"));
        });
        while (!locked)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        QElapsedTimer timer;
        timer.start();
        const bool written = ResultsLog::append(QStringLiteral("2001/04/27 9:00:00"),
                                                QStringLiteral("とけい"), QStringLiteral("5"));
        const qint64 waited = timer.elapsed();
        holder.join();
        QVERIFY(written);
        QVERIFY2(waited >= 1000, qPrintable(QString::number(waited)));
        QCOMPARE(SqliteFile::rows(dbName, QStringLiteral("SELECT 得点 FROM LOG")),
                 QStringList{QStringLiteral("5")});
    }
};

QTEST_MAIN(TestStore)
#include "test_store.moc"
