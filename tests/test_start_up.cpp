// Start-up against every state the results file can be in: what the user is
// asked and told, whether the program goes on to its menu, and what becomes of
// the file (left byte for byte where it must be).
#include "app/carry_over_window.h"
#include "app/chart_start.h"
#include "app/menu_window.h"
#include "app/results_in_use.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "store/record_database.h"
#include "support/sandbox.h"
#include "support/test_main.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTimer>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString create = QStringLiteral("ADO_ZEM.MDBが見つかりません､新規作成しますか?");
const QString notPurged = QStringLiteral("ADO_ZEM.MDBの古い成績を削除できませんでした");
const QString carry = QStringLiteral("ADO_ZEM.MDBは以前の形式の成績ファイルです､今の形式に移しますか?\n"
                                     "(元のファイルは名前を変えて残します)");
const QString carried = QStringLiteral("ADO_ZEM.MDBの成績7件を今の形式に移しました､元のファイルはADO_ZEM.jet3");
const QString unreadable = QStringLiteral("ADO_ZEM.MDBを読めないために処理が続行できないので終了します");
const QString damaged = QStringLiteral("ADO_ZEM.MDBは壊れているか成績ファイルではありません､処理が続行できないので終了します");
const QString jetDir = QStringLiteral(SANSU_SOURCE_DIR "/tests/data/jet/");

using Setup = std::function<void(Sandbox &)>;
struct FileCase
{
    const char *name;
    Setup setup;
    std::deque<bool> answers;
    QStringList asked;
    QStringList told; // each message begins with its text here
    std::optional<int> ends;
    bool unchanged = false;
    Setup check = nullptr;
    bool needsNonRoot = false;
};

void expectRows(const QString &file, const QString &query, const QStringList &rows)
{
    QCOMPARE(Sandbox::rows(file, query), rows);
}

// An old-format file copied in as the results file, cut to `size` bytes when given.
Setup jet(const char *fixture, int size = -1)
{
    return [=](Sandbox &b) {
        const QByteArray bytes = Sandbox::bytes(jetDir + fixture);
        Sandbox::put(b.path(), size < 0 ? bytes : bytes.left(size));
    };
}

// An old Jet results file, and then `more`.
Setup jetAnd(const Setup &more)
{
    return [=](Sandbox &b) { jet("old-results.mdb")(b); more(b); };
}

const Setup readOnlyFolder = [](Sandbox &b) { QFile::setPermissions(b.path("."), QFile::ReadOwner | QFile::ExeOwner); };

// Stand-ins for the mdbtools: mdb-tables names the tables of a results file,
// mdb-export runs `exporting`. They are found first on the search path.
Setup standIns(const QByteArray &exporting)
{
    return jetAnd([=](Sandbox &b) {
        Sandbox::put(b.path("tools/mdb-tables"), "#!/bin/sh\nprintf 'ENV\\nLOG\\n'\n");
        Sandbox::put(b.path("tools/mdb-export"), "#!/bin/sh\n" + exporting);
        for (const char *tool : {"tools/mdb-tables", "tools/mdb-export"})
            QFile::setPermissions(b.path(tool), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(b.path("tools")) + ":/usr/bin:/bin");
    });
}

// Whether a process still runs (a zombie waiting to be reaped does not).
bool running(const QString &pid)
{
    QFile stat("/proc/" + pid.trimmed() + "/stat");
    return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
}

// A carry-over whose tool never answers, cancelled while it waits: with
// キャンセル, or with the close box of the window that shows it.
Setup cancelledBy(bool closeBox)
{
    return [=](Sandbox &b) {
        standIns("exec sleep 600\n")(b);
        // As soon as the window shows, however slowly a busy machine gets there.
        auto *watch = new QTimer(&b.scope);
        QObject::connect(watch, &QTimer::timeout, [closeBox, watch] {
            if (auto *w = qobject_cast<CarryOverWindow *>(Sandbox::shown("CarryOver"))) {
                watch->stop();
                closeBox ? (void)w->close() : QTest::mouseClick(w->Command1, Qt::LeftButton);
            }
        });
        watch->start(20);
    };
}

