// The program's pure rules, as tables: how each drill kind poses a
// question, how a clock question is drawn, the texts made of times, dates,
// numbers and the retention period typed, and what the progress chart makes
// of a drill's rows.
#include "clock/clock_face.h"
#include "clock/clock_question.h"
#include "drill/drill_kind.h"
#include "platform/app_info.h"
#include "platform/clock_words.h"
#include "platform/fonts.h"
#include "platform/twips.h"
#include "platform/random_draw.h"
#include "scores/score_chart_data.h"
#include "store/date_text.h"
#include "store/leading_number.h"
#include "store/retention.h"
#include "support/sandbox.h"
#include "support/test_main.h"

#include <QRegularExpression>

using Equation = DrillKind::Equation;
Q_DECLARE_METATYPE(Equation)
Q_DECLARE_METATYPE(std::vector<int>)

class TestRules : public QObject
{
    Q_OBJECT
private slots:
    // A draw of n gives n mod k: values at or over k show the modulus each draw uses.
    void drillKindPoses_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<std::vector<int>>("draws");
        QTest::addColumn<Equation>("posed");
        QTest::addColumn<int>("taken");
        const QString q = QStringLiteral("？");
        const QString ten = QStringLiteral("10");
        QTest::newRow("たしざん10 3 + 4") << 1 << std::vector{3, 4} << Equation{"3", "4", q} << 2;
        QTest::newRow("たしざん10 b below 11 - a") << 1 << std::vector{7, 4} << Equation{"7", "0", q} << 2;
        QTest::newRow("たしざん10 10 + 0 without a draw") << 1 << std::vector{21} << Equation{ten, "0", q} << 1;
        QTest::newRow("たしざん20 20 + 0 without a draw") << 2 << std::vector{20} << Equation{"20", "0", q} << 1;
        QTest::newRow("たしざん20 19 + b below 2") << 2 << std::vector{19, 3} << Equation{"19", "1", q} << 2;
        QTest::newRow("ひきざん10 0 - 0 without a draw") << 3 << std::vector{0} << Equation{"0", "0", q} << 1;
        QTest::newRow("ひきざん10 1 - b by draw 2") << 3 << std::vector{1, 3} << Equation{"1", "1", q} << 2;
        QTest::newRow("ひきざん10 5 - b below 5") << 3 << std::vector{5, 5} << Equation{"5", "0", q} << 2;
        QTest::newRow("ひきざん20 20 - 19") << 5 << std::vector{20, 19} << Equation{"20", "19", q} << 2;
        QTest::newRow("ひきざん20 first by draw 21") << 5 << std::vector{23, 1} << Equation{"2", "1", q} << 2;
        QTest::newRow("たして10 given left") << 0 << std::vector{0, 3} << Equation{"3", q, ten} << 2;
        QTest::newRow("たして10 given right") << 0 << std::vector{3, 9} << Equation{q, "9", ten} << 2;
        QTest::newRow("たして10 given below 10") << 0 << std::vector{0, 10} << Equation{"0", q, ten} << 2;
        QTest::newRow("ひいて10 10 - b") << 4 << std::vector{4} << Equation{ten, "4", q} << 1;
        QTest::newRow("ひいて10 b by draw 11") << 4 << std::vector{11} << Equation{ten, "0", q} << 1;
    }

    void drillKindPoses()
    {
        QFETCH(int, kind);
        QFETCH(std::vector<int>, draws);
        QFETCH(Equation, posed);
        QFETCH(int, taken);
        Sandbox box;
        for (int n : draws)
            box.random.draws({n});
        const DrillKind k(*DrillTable::atMenuIndex(kind));
        const Equation shown = k.pose(k.initialEquation());
        QCOMPARE(shown.first, posed.first);
        QCOMPARE(shown.second, posed.second);
        QCOMPARE(shown.result, posed.result);
        QCOMPARE(box.random.taken(), taken);
    }

    void clockQuestion()
    {
        Sandbox box;
        // Hour 0 is 12, minutes fall to a multiple of five, the right label is
        // drawn modulo 4; the third wrong pair equals the asked time and is drawn again.
        box.random.draws({0, 59, 7, 13, 4, 1, 0, 12, 57, 11, 55, 5, 30, 6, 31, 7, 32, 8, 33});
        int redraws = 0;
        const ClockQuestion q = ClockQuestion::draw([&] { ++redraws; });
        QCOMPARE(q.hour, 12);
        QCOMPARE(q.minute, 55);
        QCOMPARE(q.answerIndex, 3);
        const QStringList expected{"1じ0ふん", "1じ0ふん", "11じ55ふん", "12じ55ふん",
                                   "5じ30ぷん", "6じ30ぷん", "7じ30ぷん", "8じ30ぷん"};
        QCOMPARE(QStringList(q.labels.begin(), q.labels.end()), expected);
        QCOMPARE(redraws, 1);
        QCOMPARE(box.random.taken(), 19);
    }

    // Each of the twelve hour labels stands where the face puts it, drawn as
    // the clock window draws it at 9:15, its hands clear of them.
    void clockFaceHasEveryHour()
    {
        QImage face(435, 536, QImage::Format_RGB32);
        const double points = 14.25;
        ClockFace::draw(face, 9, 15, 6525, Twips::font(Fonts::gothic, points), points, false);
        const ClockFace::Geometry g = ClockFace::geometry(ClockFace::widthTwips(face), points, 6525);
        for (int i = 1; i <= 12; ++i) {
            const QPointF at = ClockFace::pointAt(g.hourLabelAnchor.x(), g.hourLabelAnchor.y(), g.hourLabelRadius,
                                                  ClockFace::labelAngle(i));
            int ink = 0; // dark pixels where the label's first letters stand
            for (int x = 0; x < 20; ++x) {
                for (int y = 0; y < 12; ++y)
                    ink += qGray(face.pixel(int(ClockFace::px(at.x())) + x, int(ClockFace::px(at.y())) + y)) < 100;
            }
            QVERIFY2(ink > 0, qPrintable(ClockFace::hourLabel(i)));
        }
    }

    // The rules that make a text of a text, a number or a moment, in one
    // table: "clock" a time's answer label and the face's minute ring at that
    // minute ("H:M"), as first-grade books write times (ぷん after a whole
    // ten, ふん after 0 and the fives, the ring in two digits); "date" the date
    // text of a moment; "leading" the number a text begins with; "kept days"
    // the retention period typed, as stored ("refused"); "cut-off" the purge's
    // cut-off for the days kept, read as that number, now 2001/04/27 9:05:03
    // ("": none);
    // "version" the caption of title T for major, minor and revision.
    void texts_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("made");
        const auto row = [](const char *name, const QString &rule, const QString &given, const QString &made) {
            QTest::addRow("%s: %s", qPrintable(rule), name) << rule << given << made;
        };
        row("full hour", "clock", "7:0", "7じ0ふん 00ふん");
        row("five", "clock", "3:5", "3じ5ふん 05ふん");
        row("ten", "clock", "3:10", "3じ10ぷん 10ぷん");
        row("fifteen", "clock", "3:15", "3じ15ふん 15ふん");
        row("thirty", "clock", "12:30", "12じ30ぷん 30ぷん");
        row("fifty", "clock", "9:50", "9じ50ぷん 50ぷん");
        row("fifty-five", "clock", "4:55", "4じ55ふん 55ふん");
        row("morning", "date", "2001-04-27 09:05:03", "2001/04/27 9:05:03");
        row("afternoon", "date", "2001-04-27 23:59:59", "2001/04/27 23:59:59");
        row("midnight: the date alone", "date", "2001-04-27 00:00:00", "2001/04/27");
        row("just after midnight", "date", "2001-04-27 00:00:01", "2001/04/27 0:00:01");
        row("other century", "date", "2100-12-01 10:00:00", "2100/12/01 10:00:00");
        row("plain", "leading", "90", "90");
        row("blanks", "leading", " 45 ", "45");
        row("fraction", "leading", "1.5", "1.5");
        row("negative", "leading", "-5", "-5");
        row("exponent", "leading", "1e3", "1000");
        row("digits after a blank", "leading", "2 5", "2");
        row("not a number", "leading", "abc", "0");
        row("too large", "leading", "1e999", "inf");
        row("plain", "kept days", "30", "30");
        row("blanks around", "kept days", " 45 ", "45");
        row("ideographic blanks", "kept days", "\u3000３０\u3000", "30");
        row("full-width with a leading zero", "kept days", "０３", "03");
        row("huge stays as typed", "kept days", "123456789012345678901234567890", "123456789012345678901234567890");
        row("fraction", "kept days", "1.5", "refused");
        row("zero", "kept days", "0", "refused");
        row("negative", "kept days", "-5", "refused");
        row("letters", "kept days", "abc", "refused");
        row("quote", "kept days", "3'0", "refused");
        row("90 days, time kept", "cut-off", "90", "2001/01/27 9:05:03");
        row("a day and a half", "cut-off", "1.5", "2001/04/25 21:05:03");
        row("below one day", "cut-off", "0.5", "");
        row("not a number counts 0", "cut-off", "0", "");
        row("a cut-off in year 101 still holds", "cut-off", "694000", "0101/03/19 9:05:03");
        row("before year 100", "cut-off", "800000", "");
        row("infinite", "cut-off", "1e999", "");
        row("two digits each", "version", "2001 4 7", "T V20010407");
        row("the last two digits", "version", "2001 4 127", "T V20010427");
    }

    void texts()
    {
        QFETCH(QString, rule);
        QFETCH(QString, given);
        const QStringList n = given.split(QRegularExpression("[: ]"));
        const auto cut = Retention::cutOff(Sandbox::now(), LeadingNumber::of(given));
        QTEST(rule == "clock"       ? ClockWords::time(n[0].toInt(), n[1].toInt()) + " "
                                          + ClockFace::minuteLabel(n[1].toInt() == 0 ? 12 : n[1].toInt() / 5)
              : rule == "date"      ? DateText::of(QDateTime::fromString(given, "yyyy-MM-dd HH:mm:ss"))
              : rule == "leading"   ? QString::number(LeadingNumber::of(given))
              : rule == "kept days" ? Retention::normalisedInput(given).value_or("refused")
              : rule == "version"   ? AppInfo::versionCaption("T", n[0].toInt(), n[1].toInt(), n[2].toInt())
              : cut                 ? DateText::of(*cut) : QString(),
              "made");
    }

    void chartData_data()
    {
        QTest::addColumn<QStringList>("rows"); // "date text|score", as read
        QTest::addColumn<double>("period");
        QTest::addColumn<QString>("days");      // the first day shown, and how many
        QTest::addColumn<QString>("points");    // "date text=score" in the chart's order
        QTest::addColumn<QString>("practised"); // "day=best/sittings" a day practised
        QTest::addColumn<QString>("bars");      // at most two bars: "days a bar: sittings a bar"
        QTest::addColumn<int>("leftOut");
        QTest::newRow("by time within a day, padded hour, a day without sittings")
            << QStringList{"2001/04/25 15:20:41|12", "2001/04/25 9:05:03|7", "2001/04/27|5", "2001/04/25 09:30:00|8"}
            << 90.0 << "2001/04/25 3" << "2001/04/25 9:05:03=7 2001/04/25 09:30:00=8 2001/04/25 15:20:41=12 2001/04/27=5"
            << "2001/04/25=12/3 2001/04/27=5/1" << "2: 3 1" << 0;
        QTest::newRow("a single sitting") << QStringList{"2001/04/27 9:05:03|3"} << 90.0 << "2001/04/27 1"
                                          << "2001/04/27 9:05:03=3" << "2001/04/27=3/1" << "1: 1" << 0;
        QTest::newRow("no rows: today alone") << QStringList() << 90.0 << "2001/04/27 1" << "" << "" << "1: 0" << 0;
        QTest::newRow("not dates, not calendar dates or times, not scores")
            << QStringList{"きのう|5", "2001/02/30|5", "2001/04/27 24:00:00|5", "2001/04/27 9:5:03|5",
                           "2001/04/27 9:05:03|七", "2001/04/27|-1", "|", "2001/04/26 10:00:00|4"}
            << 90.0 << "2001/04/26 2" << "2001/04/26 10:00:00=4" << "2001/04/26=4/1" << "1: 1 0" << 7;
        QTest::newRow("the period cuts older rows")
            << QStringList{"2001/04/25 23:59:59|9", "2001/04/26 8:00:00|6", "2001/04/27 7:00:00|2"} << 2.0
            << "2001/04/26 2" << "2001/04/26 8:00:00=6 2001/04/27 7:00:00=2" << "2001/04/26=6/1 2001/04/27=2/1"
            << "1: 1 1" << 0;
        QTest::newRow("rows after today are left out: the days shown end today")
            << QStringList{"9999/12/31 10:00:00|5", "2001/04/28|3", "2001/04/26 8:00:00|6"} << 90.0 << "2001/04/26 2"
            << "2001/04/26 8:00:00=6" << "2001/04/26=6/1" << "1: 1 0" << 2;
        QTest::newRow("a period below one day limits nothing")
            << QStringList{"2001/04/24|1"} << 0.5 << "2001/04/24 4" << "2001/04/24=1" << "2001/04/24=1/1" << "2: 1 0" << 0;
        QTest::newRow("a period beyond reach limits nothing: a bar for half the span")
            << QStringList{"1000/01/01|3", "2001/04/27 8:00:00|4"} << 99999999.0 << "1000/01/01 365725"
            << "1000/01/01=3 2001/04/27 8:00:00=4" << "1000/01/01=3/1 2001/04/27=4/1" << "182863: 1 1" << 0;
    }

    void chartData()
    {
        QFETCH(QStringList, rows);
        QFETCH(double, period);
        // Today is the fixture's day, 2001/04/27.
        std::vector<ResultsLog::ScoreRow> read;
        for (const QString &row : rows)
            read.push_back({row.section('|', 0, 0), row.section('|', 1)});
        const ScoreChartData data = ScoreChartData::of(read, period, Sandbox::now().date());
        const auto date = [&](int day) { return data.firstDay.addDays(day).toString("yyyy/MM/dd"); };
        QStringList points, practised, bars;
        for (const ScoreChartData::Point &p : data.points) {
            QCOMPARE(date(p.day), ScoreChartData::parse(read[p.row].when)->date.toString("yyyy/MM/dd"));
            points << read[p.row].when + "=" + QString::number(p.score);
        }
        for (const ScoreChartData::Day &d : data.practised)
            practised << date(d.day) + "=" + QString::number(d.best) + "/" + QString::number(d.count);
        const ScoreChartData::Bars grouped = data.bars(2);
        // A plot one bar wide takes every day in that bar.
        QVERIFY(data.bars(1).sittings.size() == 1);
        for (int sittings : grouped.sittings)
            bars << QString::number(sittings);
        QTEST(date(0) + " " + QString::number(data.days), "days");
        QTEST(points.join(' '), "points");
        QTEST(practised.join(' '), "practised");
        QTEST(QString::number(grouped.daysPerBar) + ": " + bars.join(' '), "bars");
        QTEST(data.leftOut, "leftOut");
    }
};

SANSU_TEST_MAIN(TestRules)
#include "test_rules.moc"
