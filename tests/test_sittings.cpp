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
Q_DECLARE_METATYPE(std::vector<int>)

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

// Takes a sitting from loading to `phase` as a child does: the question
// asked, the right answer, its reading, closing.
template <typename Rules>
void reach(Rules &s, Phase phase, const std::function<void()> &ask, const std::function<void()> &answer,
           const std::function<void()> &read)
{
    s.load(0);
    const std::function<void()> spoken = [&] { s.spoken(); };
    const std::function<void()> steps[] = {ask, spoken, answer, read, spoken, [&] { s.close(); }};
    for (size_t i = 0; phasesInOrder[i] != phase; ++i)
        steps[i]();
}

void reach(NumberSitting &s, Phase phase)
{
    reach(s, phase, [&] { s.readingDue(true, 0); }, [&] { s.tile(QStringLiteral("7")); },
          [&] { s.readingDue(true, 0); });
}

// The clock: 3:15 in label 1 on loading; 7:40 in label 3 a draw later.
void scriptClock(Sandbox &box)
{
    box.random.draws({3, 15, 1, 1, 0, 2, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0});
    box.random.draws({7, 40, 3, 1, 5, 2, 5, 4, 5, 5, 5, 6, 5, 7, 5, 8, 5});
}

void reach(ClockSitting &s, Phase phase)
{
    reach(s, phase, [&] { s.promptDue(true, 0); }, [&] { s.label(1); }, [&] { s.readingDue(); });
}

QString shownNext(bool visible, bool enabled)
{
    return !visible ? QStringLiteral("hidden") : enabled ? QStringLiteral("shown") : QStringLiteral("disabled");
}
} // namespace

class TestSittings : public QObject
{
    Q_OBJECT
private slots:
    void numberSitting_data()
    {
        QTest::addColumn<Phase>("from");
        QTest::addColumn<QString>("event");
        QTest::addColumn<Phase>("to");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("equation");
        QTest::addColumn<QString>("next"); // 次: shown, disabled (shown) or hidden
        QTest::addColumn<int>("count");
        QTest::newRow("loaded: the reading is due") << Phase::Posed << "" << Phase::Posed << "" << "3 4 ？" << "shown" << 0;
        QTest::newRow("question read") << Phase::Posed << "reading due" << Phase::Asking << "3 ＋ 4 ＝ ？" << "3 4 ？" << "disabled" << 0;
        QTest::newRow("reading ended") << Phase::Asking << "spoken" << Phase::Open << "" << "3 4 ？" << "hidden" << 0;
        QTest::newRow("wrong tile") << Phase::Open << "tile 5" << Phase::Open << "NG" << "3 4 ？" << "hidden" << 0;
        QTest::newRow("right tile") << Phase::Open << "tile 7" << Phase::AnsweredPending << "OK" << "3 4 7" << "hidden" << 1;
        QTest::newRow("right tile before the reading") << Phase::Posed << "tile 7" << Phase::AnsweredPending << "OK" << "3 4 7" << "hidden" << 1;
        QTest::newRow("right tile during the reading") << Phase::Asking << "tile 7" << Phase::AnsweredPending << "OK" << "3 4 7" << "hidden" << 1;
        QTest::newRow("answer read") << Phase::AnsweredPending << "reading due" << Phase::Reading << "3 ＋ 4 ＝ 7" << "3 4 7" << "hidden" << 1;
        QTest::newRow("answer read to the end: 次") << Phase::Reading << "spoken" << Phase::Answered << "" << "3 4 7" << "shown" << 1;
        QTest::newRow("tile once answered and read") << Phase::Answered << "tile 7" << Phase::Answered << "" << "3 4 7" << "shown" << 1;
        QTest::newRow("nothing due once answered") << Phase::Answered << "reading due" << Phase::Answered << "" << "3 4 7" << "shown" << 1;
        QTest::newRow("次: the next question") << Phase::Answered << "次" << Phase::Posed << "" << "5 2 ？" << "shown" << 1;
        QTest::newRow("次 while open: replaced, not counted") << Phase::Open << "次" << Phase::Posed << "" << "5 2 ？" << "shown" << 0;
        QTest::newRow("次 during a reading: the new one is read next") << Phase::Asking << "次, spoken" << Phase::Posed << "" << "5 2 ？" << "shown" << 0;
        QTest::newRow("closed: a tile does nothing") << Phase::Closed << "tile 7" << Phase::Closed << "" << "3 4 7" << "shown" << 1;
        QTest::newRow("closed: nothing due") << Phase::Closed << "reading due" << Phase::Closed << "" << "3 4 7" << "shown" << 1;
    }

