// The teacher's view against a real school server (the fixture's, under
// pg_virtualenv): what each login may do with the rosters and settings, a
// roster imported over two years, the class's figures from rows sent by two
// PCs (one with its clock hours off) and a linked pupil, the CSV read back
// as Excel reads it, the login, and the window filled from the server.
#include "classroom/csv_records.h"
#include "platform/system_clock.h"
#include "scores/score_chart_window.h"
#include "support/class_table_text.h"
#include "support/school_server.h"
#include "support/test_main.h"
#include "teacher/class_window.h"
#include "teacher/roster_import.h"

#include <QLabel>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTableWidget>

namespace {
using Opened = ClassServer::Opened;
const QDate wednesday(2026, 12, 9);
QString uuid(int n) { return QStringLiteral("00000000-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0')); }
} // namespace

class TestTeacher : public QObject
{
    Q_OBJECT
    std::unique_ptr<SchoolServer> server_;
    QSqlDatabase db_;

    void sql(const QString &statements, const QString &login = QString())
    {
        const SchoolServer::Ran ran = server_->psql(statements, login);
        QVERIFY2(ran.ok, qPrintable(ran.err));
    }

    // Class 1-1: a 1 あおき けん and b 2 いとう はな on the roster, p けん made
    // by a PC; sittings in school time sent by pc1 and by pc2, whose clock is
    // ten hours fast; the sitting 8 sent again by pc1. p linked to a when asked.
    void sittings(bool linked)
    {
        sql(QString("INSERT INTO sansu.pupils (pupil_id, class_id, name_kana, name_kanji) VALUES ('%1', '1-1', 'あおき　けん', "
                    "'青木　健'), ('%2', '1-1', 'いとう　はな', NULL), ('%3', '1-1', 'けん', NULL);"
                    "INSERT INTO sansu.roster VALUES ('1-1', '%1', 1), ('1-1', '%2', 2)").arg(uuid(1), uuid(2), uuid(3)));
        const QStringList rows{"1 a たしざん１０ 9 11-20 09:00 pc1", "2 a たしざん１０ 5 12-07 09:00 pc1",
                               "3 a たしざん１０ 4 12-08 09:00 pc1", "4 a たしざん１０ 3 12-08 10:00 pc1",
                               "5 a たしざん１０ 2 12-09 09:00 pc1", "6 a とけい 7 12-09 10:00 pc2",
                               "7 p ひきざん１０ 6 12-09 11:00 pc1", "8 b たしざん１０ 8 12-08 22:00 pc2",
                               "8 b たしざん１０ 8 12-09 08:00 pc1"};
        for (const QString &row : rows) {
            const QStringList f = row.split(' ');
            const int fastH = f[6] == "pc2" ? 10 : 0;
            sql(QString("INSERT INTO sansu.results (result_id, pupil_id, class_id, drill, score, log_date, made_at, "
                        "made_utc_offset_min, pc_id, pc_name, pc_seq, pc_clock_at_send) VALUES ('%1', '%2', '1-1', '%3', "
                        "'%4', 'x', timestamptz '2026-%5 %6+09' + interval '%7 hours', 540, '%8', '%9', 1, "
                        "now() + interval '%7 hours') ON CONFLICT DO NOTHING")
                    .arg(uuid(100 + f[0].toInt()), uuid(f[1] == "a" ? 1 : f[1] == "b" ? 2 : 3), f[2], f[3], f[4], f[5])
                    .arg(fastH)
                    .arg(uuid(f[6] == "pc1" ? 901 : 902), f[6]),
                f[6]);
        }
        if (linked)
            QCOMPARE(ClassRecords::link(db_, {{QUuid(uuid(3)), QUuid(uuid(1))}}), QString());
    }

private slots:
    void initTestCase()
    {
        const auto admin = SchoolServer::started();
        QVERIFY2(admin, "no PostgreSQL server: run the tests under pg_virtualenv (scripts/test.sh does)");
        server_ = std::make_unique<SchoolServer>(*admin);
        QVERIFY2(server_->problem().isEmpty(), qPrintable(server_->problem()));
        sql(QString("INSERT INTO sansu.classes VALUES ('2-1', '2年1組'); INSERT INTO sansu.class_teachers VALUES ('%1', '2-1')")
                .arg(server_->role("teacher")));
        db_ = QSqlDatabase::addDatabase("QPSQL", "teacher");
        db_.setConnectOptions("service=" + server_->service("teacher"));
        QVERIFY2(db_.open(), qPrintable(db_.lastError().text()));
        SystemClock::setFixedNow(QDateTime(wednesday, QTime(12, 0)));
    }
    void init()
    {
        sql("TRUNCATE sansu.results, sansu.pupil_links, sansu.roster, sansu.class_settings, sansu.pupil_settings, "
            "sansu.pupils; UPDATE sansu.schema_version SET minor = 1");
    }
    void cleanupTestCase()
    {
        db_.close();
        server_.reset();
    }

    // x is on 1-1's roster, y on 1-2's; 1-1 keeps 30 days and missed
    // questions, x 60 days of its own.
    void rights_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected"); // the rows, or the SQLSTATE of the refusal
        const QString x = uuid(1), y = uuid(2), roster = "SELECT class_id, name_kana, kept_days, retry_missed FROM sansu.pc_roster()";
        QTest::newRow("PC reads the roster") << "pc1" << "SELECT count(*) FROM sansu.roster" << "42501";
        QTest::newRow("PC reads links") << "pc1" << "SELECT count(*) FROM sansu.pupil_links" << "42501";
        QTest::newRow("PC reads settings") << "pc1" << "SELECT count(*) FROM sansu.class_settings" << "42501";
        QTest::newRow("PC names pupils") << "pc1" << "SELECT count(*) FROM sansu.roster_candidates('1-1', '1-2', '{}')" << "42501";
        QTest::newRow("PC's roster, the pupil's days") << "pc1" << roster << "1-1|あ|60|t";
        QTest::newRow("another class's PC") << "pc3" << roster << "1-2|い||";
        QTest::newRow("teacher reads rosters") << "teacher" << "SELECT class_id FROM sansu.roster" << "1-1";
        QTest::newRow("teacher sets their settings") << "teacher" << "UPDATE sansu.class_settings SET kept_days = 5 RETURNING class_id" << "1-1";
        QTest::newRow("teacher sets another roster") << "teacher" << QString("INSERT INTO sansu.roster VALUES ('1-2', '%1', 2)").arg(x) << "42501";
        QTest::newRow("teacher sets another class") << "teacher" << "INSERT INTO sansu.class_settings VALUES ('1-2', 5, true)" << "42501";
        QTest::newRow("teacher sets another's pupil") << "teacher" << QString("INSERT INTO sansu.pupil_settings VALUES ('%1', 5)").arg(y) << "42501";
        QTest::newRow("teacher renames another's pupil") << "teacher" << QString("UPDATE sansu.pupils SET name_kana = 'う' WHERE pupil_id = '%1' RETURNING 1").arg(y) << "";
        QTest::newRow("teacher links another's pupil") << "teacher" << QString("INSERT INTO sansu.pupil_links (from_pupil, to_pupil) VALUES ('%1', '%2')").arg(y, x) << "42501";
        QTest::newRow("teacher names another class") << "teacher" << "SELECT count(*) FROM sansu.roster_candidates('1-2', '1-1', '{}')" << "0";
        QTest::newRow("teacher reads a PC's roster") << "teacher" << roster << "42501";
    }
    void rights()
    {
        QFETCH(QString, login);
        QFETCH(QString, sql);
        this->sql(QString("INSERT INTO sansu.pupils (pupil_id, class_id, name_kana) VALUES ('%1', '1-1', 'あ'), ('%2', '1-2', 'い');"
                    "INSERT INTO sansu.roster VALUES ('1-1', '%1', 1), ('1-2', '%2', 1);"
                    "INSERT INTO sansu.class_settings VALUES ('1-1', 30, true); INSERT INTO sansu.pupil_settings VALUES ('%1', 60)")
                .arg(uuid(1), uuid(2)));
        const SchoolServer::Ran ran = server_->psql(sql, login);
        QTEST(ran.ok ? ran.out : ran.err.section(':', 1, 1).trimmed(), "expected");
    }

    // Year one's roster of 1-1; year two's of 2-1 after 1-1 (by 児童番号, by
    // name, one of two alike chosen, a new pupil); 2-1 again that year
    // without two pupils, who are marked 転出. Letters name pupils by when
    // they came: a to e in year one, f in year two.
    void rosterOverTwoYears()
    {
        struct Step
        {
            const char *cls, *lastYear;
            QByteArray csv;
            QStringList plan;
            QList<std::pair<int, char>> answers; // row, pupil
            QString roster;
        };
        const Step steps[] = {
            {"1-1", "", "1,あおき けん,青木 健,101\n2,いとう はな,,102\n3,さとう ゆい\n4,さとう ゆい\n5,たなか そら\n",
             {"new", "new", "new", "new", "new"}, {}, "1 a あおき　けん 青木　健|2 b いとう　はな|3 c さとう　ゆい|4 d さとう　ゆい|5 e たなか　そら"},
            {"2-1", "1-1", "1,アオキ ケン,,0101\n2,いとう はな\n3,さとう ゆい\n4,やまだ たろう\n5,たなか そら\n",
             {"a", "b", "? cd", "new", "e"}, {{2, 'c'}},
             "1 a アオキ　ケン 青木　健|2 b いとう　はな|3 c さとう　ゆい|4 f やまだ　たろう|5 e たなか　そら"},
            {"2-1", "1-1", "1,アオキ ケン,,101\n2,さとう ゆい\n3,やまだ たろう\n", {"a", "? dc", "f"}, {{1, 'c'}},
             "1 a アオキ　ケン 青木　健|2 c さとう　ゆい|3 f やまだ　たろう|転出 2 b いとう　はな|転出 5 e たなか　そら"},
        };
        QList<QUuid> ids; // by letter
        const auto letter = [&ids](const QUuid &id) { return QString(QChar(char16_t(u'a' + ids.indexOf(id)))); };
        for (const Step &step : steps) {
            RosterImport import(step.cls, RosterCsv::read(step.csv).rows);
            QString failure;
            import.plan(ClassRecords::candidates(db_, step.cls, step.lastYear, import.pupilNumbers(), &failure), step.lastYear);
            QCOMPARE(failure, QString());
            QStringList plan;
            for (const RosterMatch::RowPlan &row : import.plan().rows) {
                QString who;
                for (const QUuid &id : row.candidates)
                    who += letter(id);
                plan << (row.outcome == RosterMatch::Outcome::New ? "new" : row.outcome == RosterMatch::Outcome::Ambiguous ? "? " + who : who);
            }
            QCOMPARE(plan, step.plan);
            QCOMPARE(import.problem().isEmpty(), step.answers.isEmpty());
            for (const auto &[row, pupil] : step.answers)
                import.answer(row, ids[pupil - 'a']);
            QCOMPARE(import.write(db_), QString());
            const ClassRecords::Snapshot read = ClassRecords::read(db_, step.cls, wednesday);
            QStringList roster;
            for (const ClassTable::Line &line : read.lines()) {
                const ClassRecords::Pupil *p = read.pupil(line.pupil.id);
                if (!ids.contains(p->id))
                    ids << p->id;
                roster << ((p->left ? "転出 " : "") + QString("%1 %2 %3 %4").arg(p->number).arg(letter(p->id), p->kana, p->kanji)).trimmed();
            }
            QCOMPARE(roster.join('|'), step.roster);
        }
    }

    // The class's figures from the server's rows against figures worked out
    // by hand: b's sitting of 22:00 on Tuesday, which pc2's fast clock made
    // Wednesday 8:00, is Tuesday's; the sitting pc1 sent again counts once;
    // a's best lies outside the last three; p's row counts for a once linked.
    void figures_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<bool>("linked");
        QTest::addColumn<QStringList>("table");
        QTest::addColumn<int>("aRows"); // a's rows for the chart
        const QString fell = "! たしざん１０の点が3回続けて下がっています";
        QTest::newRow("Wednesday") << wednesday << true << QStringList{
            "1 あおき　けん, today, たしざん１０ 2/9/4/12-09 falling, ひきざん１０ 6/6/1/12-09, とけい 7/7/1/12-09, " + fell,
            "2 いとう　はな, たしざん１０ 8/8/1/12-08"} << 7;
        QTest::newRow("Tuesday") << wednesday.addDays(-1) << true << QStringList{
            "1 あおき　けん, today, たしざん１０ 3/9/3/12-08 falling, " + fell, "2 いとう　はな, today, たしざん１０ 8/8/1/12-08"} << 7;
        QTest::newRow("not linked") << wednesday << false << QStringList{
            "1 あおき　けん, today, たしざん１０ 2/9/4/12-09 falling, とけい 7/7/1/12-09, " + fell,
            "2 いとう　はな, たしざん１０ 8/8/1/12-08", "0 けん, today, ひきざん１０ 6/6/1/12-09"} << 6;
    }
    void figures()
    {
        QFETCH(QDate, today);
        QFETCH(bool, linked);
        sittings(linked);
        const ClassRecords::Snapshot read = ClassRecords::read(db_, "1-1", today);
        QCOMPARE(read.failure, QString());
        QTEST(classTableText(read.lines()), "table");
        const ClassRecords::Rows aRows = ClassRecords::rows(db_, "1-1", QUuid(uuid(1)));
        QTEST(int(aRows.rows.size()), "aRows");
        QCOMPARE(read.pcs.size(), 2);
        QCOMPARE(read.pcs[1].clockErrorS, 36000);

        // Every row as Excel reads it back: the BOM, a header and eight
        // columns a row, a's rows first, numbers bare, b's sitting at 22:00.
        const QByteArray csv = ClassRecords::rowsCsv(read.lines(), read, ClassRecords::rows(db_, "1-1").rows);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF出席番号,"));
        QVERIFY(csv.contains("\r\n1,あおき　けん,青木　健,たしざん１０,9,2026/11/20 9:00,pc1,"));
        const CsvRecords records = CsvRecords::of(RosterCsv::decode(csv)->text);
        QCOMPARE(records.records.size(), 9);
        for (const CsvRecords::Record &record : records.records)
            QCOMPARE(record.fields.size(), 8);
        const auto hana = std::find_if(records.records.cbegin(), records.records.cend(),
                                       [](const CsvRecords::Record &r) { return r.fields.value(1) == "いとう　はな"; });
        QVERIFY(hana != records.records.cend());
        QCOMPARE(hana->fields.mid(0, 6), QStringList({"2", "いとう　はな", "", "たしざん１０", "8", "2026/12/08 22:00"}));
    }