// Another program's database, made by `statements`.
Setup foreign(const QStringList &statements)
{
    return [=](Sandbox &b) { Sandbox::put(b.path(), {}); Sandbox::sql(b.path(), statements); };
}

// The progress chart started alone in the state `setup` makes tells what
// begins with `told` (empty: it shows the chart), and changes nothing.
Setup chartFirst(const QString &told, const Setup &setup)
{
    return [=](Sandbox &b) {
        setup(b);
        const QStringList there = b.files();
        const QByteArray before = Sandbox::bytes(b.path());
        const QString said = ChartStart::refusal(RecordFile::locate("ADO_ZEM.MDB"));
        QVERIFY2(told.isEmpty() ? said.isEmpty() : said.startsWith(told), qPrintable(said));
        QCOMPARE(b.files(), there);
        QCOMPARE(Sandbox::bytes(b.path()), before);
    };
}
const QString chartCannot = QStringLiteral("､成績のグラフを表示できないので終了します\n(さんすうドリルを起動すると");

// Another program holds the file in a transaction (`lock`) beyond the wait,
// a row of its own on its way: start-up shows its notice while it waits.
std::shared_ptr<RecordDatabase> holder;
bool noticed = false;
Setup heldBy(const QString &lock)
{
    return [=](Sandbox &b) {
        b.makeRecordFile("90", {"2000/01/01 8:00:00|たしざん１０|3"});
        holder = std::make_shared<RecordDatabase>();
        QVERIFY(holder->open(b.path()) && holder->execute("BEGIN " + lock)
                && holder->execute("INSERT INTO LOG VALUES ('2001/04/27 9:05:00', 'とけい', '9')"));
        noticed = false;
        auto *watch = new QTimer(&b.scope);
        QObject::connect(watch, &QTimer::timeout, [] { noticed = noticed || Sandbox::shown("WaitNotice") != nullptr; });
        watch->start(20);
    };
}
// Its journal is another program's, and stays until it ends.
const Setup heldThroughout = [](Sandbox &b) {
    QVERIFY(noticed && QFileInfo::exists(b.path("ADO_ZEM.MDB-journal")));
    holder.reset();
};

const QStringList recent{"2001/04/20 8:00:00|たしざん１０|3", "2001/04/27 9:00:00|とけい|1"};
// With a row to purge, so that start-up has to write.
const QStringList withOld{"2000/01/01 8:00:00|たしざん１０|3", "2001/04/27 9:00:00|とけい|1"};