    // たしざん１０ from each phase, one event at a time.
    void numberSitting()
    {
        QFETCH(Phase, from);
        QFETCH(QString, event);
        QFETCH(Phase, to);
        QFETCH(QString, said);
        QFETCH(QString, equation);
        QFETCH(QString, next);
        QFETCH(int, count);
        Sandbox box;
        box.random.draws({3, 4, 5, 2});
        NumberSitting s(addition());
        reach(s, from);
        QCOMPARE(s.phase(), from);
        QStringList saying;
        for (const QString &e : event.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
            if (e == "reading due")
                saying = s.readingDue(true, 0).value().say;
            else if (e == "spoken")
                s.spoken();
            else if (e == "次")
                saying = s.next().say;
            else
                saying = s.tile(e.mid(5)).say;
        }
        QCOMPARE(s.phase(), to);
        QCOMPARE(words(saying), said);
        const NumberSitting::Shown shown = s.shown();
        QCOMPARE(shown.equation.first + " " + shown.equation.second + " " + shown.equation.result, equation);
        QCOMPARE(shownNext(shown.nextVisible, shown.nextEnabled), next);
        QCOMPARE(s.CLEAR_CNT(), count);
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

    void clockSitting_data()
    {
        QTest::addColumn<Phase>("from");
        QTest::addColumn<QString>("event");
        QTest::addColumn<Phase>("to");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("shown"); // the labels, or the chosen answer
        QTest::addColumn<QString>("next");
        QTest::addColumn<int>("count");
        const QString labels = "1じ0ふん 3じ15ふん 2じ0ふん 4じ0ふん 5じ0ふん 6じ0ふん 7じ0ふん 8じ0ふん";
        const QString fresh = "1じ5ふん 2じ5ふん 4じ5ふん 7じ40ぷん 5じ5ふん 6じ5ふん 7じ5ふん 8じ5ふん";
        QTest::newRow("loaded: the prompt is due") << Phase::Posed << "" << Phase::Posed << "" << labels << "hidden" << 0;
        QTest::newRow("asked") << Phase::Posed << "prompt due" << Phase::Asking << "いまなんじ？" << labels << "hidden" << 0;
        QTest::newRow("prompt ended") << Phase::Asking << "spoken" << Phase::Open << "" << labels << "hidden" << 0;
        QTest::newRow("wrong label") << Phase::Open << "label 5" << Phase::Open << "NG" << labels << "hidden" << 0;
        QTest::newRow("right label") << Phase::Open << "label 1" << Phase::AnsweredPending << "OK" << "3じ15ふん" << "hidden" << 1;
        QTest::newRow("right label before the prompt: none asked")
            << Phase::Posed << "label 1, prompt due" << Phase::AnsweredPending << "" << "3じ15ふん" << "hidden" << 1;
        QTest::newRow("time read") << Phase::AnsweredPending << "reading due" << Phase::Reading << "3じ 15ふん" << "3じ15ふん" << "hidden" << 1;
        QTest::newRow("time read to the end: 次") << Phase::Reading << "spoken" << Phase::Answered << "" << "3じ15ふん" << "shown" << 1;
        QTest::newRow("label once answered") << Phase::Answered << "label 1" << Phase::Answered << "" << "3じ15ふん" << "shown" << 1;
        QTest::newRow("nothing to ask when open") << Phase::Open << "prompt due" << Phase::Open << "" << labels << "hidden" << 0;
        QTest::newRow("次: the next question") << Phase::Answered << "次" << Phase::Posed << "" << fresh << "hidden" << 1;
        QTest::newRow("fresh question, unprompted") << Phase::Open << "fresh question" << Phase::Open << "" << fresh << "hidden" << 0;
        QTest::newRow("fresh question before the prompt") << Phase::Posed << "fresh question, prompt due" << Phase::Asking << "いまなんじ？" << fresh << "hidden" << 0;
        QTest::newRow("fresh question after the answer: dropped, the answered time read")
            << Phase::AnsweredPending << "fresh question, reading due" << Phase::Reading << "3じ 15ふん" << "3じ15ふん" << "hidden" << 1;
        QTest::newRow("fresh question only once") << Phase::Open << "fresh question, fresh question" << Phase::Open << "" << fresh << "hidden" << 0;
        QTest::newRow("fresh question never after an answer") << Phase::Answered << "次, fresh question" << Phase::Posed << "" << fresh << "hidden" << 1;
        QTest::newRow("closed: a label does nothing") << Phase::Closed << "label 1" << Phase::Closed << "" << labels << "hidden" << 1;
        QTest::newRow("closed: no fresh question") << Phase::Closed << "fresh question" << Phase::Closed << "" << labels << "hidden" << 1;
        QTest::newRow("closed: nothing to ask") << Phase::Closed << "次, prompt due" << Phase::Closed << "" << labels << "hidden" << 1;
    }

    // The clock from each phase: 3:15 is asked at loading, 7:40 is the next
    // question drawn (the fresh one, or the one after 次).
    void clockSitting()
    {
        QFETCH(Phase, from);
        QFETCH(QString, event);
        QFETCH(Phase, to);
        QFETCH(QString, said);
        QFETCH(QString, shown);
        QFETCH(QString, next);
        QFETCH(int, count);
        Sandbox box;
        scriptClock(box);
        ClockSitting s;
        reach(s, from);
        QCOMPARE(s.phase(), from);
        QStringList saying;
        for (const QString &e : event.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
            if (e == "prompt due")
                saying = s.promptDue(true, 0).value().say;
            else if (e == "reading due")
                saying = s.readingDue().say;
            else if (e == "spoken")
                s.spoken();
            else if (e == "次")
                saying = s.next().say;
            else if (e == "fresh question")
                saying = s.freshQuestionDue().say;
            else
                saying = s.label(e.mid(6).toInt()).say;
        }
        QCOMPARE(s.phase(), to);
        QCOMPARE(words(saying), said);
        const ClockSitting::Shown seen = s.shown();
        QStringList labels(seen.labels.begin(), seen.labels.end());
        // Either the eight labels or the chosen answer is shown, never both.
        QCOMPARE(seen.labelsVisible && seen.answerVisible, false);
        QCOMPARE(seen.labelsVisible ? labels.join(' ') : seen.answerVisible ? seen.answer : QString("nothing"),
                 to == Phase::Closed ? QString("nothing") : shown);
        QCOMPARE(shownNext(seen.nextVisible, seen.nextEnabled), next);
        QCOMPARE(s.CLEAR_CNT(), count);
        if (seen.answerVisible) // the face shows the time answered
            QCOMPARE(ClockWords::time(seen.hour, seen.minute), seen.answer);
    }

    void missedQuestionsComeBack_data()
    {
        QTest::addColumn<int>("drill");        // its menu index: 1 たしざん１０, 6 とけい
        QTest::addColumn<bool>("askAgain");    // the parent's choice
        QTest::addColumn<QString>("answers");  // per question: w a wrong tile first, r right at once
        QTest::addColumn<QString>("posed");    // per question: new (drawn), or =k (question k again, no draw)
        QTest::newRow("wrong, then right when it comes back") << 1 << true << "w r r r r r r" << "new new new =1 new new new";
        QTest::newRow("missed again: back again") << 1 << true << "w r r w r r r" << "new new new =1 new new =1";
        QTest::newRow("two missed: the oldest first") << 1 << true << "w w r r r r r" << "new new new =1 =2 new new";
        QTest::newRow("off: nothing comes back") << 1 << false << "w w r r r r r" << "new new new new new new new";
        QTest::newRow("clock: the same time and labels") << 6 << true << "w r r r r" << "new new new =1 new";
        QTest::newRow("clock, off") << 6 << false << "w r r r r" << "new new new new new";
    }

    // A question whose first answer was wrong comes back whole after two
    // others, in place of a draw, is judged and counted as any question, and
    // is done once answered right; with the choice off every question is drawn.
    void missedQuestionsComeBack()
    {
        QFETCH(int, drill);
        QFETCH(bool, askAgain);
        QFETCH(QString, answers);
        Sandbox box;
        box.random.draws({3, 4, 5, 2, 1, 6, 2, 2, 6, 1, 4, 3, 0, 9, 8, 1}); // eight different sums
        NumberSitting number(DrillKind(*DrillTable::atMenuIndex(drill == 6 ? 1 : drill)));
        ClockSitting clock;
        Sitting &s = drill == 6 ? static_cast<Sitting &>(clock) : number;
        QStringList questions;
        QStringList posed;
        int drawn = box.random.taken();
        for (const QString &answer : answers.split(' ')) {
            if (questions.isEmpty())
                drill == 6 ? clock.load(0, askAgain) : number.load(0, askAgain);
            else
                drill == 6 ? clock.next() : number.next();
            const NumberSitting::Shown n = number.shown();
            const ClockSitting::Shown c = clock.shown();
            const QString question = drill == 6 ? QStringList(c.labels.begin(), c.labels.end()).join(' ')
                                                : n.equation.first + " " + n.equation.second + " " + n.equation.result;
            const int again = questions.indexOf(question);
            posed << (again < 0 ? QStringLiteral("new") : QStringLiteral("=%1").arg(again + 1));
            QCOMPARE(box.random.taken() > drawn, again < 0); // a question that comes back takes no draw
            drawn = box.random.taken();
            questions << question;
            const int right = drill == 6 ? clock.ANS_NO() : number.shown().equation.first.toInt() + n.equation.second.toInt();
            drill == 6 ? (void)clock.promptDue(true, 0) : (void)number.readingDue(true, 0);
            s.spoken();
            if (answer == "w")
                QCOMPARE(words(drill == 6 ? clock.label((right + 1) % 8).say : number.tile(QString::number(right + 1)).say), "NG");
            QCOMPARE(words(drill == 6 ? clock.label(right).say : number.tile(QString::number(right)).say), "OK");
            drill == 6 ? (void)clock.readingDue() : (void)number.readingDue(true, 0);
            s.spoken();
        }
        QTEST(posed.join(' '), "posed");
        QCOMPARE(s.CLEAR_CNT(), questions.size());
    }

    // At most five wait; the sixth is not remembered, and the oldest comes first.
    void fiveMissedQuestionsWait()
    {
        MissedQuestions<int> missed;
        missed.begin(true);
        for (int question = 1; question <= 6; ++question) {
            missed.posed(question);
            missed.answered(false);
        }
        QCOMPARE(missed.waiting(), 5);
        QList<std::optional<int>> back;
        for (int i = 0; i < 7; ++i)
            back << missed.due();
        QCOMPARE(back, (QList<std::optional<int>>{std::nullopt, std::nullopt, 1, 2, 3, 4, 5}));
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

    void clockEventsDuringARedraw_data()
    {
        QTest::addColumn<QString>("drawing"); // the fresh question, or the one after 次
        QTest::addColumn<QString>("events");  // what the child does while a wrong time is drawn again
        QTest::addColumn<QString>("said");
        QTest::addColumn<Phase>("to");
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("count");
        // 3:15 in label 1 is on the screen; the new question is 7:40, whose
        // first wrong time comes out 7:40 too and is drawn again.
        QTest::newRow("fresh: the right label on the screen counts, the fresh one is dropped")
            << "fresh" << "label 1" << "OK" << Phase::AnsweredPending << "3じ15ふん" << 1;
        QTest::newRow("fresh: a wrong label on the screen, then the fresh question")
            << "fresh" << "label 3" << "NG" << Phase::Posed << "7じ40ぷん" << 0;
        QTest::newRow("次: nothing on the screen to click, 次 not twice")
            << "次" << "label 1, 次" << "" << Phase::Posed << "7じ40ぷん" << 1;
        QTest::newRow("次: closed meanwhile, the question dropped")
            << "次" << "close" << "" << Phase::Closed << "3じ15ふん" << 1;
        QTest::newRow("次: closed and loaded again: the new sitting's own question")
            << "次" << "close, load" << "" << Phase::Posed << "1じ5ふん" << 0;
    }

    // While a wrong time equal to the asked one is drawn again, the window
    // handles the child's pending clicks: each is judged against the question
    // the child sees, and nothing of the question being drawn shows or counts
    // until it is set. 次 cannot ask twice, and a sitting that ends meanwhile
    // drops the question.
    void clockEventsDuringARedraw()
    {
        QFETCH(QString, drawing);
        QFETCH(QString, events);
        QFETCH(QString, said);
        Sandbox box;
        box.random.draws({3, 15, 1, 1, 0, 2, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0});
        box.random.draws({7, 40, 3, 7, 40, 1, 5, 2, 5, 4, 5, 5, 5, 6, 5, 7, 5, 8, 5});
        bool pending = false;
        QStringList heard;
        QString shownWhileDrawing;
        ClockSitting s([&] {
            if (!std::exchange(pending, false))
                return;
            const ClockSitting::Shown seen = s.shown();
            shownWhileDrawing = ClockWords::time(seen.hour, seen.minute) + (seen.nextEnabled ? " 次" : "");
            for (const QString &e : events.split(", ")) {
                if (e == "close")
                    s.close();
                else if (e == "load")
                    s.load(0);
                else if (e == "次")
                    heard << s.next().say;
                else
                    heard << s.label(e.mid(6).toInt()).say;
            }
        });
        s.load(0);
        if (drawing == "fresh") {
            pending = true;
            s.freshQuestionDue();
        } else {
            s.label(1);
            s.readingDue();
            s.spoken();
            pending = true;
            const bool due = s.next().due;
            QCOMPARE(due, !events.contains("close"));
        }
        QCOMPARE(shownWhileDrawing, QStringLiteral("3じ15ふん"));
        QCOMPARE(words(heard), said);
        QTEST(s.phase(), "to");
        const ClockSitting::Shown seen = s.shown();
        QTEST(ClockWords::time(seen.hour, seen.minute), "face");
        QTEST(s.CLEAR_CNT(), "count");
        if (seen.labelsVisible)
            QCOMPARE(seen.labels[static_cast<size_t>(s.ANS_NO())], ClockWords::time(seen.hour, seen.minute));
        if (seen.answerVisible)
            QCOMPARE(words(s.readingDue().say), QStringLiteral("3じ 15ふん"));
    }
};

SANSU_TEST_MAIN(TestSittings)
#include "test_sittings.moc"