    // Only a login the server takes that teaches a class is let in; a
    // server whose schema has no rosters yet is named.
    void login_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password"); // empty: the login's own
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<int>("opened");
        QTest::newRow("the teacher") << "teacher" << "" << "" << int(Opened::Ready);
        QTest::newRow("a wrong password") << "teacher" << "wrong" << "" << int(Opened::LoginRefused);
        QTest::newRow("a PC's login") << "pc1" << "" << "" << int(Opened::NotATeacher);
        QTest::newRow("schema 1.0") << "teacher" << "" << "UPDATE sansu.schema_version SET minor = 0" << int(Opened::SchemaOlder);
    }
    void login()
    {
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(QString, setUp);
        if (!setUp.isEmpty())
            sql(setUp);
        ClassServer server;
        std::optional<ClassServer::Opening> opening;
        server.open({server_->service("pc1"), server_->role(login)}, password.isEmpty() ? server_->password(login) : password,
                    [&opening](const ClassServer::Opening &o) { opening = o; });
        QTRY_VERIFY_WITH_TIMEOUT(opening.has_value(), 20000);
        QTEST(int(opening->opened), "opened");
        QCOMPARE(opening->classes.size(), opening->opened == Opened::Ready ? 2 : 0);
    }

    // The window filled from the server: the marks, a drill's cell, the PCs,
    // and a pupil's chart from the server's rows.
    void window()
    {
        sittings(true);
        auto server = std::make_unique<ClassServer>();
        std::optional<ClassServer::Opening> opening;
        server->open({server_->service("teacher"), server_->role("teacher")}, server_->password("teacher"),
                     [&opening](const ClassServer::Opening &o) { opening = o; });
        QTRY_VERIFY_WITH_TIMEOUT(opening.has_value(), 20000);
        ClassWindow window(std::move(server), opening->classes, opening->allClasses, "1-1");
        window.showForm();
        QTRY_VERIFY_WITH_TIMEOUT(!window.busy() && window.Grid1->rowCount() == 2, 20000);
        QCOMPARE(window.Grid1->item(0, 2)->text(), "○");
        QCOMPARE(window.Grid1->item(0, 3)->toolTip(), "たしざん１０の点が3回続けて下がっています");
        QCOMPARE(window.Grid1->item(0, 4)->text(), "2／9\n4回 12/9");
        QCOMPARE(window.Grid2->item(1, 2)->text(), "10時間0分進んでいます");
        window.showChart(0);
        QTRY_VERIFY_WITH_TIMEOUT(window.chart() && window.chart()->isVisible(), 20000);
        QCOMPARE(window.chart()->windowTitle(), "成績のグラフ（あおき　けん）");
        // The drill practised last, p's, linked.
        QVERIFY(window.chart()->options[3]->isChecked());
        QVERIFY2(window.chart()->summary->text().endsWith("に1回"), qPrintable(window.chart()->summary->text()));
        window.close();
        QVERIFY(!window.chart());
    }
};

SANSU_TEST_MAIN(TestTeacher)
#include "test_teacher.moc"
