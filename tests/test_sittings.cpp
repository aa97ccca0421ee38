// The rules of a sitting, without any window: for each drill, every phase
// meets the events that can reach it, and the table says where it goes, what
// is shown and what is said.
#include "clock/clock_sitting.h"
#include "drill/number_sitting.h"
#include "platform/clock_words.h"
#include "platform/random_draw.h"
#include "platform/seeded_random_source.h"
#include "support/sandbox.h"
#include "support/test_main.h"

#include <QFileInfo>

using Phase = SittingPhase;
Q_DECLARE_METATYPE(SittingPhase)

namespace {
// The words of the prompts said, as their files are named: "3 ＋ 4 ＝ ？".
QString words(const QStringList &paths)
{
    QStringList said;
    for (const QString &path : paths)
        said << QFileInfo(path).completeBaseName();
    return said.join(QLatin1Char(' '));
}

constexpr Phase phasesInOrder[] = {Phase::Posed, Phase::Asking, Phase::Open, Phase::AnsweredPending,
                                   Phase::Reading, Phase::Answered, Phase::Closed};

// たしざん１０: 3 ＋ 4 ＝ ？ on loading; 5 ＋ 2 after it.
DrillKind addition() { return DrillKind(*DrillTable::atMenuIndex(1)); }

// Either drill's sitting, driven by the events the tables name.
struct Driven
{
    Driven(Sandbox &box, bool isClock) : isClock(isClock)
    {
        isClock ? box.random.clock() : box.random.draws({3, 4, 5, 2});
    }

    // One event; what it said.
    QStringList event(const QString &e)
    {
        if (e == "prompt due")
            return clock.promptDue(true, 0).value().say;
        if (e == "reading due")
            return isClock ? clock.readingDue().say : number.readingDue(true, 0).value().say;
        if (e == "spoken")
            isClock ? clock.spoken() : number.spoken();
        else if (e == "close")
            isClock ? (void)clock.close() : (void)number.close();
        else if (e == "次")
            return isClock ? clock.next().say : number.next().say;
        else if (e == "fresh question")
            return clock.freshQuestionDue().say;
        else
            return isClock ? clock.label(e.mid(6).toInt()).say : number.tile(e.mid(5)).say;
        return {};
    }

    // From loading to `phase` as a child goes: the question asked, the right
    // answer, its reading, closing.
    void reach(Phase phase)
    {
        isClock ? clock.load(0) : number.load(0);
        const QString steps[] = {isClock ? "prompt due" : "reading due", "spoken", isClock ? "label 1" : "tile 7",
                                 "reading due", "spoken", "close"};
        for (size_t i = 0; phasesInOrder[i] != phase; ++i)
            event(steps[i]);
    }

    // The equation, or the clock's eight labels, the chosen answer or nothing.
    QString shown() const
    {
        const ClockSitting::Shown c = clock.shown();
        const DrillKind::Equation e = number.shown().equation;
        if (!isClock)
            return e.first + " " + e.second + " " + e.result;
        return c.labelsVisible ? QStringList(c.labels.begin(), c.labels.end()).join(' ')
               : c.answerVisible ? c.answer : QStringLiteral("nothing");
    }

    // 次: shown, disabled (shown) or hidden.
    QString next() const
    {
        const bool visible = isClock ? clock.shown().nextVisible : number.shown().nextVisible;
        const bool enabled = isClock ? clock.shown().nextEnabled : number.shown().nextEnabled;
        return !visible ? QStringLiteral("hidden") : enabled ? QStringLiteral("shown") : QStringLiteral("disabled");
    }

    const bool isClock;
    NumberSitting number{addition()};
    ClockSitting clock;
};
} // namespace

