// A class's rules without a server: rosters read in either encoding, a new
// year's roster matched against the pupils known, the CSV written for Excel,
// and the teacher's table against figures worked out by hand.
#include "classroom/class_table.h"
#include "classroom/csv_records.h"
#include "classroom/excel_csv.h"
#include "classroom/roster_match.h"
#include "platform/drill_table.h"
#include "support/class_table_text.h"
#include "support/test_main.h"

#include <numeric>

using Reason = RosterCsv::Reason;
using Problems = QList<std::pair<int, Reason>>;
Q_DECLARE_METATYPE(ExcelCsv::Cell)

namespace {
const QByteArray BOM("\xEF\xBB\xBF");

// A pupil's id from a letter, and back.
QUuid idOf(char letter) { return QUuid(uint(letter), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0); }
QString letters(const QList<QUuid> &ids)
{
    return std::accumulate(ids.cbegin(), ids.cend(), QString(), [](QString s, QUuid id) { return s + QChar(id.data1); });
}
} // namespace

class TestClassroom : public QObject
{
    Q_OBJECT
private slots:
    void rosters_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("rows"); // 出席番号|kana|kanji|児童番号
        QTest::newRow("UTF-8, spaces folded") << QByteArray("1, やまだ  はな , 山田 　花 \n") << QStringList{"1|やまだ　はな|山田　花|"};
        QTest::newRow("BOM, header, half-width kana") << BOM + "ふりがな,出席番号\r\nﾔﾏﾀﾞ ﾊﾅ,９９\r\n" << QStringList{"99|ヤマダ　ハナ||"};
        // はな, then ① 髙 﨑 (IBM and NEC-selected) ㈱ ～ as Windows writes them.
        QTest::newRow("CP932") << QByteArray("1,\x82\xcd\x82\xc8,\x87\x40\xfb\xfc\xfa\xb1\xed\x95\x87\x8a\x81\x60\r\n")
                               << QStringList{"1|はな|①髙﨑﨑㈱～|"};
        QTest::newRow("CP932 half-width kana") << QByteArray("2,\xca\xc5\n") << QStringList{"2|ハナ||"};
        QTest::newRow("quoted") << QByteArray("\"1\",\"はな\",\"山\"\"田,\r\n花\",\"\"\n") << QStringList{"1|はな|山\"田,\n花|"};
        QTest::newRow("blank lines, no last end") << QByteArray("\r\n1,はな\r\n\r\n,,,\r\n2,ゆい") << QStringList{"1|はな||", "2|ゆい||"};
        QTest::newRow("header names and order") << QByteArray("児童番号,性別,ﾌﾘｶﾞﾅ,Ｎｏ．\n００１２,女,はな,3\n")
                                                << QStringList{"3|はな||0012"};
        QTest::newRow("a pupil named かな") << QByteArray("1,かな\n2,よみ\n") << QStringList{"1|かな||", "2|よみ||"};
        QTest::newRow("1000 lines, 20 letters") << QByteArray("1,あいうえおかきくけこ さしすせそたちつて") + QByteArray(1000, '\n')
                                                << QStringList{"1|あいうえおかきくけこ　さしすせそたちつて||"};
    }
    void rosters()
    {
        QFETCH(QByteArray, file);
        const RosterCsv::Result read = RosterCsv::read(file);
        QStringList rows;
        for (const RosterCsv::Row &r : read.rows)
            rows << QStringList{QString::number(r.number), r.kana, r.kanji, r.pupilNumber}.join(u'|');
        QCOMPARE(read.problems.size(), 0);
        QTEST(rows, "rows");
    }

    void badRosters_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Problems>("problems");
        QTest::addColumn<QString>("first"); // what the first problem says, when it names more than its line
        using R = Reason;
        QTest::newRow("each bad line")
            << QByteArray("出席番号,ふりがな,氏名,児童番号\n1,はな,,7\n01,ゆい,,8\n,はな\na1,はな\n100,はな\n2,ー　ー\n3,hana\n"
                          "4,あいうえおかきくけこ さしすせそたちつてと\n5,ゆう,,007\n6\n7,はな,花,9,x\n8,ﾊﾅ,花,10,\n")
            << Problems{{3, R::NumberTwice}, {4, R::NoNumber}, {5, R::NumberNotDigits}, {6, R::NumberOutOfRange},
                        {7, R::NoName}, {8, R::NameNotKana}, {9, R::NameTooLong}, {10, R::PupilNumberTwice},
                        {11, R::TooFewColumns}, {12, R::TooManyColumns}}
            << "3行目：出席番号1は2行目と同じです";
        QTest::newRow("no kana column") << QByteArray("番号,氏名\n1,花\n") << Problems{{1, R::HeaderWithoutName}} << "";
        QTest::newRow("a column twice") << QByteArray("No,ふりがな,よみ\n1,はな,はな\n") << Problems{{1, R::ColumnTwice}}
                                        << "1行目：見出しの「よみ」は同じ列がほかにもあります";
        QTest::newRow("unclosed quote") << QByteArray("1,はな\n2,\"ゆい\n3,けん\n") << Problems{{2, R::UnclosedQuote}} << "";
        QTest::newRow("header alone") << QByteArray("出席番号,ふりがな\r\n\r\n") << Problems{{0, R::NoPupils}} << "";
        QTest::newRow("neither encoding") << QByteArray("1,\x82\xa0\xff\n") << Problems{{0, R::UnknownEncoding}} << "";
        QTest::newRow("1001 lines") << QByteArray("1,はな") + QByteArray(1001, '\n') << Problems{{0, R::TooLarge}} << "";
        QTest::newRow("1001 lines, CR alone") << QByteArray("1,はな") + QByteArray(1001, '\r') << Problems{{0, R::TooLarge}} << "";
        QTest::newRow("over 1 MB") << QByteArray(RosterCsv::maxBytes + 1, 'x') << Problems{{0, R::TooLarge}} << "";
    }
    void badRosters()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, first);
        const RosterCsv::Result read = RosterCsv::read(file);
        Problems problems;
        for (const RosterCsv::Problem &p : read.problems)
            problems << std::pair{p.line, p.reason};
        QTEST(problems, "problems");
        QCOMPARE(read.rows.size(), 0);
        if (!first.isEmpty())
            QCOMPARE(RosterCsv::message(read.problems.front()), first);
    }

    // Last year's class 1-2 becomes 2-1. Known: a あおき けん 101, b いとう はな,
    // c さとう ゆい 103, e and f two たなか そら, all of 1-2; d another
    // さとう ゆい 104 of 1-3; j よしだ ひな 110 of 1-1; in 2-1 already g なかむら
    // りく 107, h はやし めい, and i まえだ れん, 転出.
    void match_data()
    {
        QTest::addColumn<QString>("lastYear");
        QTest::addColumn<QByteArray>("roster");
        QTest::addColumn<QStringList>("plan"); // per row: pupil and rule, "new", or "?" doubt candidates
        QTest::addColumn<QString>("leftOut");
        QTest::newRow("second year") << "1-2" << QByteArray("1,あおき けん,,101\n2,イトウ ハナ\n3,さとう ゆい\n4,たなか そら\n"
                                                            "5,なかむら りく,,107\n6,よしだ ひな,,0110\n7,やまもと たろう,,120\n")
            << QStringList{"a number", "b name", "c name", "? several ef", "g number", "j number", "new"} << "h";
        QTest::newRow("two rows, one pupil") << "1-2" << QByteArray("1,あおき けん,,101\n2,アオキ ケン\n")
                                             << QStringList{"? another a", "? another a"} << "gh";
        QTest::newRow("number of another name") << "1-2" << QByteArray("1,いとう はな,,101\n") << QStringList{"? name a"} << "gh";
        QTest::newRow("name of another number") << "1-2" << QByteArray("1,さとう ゆい,,999\n") << QStringList{"? number c"} << "gh";
        QTest::newRow("no last year's class") << "" << QByteArray("1,いとう はな\n2,はやし めい\n3,まえだ れん\n")
                                              << QStringList{"new", "h name", "i name"} << "g";
    }
    void match()
    {
        QFETCH(QString, lastYear);
        QFETCH(QByteArray, roster);
        auto pupil = [](char letter, const char *kana, const char *number, const char *cls, bool left = false) {
            return RosterMatch::Pupil{idOf(letter), kana, {}, number, cls, 0, left};
        };
        const std::vector<RosterMatch::Pupil> known{pupil('a', "あおき　けん", "101", "1-2"), pupil('b', "いとう　はな", "", "1-2"),
            pupil('c', "さとう　ゆい", "103", "1-2"), pupil('d', "さとう　ゆい", "104", "1-3"), pupil('e', "たなか　そら", "", "1-2"),
            pupil('f', "たなか　そら", "", "1-2"), pupil('g', "なかむら　りく", "107", "2-1"), pupil('h', "はやし　めい", "", "2-1"),
            pupil('i', "まえだ　れん", "", "2-1", true), pupil('j', "よしだ　ひな", "110", "1-1")};
        const RosterCsv::Result read = RosterCsv::read(roster);
        QCOMPARE(read.problems.size(), 0);
        const RosterMatch::Plan plan = RosterMatch::of(known, read.rows, "2-1", lastYear);
        using D = RosterMatch::Doubt;
        const QHash<D, QString> doubts{{D::SeveralPupils, "several"}, {D::FoundByAnother, "another"},
                                       {D::NameDiffers, "name"}, {D::NumberDiffers, "number"}};
        QStringList rows;
        for (const RosterMatch::RowPlan &row : plan.rows) {
            if (row.outcome == RosterMatch::Outcome::New)
                rows << "new";
            else if (row.outcome == RosterMatch::Outcome::Ambiguous)
                rows << "? " + doubts.value(row.doubt) + ' ' + letters(row.candidates);
            else
                rows << letters({row.pupil}) + (row.rule == RosterMatch::Rule::ByName ? " name" : " number");
        }
        QTEST(rows, "plan");
        QTEST(letters(plan.leftOut), "leftOut");
        QCOMPARE(plan.needsAnswers(), rows.join(' ').contains('?'));
    }

    void excelFields_data()
    {
        QTest::addColumn<ExcelCsv::Cell>("cell");
        QTest::addColumn<QString>("field");
        using C = ExcelCsv::Cell;
        QTest::newRow("text") << C(QString("はな")) << "はな";
        for (const QString formula : {"=1+2", "+81", "-1", "@SUM(A1)", "\tx", "＝１"})
            QTest::newRow(qPrintable("formula " + formula)) << C(formula) << "'" + formula;
        QTest::newRow("comma") << C(QString("a,b")) << "\"a,b\"";
        QTest::newRow("quote") << C(QString("a\"b")) << "\"a\"\"b\"";
        QTest::newRow("line end") << C(QString("a\nb")) << "\"a\nb\"";
        QTest::newRow("formula with comma") << C(QString("=a,b")) << "\"'=a,b\"";
        QTest::newRow("integer") << C(qint64(-3)) << "-3";
        QTest::newRow("date") << C(QDate(2026, 12, 8)) << "2026/12/08";
        QTest::newRow("date and time") << C(QDateTime(QDate(2026, 12, 8), QTime(9, 5, 30))) << "2026/12/08 9:05";
        QTest::newRow("empty") << C() << "";
    }
    void excelFields()
    {
        QFETCH(ExcelCsv::Cell, cell);
        QTEST(ExcelCsv::field(cell), "field");
    }

    void drillsAreTheMenus()
    {
        QStringList captions;
        for (const DrillTable::Entry &drill : DrillTable::all())
            captions << drill.name();
        QCOMPARE(ClassTable::drills(), captions);
    }

    // A class of five: k 1 あおき けん, h 2 いとう はな, y 3 さとう ゆい,
    // s 4 たなか そら (never practised), r 1 まえだ れん (転出). Today is a
    // Tuesday, a Wednesday or the next Monday.
    void classTable_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QStringList>("table");
        const QString fell = "! たしざん１０の点が3回続けて下がっています", never = "4 たなか　そら, ! まだ一度も練習していません";
        QTest::newRow("Tuesday") << QDate(2026, 12, 8) << QStringList{"1 あおき　けん, たしざん１０ 4/6/2/12-07",
            "2 いとう　はな, たしざん１０ 7/9/1/12-07, とけい 10/10/0/11-25", "3 さとう　ゆい, ひきざん２０ 8/9/0/12-02", never,
            "1 まえだ　れん, 転出"};
        QTest::newRow("Wednesday") << QDate(2026, 12, 9) << QStringList{"1 あおき　けん, たしざん１０ 4/6/2/12-07",
            "2 いとう　はな, today, たしざん１０ 5/9/2/12-09 falling, とけい 10/10/0/11-25, " + fell,
            "3 さとう　ゆい, ひきざん２０ 8/9/0/12-02, ! 7日練習していません", never, "1 まえだ　れん, 転出"};
        QTest::newRow("next Monday") << QDate(2026, 12, 14) << QStringList{"1 あおき　けん, たしざん１０ 4/6/0/12-07, ひいて１０ 8/8/0/12-10",
            "2 いとう　はな, たしざん１０ 5/9/0/12-09 falling, とけい 10/10/0/11-25, " + fell,
            "3 さとう　ゆい, ひきざん２０ 8/9/0/12-02, ! 12日練習していません", never, "1 まえだ　れん, 転出"};
    }
    void classTable()
    {
        QFETCH(QDate, today);
        const std::vector<ClassTable::Pupil> pupils{{idOf('h'), 2, "いとう　はな"}, {idOf('r'), 1, "まえだ　れん", true},
            {idOf('s'), 4, "たなか　そら"}, {idOf('y'), 3, "さとう　ゆい"}, {idOf('k'), 1, "あおき　けん"}};
        auto at = [](char who, const char *drill, int score, int day, int hour, int month = 12) {
            return ClassTable::Sitting{idOf(who), drill, score, QDate(2026, month, day), QTime(hour, 0)};
        };
        const std::vector<ClassTable::Sitting> sittings{at('h', "たしざん１０", 9, 1, 9), at('h', "たしざん１０", 7, 7, 9),
            at('h', "たしざん１０", 5, 9, 9), at('h', "とけい", 10, 25, 10, 11), at('k', "たしざん１０", 5, 3, 9),
            at('k', "たしざん１０", 4, 7, 10), at('k', "たしざん１０", 6, 7, 9), at('k', "ひいて１０", 8, 10, 9),
            at('k', "かけざん", 3, 8, 9), at('y', "ひきざん２０", 9, 27, 9, 11), at('y', "ひきざん２０", 8, 30, 9, 11),
            at('y', "ひきざん２０", 8, 2, 9), at('z', "たしざん１０", 1, 9, 9)};
        const std::vector<ClassTable::Line> lines = ClassTable::of(pupils, sittings, today);
        QTEST(classTableText(lines), "table");

        // The same table as Excel reads it back: the BOM, CRLF, a header and
        // a row per pupil of one width, numbers and dates bare.
        const QByteArray csv = ClassTable::excelCsv(lines);
        QVERIFY(csv.startsWith(BOM));
        QCOMPARE(csv.count("\r\n"), 6);
        const CsvRecords read = CsvRecords::of(RosterCsv::decode(csv)->text);
        QCOMPARE(read.records.size(), 6);
        for (const CsvRecords::Record &record : read.records)
            QCOMPARE(record.fields.size(), 6 + 4 * ClassTable::drillCount);
        const QStringList hana = read.records[2].fields;
        QCOMPARE(hana.mid(0, 2), QStringList({"2", "いとう　はな"}));
        QCOMPARE(hana[7], "9"); // たしざん１０'s best
        QVERIFY(QRegularExpression("^2026/1[12]/[0-9]{2}$").match(hana[9]).hasMatch());
    }
};

SANSU_TEST_MAIN(TestClassroom)
#include "test_classroom.moc"
