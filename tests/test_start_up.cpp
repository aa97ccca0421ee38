// Start-up against every state the results file can be in: what the user is
// asked and told, whether the program goes on to its menu, and what becomes of
// the file (left byte for byte where it must be).
#include "app/menu_window.h"
#include "platform/system_clock.h"
#include "support/sandbox.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <unistd.h>

namespace {
const QString create = QStringLiteral("ADO_ZEM.MDBが見つかりません､新規作成しますか?");
const QString cancelled = QStringLiteral("ADO_ZEM.MDBがないために処理が続行できないので終了します");
const QString missing = QStringLiteral("ADO_ZEM.MDBがありません");
const QString noEnv = QStringLiteral("ENVがありません､新規作成します");
const QString noLog = QStringLiteral("LOGがありません､新規作成します");
const QString noRow = QStringLiteral("ENVﾚｺｰﾄﾞがないため処理を続行できません");
const QString notPurged = QStringLiteral("ADO_ZEM.MDBの古い成績を削除できませんでした");

struct FileCase
{
    const char *name;
    std::function<void(Sandbox &)> setup;
    std::deque<bool> answers;
    QStringList asked;
    QStringList told; // each message begins with its text here
    std::optional<int> ends;
    bool unchanged = false;
    std::function<void(Sandbox &)> check = nullptr;
    bool needsNonRoot = false;
};

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void expectRows(const QString &file, const QString &query, const QStringList &rows)
{
    QCOMPARE(Sandbox::rows(file, query), rows);
}

const QStringList recent{"2001/04/20 8:00:00|たしざん１０|3", "2001/04/27 9:00:00|とけい|1"};
// With a row to purge, so that start-up has to write.
const QStringList withOld{"2000/01/01 8:00:00|たしざん１０|3", "2001/04/27 9:00:00|とけい|1"};

const std::vector<FileCase> &cases()
{
    static const std::vector<FileCase> all = {
        {"missing, OK: created", [](Sandbox &) {}, {}, {create}, {}, std::nullopt, false,
         [](Sandbox &b) {
             expectRows(b.path(), "SELECT * FROM ENV", {"90"});
             expectRows(b.path(), "SELECT count(*) FROM LOG", {"0"});
         }},
        {"missing, Cancel: nothing left", [](Sandbox &) {}, {false}, {create}, {cancelled}, 1, false,
         [](Sandbox &b) { QCOMPARE(QDir(b.path(".")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList()); }},
        {"empty file", [](Sandbox &b) { write(b.path(), {}); }, {}, {create}, {missing}, 1, true},
        {"damaged database",
         [](Sandbox &b) { write(b.path(), QByteArray("SQLite format 3\0", 16) + QByteArray(2000, '\x5a')); },
         {}, {create}, {missing}, 1, true},
        {"another program's file", [](Sandbox &b) { write(b.path(), "%PDF-1.4\n%results\n"); },
         {}, {create}, {missing}, 1, true},
        {"a folder of that name, other case",
         [](Sandbox &b) { QDir(b.path(".")).mkdir(QStringLiteral("ado_zem.mdb")); }, {}, {create},
         {missing}, 1, false, [](Sandbox &b) { QVERIFY(QFileInfo(b.path("ado_zem.mdb")).isDir()); }},
        {"read-only file: goes on, nothing purged",
         [](Sandbox &b) {
             b.makeRecordFile("90", withOld);
             QFile::setPermissions(b.path(), QFile::ReadOwner);
         },
         {}, {}, {notPurged}, std::nullopt, true, nullptr, true},
        {"read-only folder: goes on, nothing purged",
         [](Sandbox &b) {
             b.makeRecordFile("90", withOld);
             QFile::setPermissions(b.path("."), QFile::ReadOwner | QFile::ExeOwner);
         },
         {}, {}, {notPurged}, std::nullopt, true, nullptr, true},
        {"ENV missing: made again with 90, rows kept",
         [](Sandbox &b) {
             b.makeRecordFile("90", recent);
             Sandbox::sql(b.path(), {"DROP TABLE ENV"});
         },
         {}, {}, {noEnv}, std::nullopt, false,
         [](Sandbox &b) {
             expectRows(b.path(), "SELECT * FROM ENV", {"90"});
             expectRows(b.path(), "SELECT * FROM LOG", recent);
         }},
        {"both tables missing: both made",
         [](Sandbox &b) { b.makeRecordFile(); Sandbox::sql(b.path(), {"DROP TABLE ENV", "DROP TABLE LOG"}); },
         {}, {}, {noEnv}, std::nullopt, false,
         [](Sandbox &b) { expectRows(b.path(), "SELECT count(*) FROM LOG", {"0"}); }},
        {"ENV without a row", [](Sandbox &b) { b.makeRecordFile(); Sandbox::sql(b.path(), {"DELETE FROM ENV"}); },
         {}, {}, {noRow}, 1, true},
        {"LOG missing: made again",
         [](Sandbox &b) { b.makeRecordFile("30"); Sandbox::sql(b.path(), {"DROP TABLE LOG"}); },
         {}, {}, {noLog}, std::nullopt, false,
         [](Sandbox &b) {
             expectRows(b.path(), "SELECT count(*) FROM LOG", {"0"});
             expectRows(b.path(), "SELECT * FROM ENV", {"30"});
         }},
        {"purge by the text order of the cut-off 2001/01/27 9:05:03",
         [](Sandbox &b) {
             b.makeRecordFile("90", {"2001/01/26 23:59:59|とけい|1", "2001/01/27|とけい|2",
                                     "2001/01/27 15:00:00|とけい|3", "2001/01/27 9:05:02|とけい|4",
                                     "2001/01/27 9:05:03|とけい|5", "2001/01/27 9:30:00|とけい|6",
                                     "2001/01/28 0:00:01|とけい|7", "2002/01/01 8:00:00|とけい|8"});
         },
         {}, {}, {}, std::nullopt, false,
         [](Sandbox &b) { expectRows(b.path(), "SELECT 得点 FROM LOG", {"5", "6", "7", "8"}); }},
        {"period not a number: nothing purged",
         [](Sandbox &b) { b.makeRecordFile("abc", {"1999/01/01 8:00:00|とけい|1"}); },
         {}, {}, {}, std::nullopt, false,
         [](Sandbox &b) { expectRows(b.path(), "SELECT count(*) FROM LOG", {"1"}); }},
        {"file in another letter case", [](Sandbox &b) { b.makeRecordFile("90", recent, "ado_zem.mdb"); },
         {}, {}, {}, std::nullopt, false,
         [](Sandbox &b) { QCOMPARE(QDir(b.path(".")).entryList(QDir::Files), QStringList{"ado_zem.mdb"}); }},
    };
    return all;
}
} // namespace

class TestStartUp : public QObject
{
    Q_OBJECT
private slots:
    void fileStates_data();
    void fileStates();
    void lockedBeyondTheWait();
};

void TestStartUp::fileStates_data()
{
    QTest::addColumn<int>("row");
    for (size_t i = 0; i < cases().size(); ++i)
        QTest::newRow(cases()[i].name) << static_cast<int>(i);
}

void TestStartUp::fileStates()
{
    QFETCH(int, row);
    const FileCase &c = cases()[static_cast<size_t>(row)];
    if (c.needsNonRoot && geteuid() == 0)
        QSKIP("runs only as an ordinary user: root reads and writes whatever the permissions say");
    Sandbox box;
    c.setup(box);
    const QByteArray before = Sandbox::bytes(box.path());
    box.dialogs.answers = c.answers;
    MenuWindow menu;
    const std::optional<int> ended = Sandbox::endStatus([&] { menu.showForm(); });
    QCOMPARE(ended, c.ends);
    QCOMPARE(menu.isVisible(), !c.ends.has_value());
    QCOMPARE(box.dialogs.asked, c.asked);
    QCOMPARE(box.dialogs.told.size(), c.told.size());
    for (int i = 0; i < c.told.size(); ++i)
        QVERIFY2(box.dialogs.told[i].startsWith(c.told[i]), qPrintable(box.dialogs.told[i]));
    if (c.unchanged)
        QCOMPARE(Sandbox::bytes(box.path()), before);
    if (c.check)
        c.check(box);
}

// Another program holds the file for writing: start-up reads what it needs,
// gives up purging after the wait, says so and goes on; the file is untouched.
void TestStartUp::lockedBeyondTheWait()
{
    Sandbox box;
    box.makeRecordFile("90", recent);
    const QByteArray before = Sandbox::bytes(box.path());
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(box.path());
        QVERIFY(other.open());
        QSqlQuery hold(other);
        QVERIFY(hold.exec(QStringLiteral("BEGIN IMMEDIATE")));
        MenuWindow menu;
        QCOMPARE(Sandbox::endStatus([&] { menu.showForm(); }), std::nullopt);
        QCOMPARE(box.dialogs.told.size(), 1);
        QVERIFY2(box.dialogs.told[0].startsWith(notPurged), qPrintable(box.dialogs.told[0]));
        QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    QCOMPARE(Sandbox::bytes(box.path()), before);
}

SANSU_TEST_MAIN(TestStartUp)
#include "test_start_up.moc"