class TestSittings : public QObject
{
    Q_OBJECT
private slots:
    void sitting_data()
    {
        QTest::addColumn<bool>("clock");
        QTest::addColumn<Phase>("from");
        QTest::addColumn<QString>("event");
        QTest::addColumn<Phase>("to");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("next");
        QTest::addColumn<int>("count");
        // たしざん１０ asks 3 ＋ 4 at loading and 5 ＋ 2 next.
        QTest::newRow("たしざん１０, loaded: the reading is due") << false << Phase::Posed << "" << Phase::Posed << "" << "3 4 ？" << "shown" << 0;
        QTest::newRow("たしざん１０, question read") << false << Phase::Posed << "reading due" << Phase::Asking << "3 ＋ 4 ＝ ？" << "3 4 ？" << "disabled" << 0;
        QTest::newRow("たしざん１０, reading ended") << false << Phase::Asking << "spoken" << Phase::Open << "" << "3 4 ？" << "hidden" << 0;
        QTest::newRow("たしざん１０, wrong tile") << false << Phase::Open << "tile 5" << Phase::Open << "NG" << "3 4 ？" << "hidden" << 0;
        QTest::newRow("たしざん１０, right tile") << false << Phase::Open << "tile 7" << Phase::AnsweredPending << "OK" << "3 4 7" << "hidden" << 1;
        QTest::newRow("たしざん１０, right tile before the reading") << false << Phase::Posed << "tile 7" << Phase::AnsweredPending << "OK" << "3 4 7" << "hidden" << 1;
        QTest::newRow("たしざん１０, right tile during the reading") << false << Phase::Asking << "tile 7" << Phase::AnsweredPending << "OK" << "3 4 7" << "hidden" << 1;
        QTest::newRow("たしざん１０, answer read") << false << Phase::AnsweredPending << "reading due" << Phase::Reading << "3 ＋ 4 ＝ 7" << "3 4 7" << "hidden" << 1;
        QTest::newRow("たしざん１０, answer read to the end: 次") << false << Phase::Reading << "spoken" << Phase::Answered << "" << "3 4 7" << "shown" << 1;
        QTest::newRow("たしざん１０, tile once answered and read") << false << Phase::Answered << "tile 7" << Phase::Answered << "" << "3 4 7" << "shown" << 1;
        QTest::newRow("たしざん１０, nothing due once answered") << false << Phase::Answered << "reading due" << Phase::Answered << "" << "3 4 7" << "shown" << 1;
        QTest::newRow("たしざん１０, 次: the next question") << false << Phase::Answered << "次" << Phase::Posed << "" << "5 2 ？" << "shown" << 1;
        QTest::newRow("たしざん１０, 次 while open: replaced, not counted") << false << Phase::Open << "次" << Phase::Posed << "" << "5 2 ？" << "shown" << 0;
        QTest::newRow("たしざん１０, 次 during a reading: the new one is read next") << false << Phase::Asking << "次, spoken" << Phase::Posed << "" << "5 2 ？" << "shown" << 0;
        QTest::newRow("たしざん１０, closed: a tile does nothing") << false << Phase::Closed << "tile 7" << Phase::Closed << "" << "3 4 7" << "shown" << 1;
        QTest::newRow("たしざん１０, closed: nothing due") << false << Phase::Closed << "reading due" << Phase::Closed << "" << "3 4 7" << "shown" << 1;
        // The clock asks 3:15 at loading; 7:40 is the next question drawn
        // (the fresh one, or the one after 次).
        const QString labels = "1じ0ふん 3じ15ふん 2じ0ふん 4じ0ふん 5じ0ふん 6じ0ふん 7じ0ふん 8じ0ふん";
        const QString fresh = "1じ5ふん 2じ5ふん 4じ5ふん 7じ40ぷん 5じ5ふん 6じ5ふん 7じ5ふん 8じ5ふん";
        QTest::newRow("clock, loaded: the prompt is due") << true << Phase::Posed << "" << Phase::Posed << "" << labels << "hidden" << 0;
        QTest::newRow("clock, asked") << true << Phase::Posed << "prompt due" << Phase::Asking << "いまなんじ？" << labels << "hidden" << 0;
        QTest::newRow("clock, prompt ended") << true << Phase::Asking << "spoken" << Phase::Open << "" << labels << "hidden" << 0;
        QTest::newRow("clock, wrong label") << true << Phase::Open << "label 5" << Phase::Open << "NG" << labels << "hidden" << 0;
        QTest::newRow("clock, right label") << true << Phase::Open << "label 1" << Phase::AnsweredPending << "OK" << "3じ15ふん" << "hidden" << 1;
        QTest::newRow("clock, right label before the prompt: none asked")
            << true << Phase::Posed << "label 1, prompt due" << Phase::AnsweredPending << "" << "3じ15ふん" << "hidden" << 1;
        QTest::newRow("clock, time read") << true << Phase::AnsweredPending << "reading due" << Phase::Reading << "3じ 15ふん" << "3じ15ふん" << "hidden" << 1;
        QTest::newRow("clock, time read to the end: 次") << true << Phase::Reading << "spoken" << Phase::Answered << "" << "3じ15ふん" << "shown" << 1;
        QTest::newRow("clock, label once answered") << true << Phase::Answered << "label 1" << Phase::Answered << "" << "3じ15ふん" << "shown" << 1;
        QTest::newRow("clock, nothing to ask when open") << true << Phase::Open << "prompt due" << Phase::Open << "" << labels << "hidden" << 0;
        QTest::newRow("clock, 次: the next question") << true << Phase::Answered << "次" << Phase::Posed << "" << fresh << "hidden" << 1;
        QTest::newRow("clock, fresh question, unprompted") << true << Phase::Open << "fresh question" << Phase::Open << "" << fresh << "hidden" << 0;
        QTest::newRow("clock, fresh question before the prompt") << true << Phase::Posed << "fresh question, prompt due" << Phase::Asking << "いまなんじ？" << fresh << "hidden" << 0;
        QTest::newRow("clock, fresh question after the answer: dropped, the answered time read")
            << true << Phase::AnsweredPending << "fresh question, reading due" << Phase::Reading << "3じ 15ふん" << "3じ15ふん" << "hidden" << 1;
        QTest::newRow("clock, fresh question only once") << true << Phase::Open << "fresh question, fresh question" << Phase::Open << "" << fresh << "hidden" << 0;
        QTest::newRow("clock, fresh question never after an answer") << true << Phase::Answered << "次, fresh question" << Phase::Posed << "" << fresh << "hidden" << 1;
        QTest::newRow("clock, closed: a label does nothing") << true << Phase::Closed << "label 1" << Phase::Closed << "" << "nothing" << "hidden" << 1;
        QTest::newRow("clock, closed: no fresh question") << true << Phase::Closed << "fresh question" << Phase::Closed << "" << "nothing" << "hidden" << 1;
        QTest::newRow("clock, closed: nothing to ask") << true << Phase::Closed << "次, prompt due" << Phase::Closed << "" << "nothing" << "hidden" << 1;
    }