const std::vector<FileCase> &cases()
{
    const auto dataFolderToMake = [](Sandbox &b) { ProjectGlobals::instance().folderToMake = b.path("home/data"); };
    static const std::vector<FileCase> all = {
        {"missing, OK: created", chartFirst("ADO_ZEM.MDBが見つかりません" + chartCannot + "新規作成できます)", [](Sandbox &) {}),
         {}, {create}, {}, std::nullopt, false,
         [](Sandbox &b) { expectRows(b.path(), "SELECT * FROM ENV", {"90"}); expectRows(b.path(), "SELECT count(*) FROM LOG", {"0"}); }},
        {"missing in a data folder not yet made, OK: the folder made for the file", dataFolderToMake, {}, {create}, {},
         std::nullopt, false, [](Sandbox &b) { QVERIFY(QFile::exists(b.path("home/data/ADO_ZEM.MDB"))); ResultsInUse::release(); }},
        {"missing in a data folder not yet made, Cancel: nothing made", dataFolderToMake, {false}, {create},
         {"ADO_ZEM.MDBがないために処理が続行できないので終了します"}, 1, false,
         [](Sandbox &b) { QCOMPARE(Sandbox::entries(b.path(".")), QStringList()); }},
        {"missing in a read-only folder, OK: cannot be made, says why", readOnlyFolder, {}, {create},
         {"ADO_ZEM.MDBを作れません､このフォルダに書き込む権限がないために処理が続行できないので終了します\n(Permission denied)"},
         1, false, nullptr, true},
        {"made meanwhile by another copy: that file is used",
         [](Sandbox &b) { b.dialogs.whenAsked = [&b] { b.makeRecordFile("30", withOld); }; }, {}, {create}, {},
         std::nullopt, false, [](Sandbox &b) { expectRows(b.path(), "SELECT * FROM ENV", {"30"}); }},
        {"started in a folder since deleted: nothing made",
         [](Sandbox &b) {
             QDir(b.path(".")).mkdir("gone");
             QDir::setCurrent(b.path("gone"));
             QDir(b.path(".")).rmdir("gone");
         },
         {}, {}, {"起動したフォルダがなくなっています､ADO_ZEM.MDBを作れない"}, 1, false,
         [](Sandbox &) { QVERIFY(!QFileInfo::exists("/ADO_ZEM.MDB")); }},
        {"empty file", [](Sandbox &b) { Sandbox::put(b.path(), {}); }, {}, {}, {damaged}, 1, true},
        {"a file of one byte", [](Sandbox &b) { Sandbox::put(b.path(), "S"); }, {}, {}, {damaged}, 1, true},
        {"damaged database",
         [](Sandbox &b) { Sandbox::put(b.path(), QByteArray("SQLite format 3\0", 16) + QByteArray(2000, '\x5a')); },
         {}, {}, {damaged + "\n(file is not a database)"}, 1, true},
        {"an Access 2007 file", [](Sandbox &b) { Sandbox::put(b.path(), QByteArray("\0\1\0\0Standard ACE DB\0\2", 21)); },
         {}, {}, {"ADO_ZEM.MDBは新しい形式のAccessのファイルです､"}, 1, true},
        {"no permission to read", [](Sandbox &b) { b.makeRecordFile(); QFile::setPermissions(b.path(), {}); },
         {}, {}, {"ADO_ZEM.MDBを読む権限がありません､処理が続行できないので終了します\n("}, 1, true, nullptr, true},
        {"a folder of that name, other case", [](Sandbox &b) { QDir(b.path(".")).mkdir(QStringLiteral("ado_zem.mdb")); },
         {}, {}, {"ADO_ZEM.MDBはフォルダです､成績ファイルではない"}, 1, false,
         [](Sandbox &b) { QVERIFY(QFileInfo(b.path("ado_zem.mdb")).isDir()); }},
        // None of these is opened: a named pipe would wait for a writer for ever.
        {"a named pipe",
         chartFirst("ADO_ZEM.MDBは名前付きパイプです､成績ファイルではないために処理が続行できないので終了します",
                    [](Sandbox &b) { QVERIFY(::mkfifo(QFile::encodeName(b.path()), 0600) == 0); }),
         {}, {}, {"ADO_ZEM.MDBは名前付きパイプです､"}, 1, true},
        {"a link to a device", [](Sandbox &b) { QFile::link("/dev/zero", b.path()); }, {}, {}, {"ADO_ZEM.MDBはデバイスです､"}, 1},
        {"a link to nothing", [](Sandbox &b) { QFile::link(b.path("gone"), b.path()); }, {}, {},
         {"ADO_ZEM.MDBは行き先のないリンクです､"}, 1},
        {"a link to itself", [](Sandbox &b) { QFile::link(b.path(), b.path()); }, {}, {}, {"ADO_ZEM.MDBは循環しているリンクです､"}, 1},
        {"read-only file: goes on, nothing purged",
         [](Sandbox &b) { b.makeRecordFile("90", withOld); QFile::setPermissions(b.path(), QFile::ReadOwner); },
         {}, {}, {notPurged}, std::nullopt, true, nullptr, true},
        {"read-only folder: goes on, nothing purged", [](Sandbox &b) { b.makeRecordFile("90", withOld); readOnlyFolder(b); },
         {}, {}, {notPurged}, std::nullopt, true, nullptr, true},
        {"held for writing by another program: read, not purged, goes on", heldBy("IMMEDIATE"), {}, {}, {notPurged},
         std::nullopt, true, heldThroughout},
        {"held wholly by another program: in use, ends", heldBy("EXCLUSIVE"), {}, {},
         {"ADO_ZEM.MDBはほかのプログラムが使っています､処理が続行できないので終了します"}, 1, true, heldThroughout},
        {"ENV missing: made again with 90, rows kept",
         chartFirst("ENVがありません" + chartCannot + "新規作成します)",
                    [](Sandbox &b) { b.makeRecordFile("90", recent); Sandbox::sql(b.path(), {"DROP TABLE ENV"}); }),
         {}, {}, {"ENVがありません､新規作成します"}, std::nullopt, false,
         [](Sandbox &b) { expectRows(b.path(), "SELECT * FROM ENV", {"90"}); expectRows(b.path(), "SELECT * FROM LOG", recent); }},
        {"LOG missing: made again",
         chartFirst("LOGがありません" + chartCannot + "新規作成します)",
                    [](Sandbox &b) { b.makeRecordFile("45"); Sandbox::sql(b.path(), {"DROP TABLE LOG"}); }),
         {}, {}, {"LOGがありません､新規作成します"}, std::nullopt, false,
         [](Sandbox &b) { expectRows(b.path(), "SELECT * FROM ENV", {"45"}); expectRows(b.path(), "SELECT count(*) FROM LOG", {"0"}); }},
        {"another program's LOG, no ENV: named, left as it is", foreign({"CREATE TABLE log ( id INTEGER, message TEXT )"}),
         {}, {}, {damaged + "\n(table LOG has other columns than a results file: id, message)"}, 1, true},
        {"ENV and LOG of other shapes: named, left as they are",
         foreign({"CREATE TABLE ENV ( SET_LOG TEXT, owner TEXT )", "CREATE TABLE LOG ( 日時 TEXT, 科目 TEXT )"}), {}, {},
         {damaged + "\n(table ENV has other columns than a results file: SET_LOG, owner)"}, 1, true},
        // SQLite zeroes a journal's header until the write's first sync.
        {"a journal left by a write killed before its first sync: removed",
         [](Sandbox &b) {
             b.makeRecordFile("90", recent);
             Sandbox::put(b.path("ADO_ZEM.MDB-journal"), QByteArray(12, '\0') + QByteArray(8692, '\x5a'));
         },
         {}, {}, {}, std::nullopt, false, [](Sandbox &b) { expectRows(b.path(), "SELECT * FROM LOG", recent); }},
        {"ENV without a row", [](Sandbox &b) { b.makeRecordFile(); Sandbox::sql(b.path(), {"DELETE FROM ENV"}); },
         {}, {}, {"ENVﾚｺｰﾄﾞがないため処理を続行できません"}, 1, true},
        {"purge by the text order of the cut-off 2001/01/27 9:05:03",
         [](Sandbox &b) {
             b.makeRecordFile("90", {"2001/01/26 23:59:59|とけい|1", "2001/01/27|とけい|2", "2001/01/27 15:00:00|とけい|3",
                                     "2001/01/27 9:05:02|とけい|4", "2001/01/27 9:05:03|とけい|5", "2001/01/27 9:30:00|とけい|6",
                                     "2001/01/28 0:00:01|とけい|7", "2002/01/01 8:00:00|とけい|8"});
         },
         {}, {}, {}, std::nullopt, false, [](Sandbox &b) { expectRows(b.path(), "SELECT 得点 FROM LOG", {"5", "6", "7", "8"}); }},
        {"old Jet file, OK: carried over, old file kept, purge applied",
         chartFirst("ADO_ZEM.MDBは以前の形式の成績ファイルです" + chartCannot + "今の形式に移せます)", [](Sandbox &b) {
             jet("old-results.mdb")(b);
             SystemClock::setFixedNow(QDateTime(QDate(2101, 6, 1), QTime(12, 0)));
         }),
         {}, {carry}, {carried + ".MDBとして残しています"}, std::nullopt, false,
         [](Sandbox &b) {
             QCOMPARE(Sandbox::bytes(b.path("ADO_ZEM.jet3.MDB")), Sandbox::bytes(jetDir + "old-results.mdb"));
             expectRows(b.path(), "SELECT * FROM ENV", {"36500"});
             expectRows(b.path(), "SELECT * FROM LOG",
                        {"2005/05/01 10:30:00|とけい|12", "2012/01/15|ひきざん２０|1", "2024/12/24 18:45:10|ひいて１０|10",
                         "2026/11/30 8:00:00|たしざん１０|5", "2026/12/01 7:59:59|たしざん２０|2"});
         }},
        {"old Jet file with a second name left by a copy killed while swapping: that name kept",
         jetAnd([](Sandbox &b) { QVERIFY(::link(QFile::encodeName(b.path()), QFile::encodeName(b.path("ADO_ZEM.jet3.MDB"))) == 0); }),
         {}, {carry}, {carried + ".MDBとして"}, std::nullopt, false,
         [](Sandbox &b) {
             QCOMPARE(b.files(), (QStringList{"ADO_ZEM.MDB", "ADO_ZEM.jet3.MDB"}));
             QCOMPARE(Sandbox::bytes(b.path("ADO_ZEM.jet3.MDB")), Sandbox::bytes(jetDir + "old-results.mdb"));
         }},
        {"old Jet file with a symbolic link to it at the kept name: kept under another",
         jetAnd([](Sandbox &b) { QVERIFY(QFile::link("ADO_ZEM.MDB", b.path("ADO_ZEM.jet3.MDB"))); }), {}, {carry},
         {carried + "-2.MDBとして"}, std::nullopt, false,
         [](Sandbox &b) { QCOMPARE(Sandbox::bytes(b.path("ADO_ZEM.jet3-2.MDB")), Sandbox::bytes(jetDir + "old-results.mdb")); }},
        {"old Jet file, Cancel: left as it is", jet("old-results.mdb"), {false}, {carry},
         {"ADO_ZEM.MDBが以前の形式のために処理が続行できないので終了します"}, 1, true},
        {"old Jet file with a row whose date is no date: the others carried, that one named",
         jet("old-results-misfits.mdb"), {}, {carry}, {"ADO_ZEM.MDBの成績3件を今の形式に移しました"}, std::nullopt, false,
         [](Sandbox &b) {
             QVERIFY(b.dialogs.told[0].endsWith("移せなかった成績1件:\nきのう　ひきざん１０　4"));
             expectRows(b.path(), "SELECT * FROM LOG",
                        {"2026/11/30 8:00:00|たしざん１０|5", "2026/11/30 8:10:00|とけい|abc", "2026/12/01 9:00:00|たして１０|6"});
         }},
        {"old Jet file with hours 0 and padded, a date alone and deleted rows: the live rows carried",
         jet("old-results-times.mdb"), {}, {carry}, {"ADO_ZEM.MDBの成績5件を今の形式に移しました､"}, std::nullopt, false,
         [](Sandbox &b) {
             QVERIFY(!b.dialogs.told[0].contains("移せなかった"));
             expectRows(b.path(), "SELECT * FROM LOG",
                        {"2026/12/01 0:30:00|たしざん１０|4", "2026/12/01 09:05:00|ひきざん１０|6", "2026/12/02 0:00:01|とけい|2",
                         "2026/12/03|たして１０|3", "2026/12/03 23:59:59|ひいて１０|9"});
         }},
        {"old Jet file another copy carries over now: left alone",
         jetAnd([](Sandbox &b) {
             auto lock = std::make_shared<QLockFile>(b.path(".ADO_ZEM.MDB.lock"));
             QVERIFY(lock->tryLock(0));
             QObject::connect(&b.scope, &QObject::destroyed, [lock] {});
         }),
         {}, {carry}, {"ADO_ZEM.MDBはほかのさんすうドリルが今の形式に移しているところです､"}, 1, true},
        {"old Jet file in a read-only folder: no permission, said so", jetAnd(readOnlyFolder), {}, {carry},
         {"このフォルダに書き込む権限がないためにADO_ZEM.MDBを今の形式に移せません､"}, 1, true, nullptr, true},
        {"old Jet file, its lock's name taken by a folder: named, left alone",
         jetAnd([](Sandbox &b) { QVERIFY(QDir(b.path(".")).mkdir(".ADO_ZEM.MDB.lock")); }), {}, {carry},
         {".ADO_ZEM.MDB.lockはフォルダです､ADO_ZEM.MDBを今の形式に移せないために"}, 1, true,
         [](Sandbox &b) { QVERIFY(QFileInfo(b.path(".ADO_ZEM.MDB.lock")).isDir()); }},
        {"old Jet file, a lock no copy wrote: taken over, carried",
         jetAnd([](Sandbox &b) { Sandbox::put(b.path(".ADO_ZEM.MDB.lock"), "garbage"); }), {}, {carry}, {carried},
         std::nullopt, false, [](Sandbox &b) { QCOMPARE(b.files(), (QStringList{"ADO_ZEM.MDB", "ADO_ZEM.jet3.MDB"})); }},
        {"old Jet file another copy carried over meanwhile: its file is used",
         jetAnd([](Sandbox &b) { b.dialogs.whenAsked = [&b] { QFile::remove(b.path()); b.makeRecordFile("45", recent); }; }),
         {}, {carry}, {}, std::nullopt, false, [](Sandbox &b) { expectRows(b.path(), "SELECT * FROM ENV", {"45"}); }},
        {"a tool that prints for ever: stopped at what the file can hold",
         standIns("exec yes '\"2026/12/01 9:00:00\",\"x\",\"1\"'\n"), {}, {carry}, {unreadable}, 1, true,
         [](Sandbox &b) { QVERIFY(b.dialogs.told[0].contains("mdb-export: printed more than")); }},
        {"a tool that hangs with a child of its own: both stopped",
         standIns("sleep 600 &\necho $! > child.pid\nexec sleep 600\n"), {}, {carry}, {unreadable}, 1, true,
         [](Sandbox &b) {
             QVERIFY(b.dialogs.told[0].contains("mdb-export: no answer within 2 s"));
             QTRY_VERIFY_WITH_TIMEOUT(!running(Sandbox::bytes(b.path("child.pid"))), 5000); // reaped
         }},
        {"changed by someone else while it was read: not swapped out",
         standIns("touch -d 2001-01-01 ADO_ZEM.MDB\n"
                  "if [ \"$2\" = ENV ]; then printf 'SET_LOG\\n\"90\"\\n'; else printf '日時,科目,得点\\n'; fi\n"),
         {}, {carry}, {"ADO_ZEM.MDBを今の形式に移せないために処理が続行できないので終了します"}, 1, false,
         [](Sandbox &b) { QVERIFY(b.dialogs.told[0].endsWith("(the file was changed while it was read)")); }},
        {"old Jet texts holding a quote or a NUL: carried as they are",
         [](Sandbox &b) {
             standIns("if [ \"$2\" = ENV ]; then cat env.csv; else cat log.csv; fi\n")(b);
             Sandbox::put(b.path("env.csv"), "SET_LOG\n\"30'\"\n");
             Sandbox::put(b.path("log.csv"), QByteArray("日時,科目,得点\n\"2026/12/01 9:00:00\",\"O'Brien\",\"1\"\n"
                                                        "\"2026/12/01 9:00:01\",\"a") + '\0' + "b\",\"2\"\n");
         },
         {}, {carry}, {"ADO_ZEM.MDBの成績2件を今の形式に移しました､"}, std::nullopt, false,
         [](Sandbox &b) {
             QVERIFY(!b.dialogs.told[0].contains("移せなかった"));
             expectRows(b.path(), "SELECT * FROM ENV", {"30'"});
             expectRows(b.path(), "SELECT * FROM LOG",
                        {"2026/12/01 9:00:00|O'Brien|1", "2026/12/01 9:00:01|a" + QString(QChar(0)) + "b|2"});
         }},
        // The window that shows the carry-over is cancelled by キャンセル or by its close box.
        {"cancelled while it reads: left as it is", cancelledBy(false), {}, {carry},
         {"ADO_ZEM.MDBを今の形式に移すのをやめたために処理が続行できないので終了します"}, 1, true},
        {"closed while it reads: cancelled, left as it is", cancelledBy(true), {}, {carry},
         {"ADO_ZEM.MDBを今の形式に移すのをやめたために"}, 1, true},
        {"another program's Jet file: said at once", jet("other-program.mdb"), {}, {},
         {"ADO_ZEM.MDBは成績ファイルではないために処理が続行できないので終了します"}, 1, true},
        {"damaged Jet file", jet("truncated.mdb"), {}, {carry}, {unreadable}, 1, true},
        // mdbtools reads these two with exit status 0, losing rows.
        {"Jet file cut within a page", jet("old-results.mdb", 7 * 2048 + 1), {}, {}, {unreadable}, 1, true},
        {"Jet file without its last page: the tools warn", jet("old-results.mdb", 7 * 2048), {}, {carry}, {unreadable}, 1, true},
        {"old Jet file without mdbtools", jetAnd([](Sandbox &b) { qputenv("PATH", b.path("empty").toLocal8Bit()); }), {}, {},
         {"ADO_ZEM.MDBは以前の形式の成績ファイルですが､読むためのmdbtoolsがない"}, 1, true},
        {"file in another letter case", chartFirst("", [](Sandbox &b) { b.makeRecordFile("90", recent, "ado_zem.mdb"); }),
         {}, {}, {}, std::nullopt, false, [](Sandbox &b) { QCOMPARE(b.files(), QStringList{"ado_zem.mdb"}); }},
        {"tables and columns stored in lower case: found, purged",
         [](Sandbox &b) {
             b.makeRecordFile("90", withOld);
             Sandbox::sql(b.path(), {"CREATE TABLE tmp AS SELECT * FROM LOG", "DROP TABLE LOG", "ALTER TABLE tmp RENAME TO log",
                                     "CREATE TABLE tmp ( set_log TEXT )", "INSERT INTO tmp SELECT * FROM ENV", "DROP TABLE ENV",
                                     "ALTER TABLE tmp RENAME TO env"});
         },
         {}, {}, {}, std::nullopt, false,
         [](Sandbox &b) {
             expectRows(b.path(), "SELECT name FROM sqlite_master WHERE type = 'table'", {"log", "env"});
             expectRows(b.path(), "SELECT 得点 FROM log", {"1"});
         }},
        {"a folder whose name is not UTF-8: the file in it is used",
         [](Sandbox &b) {
             b.makeRecordFile("90", withOld);
             const QByteArray odd = QFile::encodeName(b.path(".")) + "/\xff";
             QVERIFY(::mkdir(odd, 0700) == 0 && ::rename(QFile::encodeName(b.path()), odd + "/ADO_ZEM.MDB") == 0 && ::chdir(odd) == 0);
         },
         {}, {}, {}, std::nullopt, false,
         [](Sandbox &) {
             expectRows("ADO_ZEM.MDB", "SELECT 得点 FROM LOG", {"1"});
             QVERIFY(::unlink("ADO_ZEM.MDB") == 0 && ::chdir("..") == 0 && ::rmdir("\xff") == 0);
         }},
    };
    return all;
}
} // namespace