    // Each drill from each phase, one event at a time: where it goes, what
    // it says and shows, and what it counts.
    void sitting()
    {
        QFETCH(bool, clock);
        QFETCH(Phase, from);
        QFETCH(QString, event);
        QFETCH(Phase, to);
        QFETCH(QString, said);
        Sandbox box;
        Driven s(box, clock);
        s.reach(from);
        QCOMPARE(clock ? s.clock.phase() : s.number.phase(), from);
        QStringList saying;
        for (const QString &e : event.split(QStringLiteral(", "), Qt::SkipEmptyParts))
            saying = s.event(e);
        QCOMPARE(clock ? s.clock.phase() : s.number.phase(), to);
        QCOMPARE(words(saying), said);
        QTEST(s.shown(), "shown");
        QTEST(s.next(), "next");
        QTEST(clock ? s.clock.CLEAR_CNT() : s.number.CLEAR_CNT(), "count");
        const ClockSitting::Shown seen = s.clock.shown();
        // Either the eight labels or the chosen answer is shown, never both,
        // and the face shows the time answered.
        QCOMPARE(seen.labelsVisible && seen.answerVisible, false);
        if (seen.answerVisible)
            QCOMPARE(ClockWords::time(seen.hour, seen.minute), seen.answer);
    }

    // The first reading waits for the window to reach the screen, a second at
    // most; the wait is the sitting's own, so a window opened again waits anew.
    void numberFirstReadingWaitsForTheScreen()
    {
        Sandbox box;
        NumberSitting s(addition());
        s.load(10000);
        QVERIFY(!s.readingDue(false, 10999));
        QCOMPARE(s.phase(), Phase::Posed);
        QVERIFY(s.readingDue(false, 11000).has_value());
        s.spoken(); // read to its end: the next sitting still waits for its own screen
        s.close();
        s.load(20000);
        QVERIFY(!s.readingDue(false, 20500));
        QVERIFY(s.readingDue(true, 20500).has_value());
        s.spoken();
        s.next();
        QVERIFY(s.readingDue(false, 20600).has_value()); // only the first one waits
    }

    // With the choice off, every drill draws exactly what it drew before:
    // the same questions as its kind's own draws from the same seed, wrong
    // answers or not.
    void missedQuestionsOffDrawsAsBefore()
    {
        Sandbox box;
        for (const DrillTable::Entry &drill : DrillTable::all()) {
            QStringList sitting, drawn;
            RandomDraw::setSource(std::make_unique<SeededRandomSource>(7));
            if (drill.isClock()) {
                ClockSitting s;
                for (int i = 0; i < 20; ++i) {
                    i == 0 ? s.load(0) : s.next();
                    sitting << s.shown().labels.front();
                    s.label((s.ANS_NO() + 1) % 8);
                    s.label(s.ANS_NO());
                }
                RandomDraw::setSource(std::make_unique<SeededRandomSource>(7));
                for (int i = 0; i < 20; ++i)
                    drawn << ClockQuestion::draw([] {}).labels.front();
            } else {
                const DrillKind kind(drill);
                NumberSitting s(kind);
                for (int i = 0; i < 20; ++i) {
                    i == 0 ? s.load(0) : s.next();
                    const DrillKind::Equation e = s.shown().equation;
                    sitting << e.first + e.second + e.result;
                    s.tile(QStringLiteral("-1"));
                }
                RandomDraw::setSource(std::make_unique<SeededRandomSource>(7));
                DrillKind::Equation e = kind.initialEquation();
                for (int i = 0; i < 20; ++i) {
                    e = kind.pose(e);
                    drawn << e.first + e.second + e.result;
                }
            }
            QCOMPARE(sitting, drawn);
        }
    }
};

SANSU_TEST_MAIN(TestSittings)
#include "test_sittings.moc"