class TestStartUp : public QObject
{
    Q_OBJECT
private slots:
    void fileStates_data()
    {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < cases().size(); ++i)
            QTest::newRow(cases()[i].name) << static_cast<int>(i);
    }

    void fileStates()
    {
        QFETCH(int, row);
        const FileCase &c = cases()[static_cast<size_t>(row)];
        if (c.needsNonRoot && geteuid() == 0)
            QSKIP("runs only as an ordinary user: root reads and writes whatever the permissions say");
        Sandbox box;
        const QByteArray searchPath = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", searchPath); });
        c.setup(box);
        const QByteArray before = Sandbox::bytes(box.path());
        const bool lockBefore = QFileInfo(box.path(".ADO_ZEM.MDB.lock")).exists();
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
        // Nothing of start-up's own is left: no temporary or journal, no lock
        // but one that was there before, and the old file kept only when
        // carried over.
        const QRegularExpression own(QStringLiteral("^\\.ADO_ZEM\\.MDB\\.|-journal$"));
        for (const QString &name : box.files().filter(own))
            QVERIFY2(name.endsWith(".lock") && lockBefore, qPrintable(name + " was left behind"));
        QCOMPARE(QFileInfo::exists(box.path("ADO_ZEM.jet3.MDB")), c.told.value(0).contains(QStringLiteral("を今の形式に移しました")));
    }

    // A creation and a carry-over killed halfway leave their temporary files
    // and a lock; the next start removes them, and nothing of a copy still
    // running.
    void killedMidwayLeavesNothingAfterTheNextStart()
    {
        Sandbox box;
        jet("old-results.mdb")(box);
        for (const QString what : {"creating", "carrying"}) {
            QProcess helper;
            helper.start(QStringLiteral(SANSU_HELPER_DIR "/other_copy"), {"die", what});
            QVERIFY(helper.waitForFinished(30000) && helper.exitStatus() == QProcess::CrashExit);
        }
        const QString running = QStringLiteral(".ADO_ZEM.MDB.%1.carrying").arg(QCoreApplication::applicationPid());
        Sandbox::put(box.path(running), "a copy at work");
        QCOMPARE(box.files().size(), 7); // the file, two temporaries with their journals, a lock, ours
        box.dialogs.answers = {false};
        MenuWindow menu;
        QCOMPARE(Sandbox::endStatus([&] { menu.showForm(); }), 1);
        QCOMPARE(box.files(), (QStringList{running, "ADO_ZEM.MDB"}));
    }

    void endedBySignal_data()
    {
        QTest::addColumn<QString>("doing");
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("status"); // -1: killed outright
        QTest::newRow("carrying over, SIGTERM: the tools stopped, the old file as it was")
            << "carrying" << SIGTERM << 128 + SIGTERM;
        QTest::newRow("carrying over, SIGINT") << "carrying" << SIGINT << 128 + SIGINT;
        QTest::newRow("carrying over, SIGKILL: the tool dies with the program") << "carrying" << SIGKILL << -1;
        QTest::newRow("a sitting open, SIGHUP: its row written") << "sitting" << SIGHUP << 128 + SIGHUP;
    }

    // The real program, ended by a signal: as its close box would end it.
    void endedBySignal()
    {
        QFETCH(QString, doing);
        QFETCH(int, signal);
        QFETCH(int, status);
        Sandbox box;
        const QByteArray searchPath = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", searchPath); });
        const bool carrying = doing == "carrying";
        if (carrying)
            standIns("sleep 600 &\necho $! > child.pid\necho $$ > tool.pid\nexec sleep 600\n")(box);
        else
            box.makeRecordFile();
        const QByteArray before = Sandbox::bytes(box.path());
        QProcess program;
        program.start(QStringLiteral(SANSU_HELPER_DIR "/other_copy"), {"until-signalled", doing});
        QTRY_VERIFY_WITH_TIMEOUT(carrying ? QFileInfo(box.path("tool.pid")).size() > 0
                                          : program.peek(100).contains("ready"), 30000);
        const QString tool = QString(Sandbox::bytes(box.path("tool.pid"))).trimmed();
        const auto stopTools = qScopeGuard([&] { if (carrying) ::kill(-tool.toInt(), SIGKILL); });
        QVERIFY(::kill(static_cast<pid_t>(program.processId()), signal) == 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1, status);
        if (!carrying)
            return expectRows(box.path(), "SELECT 科目, 得点 FROM LOG", {"たしざん１０|1"});
        QTRY_VERIFY_WITH_TIMEOUT(!running(tool), 5000);
        // Handled, the signal stops the tool's whole group; killed outright,
        // the program leaves its lock for the next start to clear.
        if (status > 0)
            QTRY_VERIFY_WITH_TIMEOUT(!running(Sandbox::bytes(box.path("child.pid"))), 5000);
        const QStringList left{"ADO_ZEM.MDB", "child.pid", "tool.pid"};
        QCOMPARE(box.files(), status > 0 ? left : QStringList{".ADO_ZEM.MDB.lock"} + left);
        QCOMPARE(Sandbox::bytes(box.path()), before);
    }
};

SANSU_TEST_MAIN(TestStartUp)
#include "test_start_up.moc"
