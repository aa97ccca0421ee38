// Both drills' sittings, without windows, driven through many seeded random
// event sequences the way their windows feed them: loads, timers that fire
// when they are due (the first prompt held while the window is not on the
// screen), prompts and readings played to their end, right and wrong clicks,
// 次 when it is offered, the clock's fresh question, clicks made while a clock
// question is being drawn, closes and reopens. After every event the rules
// that must always hold are checked; a failure names the sequence's seed and
// the events that led to it, so that it can be replayed.
#include "clock/clock_sitting.h"
#include "drill/number_sitting.h"
#include "platform/clock_words.h"
#include "platform/random_draw.h"
#include "platform/seeded_random_source.h"
#include "support/test_main.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <random>

namespace {
constexpr int sequences = 100000;
constexpr int eventsPerSequence = 24;

QString word(const QString &path)
{
    return QFileInfo(path).completeBaseName();
}

QString said(const Sitting::Step &step)
{
    QStringList words;
    for (const QString &path : step.say)
        words << word(path);
    return words.join(QLatin1Char(' '));
}

bool questionOpen(SittingPhase phase)
{
    return phase == SittingPhase::Posed || phase == SittingPhase::Asking || phase == SittingPhase::Open;
}

// What both explorers share: the random choices, the window's clock and
// screen, the right answers counted from outside, and the first rule broken.
class Explorer
{
public:
    explicit Explorer(quint64 seed) : choices_(seed) {}

    QString failure;

protected:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(choices_); }
    bool chance(int percent) { return pick(100) < percent; }
    void note(const QString &event) { trace_ << event; }
    void expect(bool holds, const QString &rule)
    {
        if (!holds && failure.isEmpty())
            failure = rule + QStringLiteral("\n    after: ") + trace_.join(QStringLiteral(", "));
    }
    // Time passes; the window may reach the screen meanwhile.
    void wait()
    {
        now_ += pick(700);
        onScreen_ = onScreen_ || chance(50);
        note(QStringLiteral("+time"));
    }

    std::mt19937_64 choices_;
    QStringList trace_;
    qint64 now_ = 0;
    bool onScreen_ = false;
    bool loaded_ = false;
    int rightAnswers_ = 0; // questions the explorer answered right
};

// A number drill: Timer1 reads the question or the answer once it is due.
class NumberExplorer : public Explorer
{
public:
    NumberExplorer(const DrillTable::Entry &drill, quint64 seed) : Explorer(seed), kind_(drill), s_(kind_) {}

    void run()
    {
        for (int i = 0; i < eventsPerSequence && failure.isEmpty(); ++i) {
            step();
            check();
        }
    }

private:
    void step()
    {
        if (!loaded_) {
            note(QStringLiteral("load"));
            rightAnswers_ = 0;
            onScreen_ = false;
            readingDue_ = s_.load(now_).due;
            loaded_ = true;
            return;
        }
        switch (pick(7)) {
        case 0:
            wait();
            break;
        case 1:
        case 2:
            if (readingDue_)
                read();
            break;
        case 3:
        case 4:
            click(chance(60));
            break;
        case 5:
            if (const NumberSitting::Shown shown = s_.shown(); shown.nextVisible && shown.nextEnabled) {
                note(QStringLiteral("次"));
                readingDue_ = s_.next().due;
            }
            break;
        default:
            if (chance(25)) {
                note(QStringLiteral("close"));
                expect(s_.close() == rightAnswers_, QStringLiteral("the count recorded is not the right answers"));
                loaded_ = false;
                readingDue_ = false;
            }
        }
    }

    void read()
    {
        const std::optional<Sitting::Step> reading = s_.readingDue(onScreen_, now_);
        if (!reading) {
            note(QStringLiteral("reading held"));
            return;
        }
        readingDue_ = false;
        note(QStringLiteral("reading"));
        if (reading->say.isEmpty())
            return;
        const DrillKind::Equation e = s_.shown().equation;
        const QString boxes = QStringList{e.first, kind_.sign(), e.second, DrillKind::equalsSign, e.result}.join(' ');
        expect(said(*reading) == boxes,
               QStringLiteral("the reading \"%1\" is not the boxes' captions \"%2\"").arg(said(*reading), boxes));
        s_.spoken();
    }

    void click(bool right)
    {
        const std::optional<DrillKind::Unknown> unknown = kind_.openQuestion(s_.shown().equation);
        const bool open = questionOpen(s_.phase());
        const int number = right && unknown ? unknown->answer : pick(kind_.tileCount());
        const bool isRight = unknown && number == unknown->answer;
        note(QStringLiteral("tile %1").arg(number));
        const Sitting::Step judged = s_.tile(QString::number(number));
        const QString verdict = !open ? QString() : isRight ? QStringLiteral("OK") : QStringLiteral("NG");
        expect(said(judged) == verdict, QStringLiteral("tile %1 was judged \"%2\"").arg(number).arg(said(judged)));
        if (said(judged) != QLatin1String("OK"))
            return;
        ++rightAnswers_;
        readingDue_ = judged.due;
        expect(holds(s_.shown().equation), QStringLiteral("the completed equation is wrong"));
    }

    // The completed equation, as a child would check it.
    bool holds(const DrillKind::Equation &e) const
    {
        const int a = e.first.toInt();
        const int b = e.second.toInt();
        const int r = e.result.toInt();
        return kind_.sign() == QStringLiteral("＋") ? a + b == r : a - b == r;
    }

    void check()
    {
        const NumberSitting::Shown shown = s_.shown();
        expect(s_.CLEAR_CNT() == rightAnswers_ || !loaded_, QStringLiteral("the count is not the right answers"));
        expect(loaded_ == (s_.phase() != SittingPhase::Closed), QStringLiteral("open while closed, or closed while open"));
        expect(!loaded_ || questionOpen(s_.phase()) || (shown.nextVisible && shown.nextEnabled) || readingDue_,
               QStringLiteral("stranded: nothing to click, no 次 and nothing due"));
        // Every open question can be answered with a tile.
        if (const auto unknown = kind_.openQuestion(shown.equation); unknown && questionOpen(s_.phase()))
            expect(unknown->answer >= 0 && unknown->answer < kind_.tileCount(),
                   QStringLiteral("no tile answers %1 %2 %3").arg(shown.equation.first, shown.equation.second,
                                                                  shown.equation.result));
    }

    DrillKind kind_;
    NumberSitting s_;
    bool readingDue_ = false; // Timer1
};

// The clock: Timer1 sets the fresh question a second after loading, Timer2
// asks the question, Timer3 reads the answered time. While a question is
// drawn, the child may click what the screen shows, and close the window and
// open it again; the window holds its timers meanwhile.
class ClockExplorer : public Explorer
{
public:
    explicit ClockExplorer(quint64 seed) : Explorer(seed), s_([this] { duringRedraw(); }) {}

    void run()
    {
        for (int i = 0; i < eventsPerSequence && failure.isEmpty(); ++i) {
            step();
            check();
        }
    }

private:
    void step()
    {
        if (!loaded_) {
            load();
            return;
        }
        switch (pick(8)) {
        case 0:
            wait();
            break;
        case 1:
            if (freshAtMs_ >= 0 && now_ >= freshAtMs_) {
                note(QStringLiteral("fresh question"));
                freshAtMs_ = -1;
                s_.freshQuestionDue();
            }
            break;
        case 2:
            ask();
            break;
        case 3:
            read();
            break;
        case 4:
        case 5:
            click(chance(60));
            break;
        case 6:
            if (const ClockSitting::Shown shown = s_.shown(); shown.nextVisible && shown.nextEnabled) {
                note(QStringLiteral("次"));
                const Sitting::Step posed = s_.next();
                promptDue_ = promptDue_ || (loaded_ && posed.due);
            }
            break;
        default:
            if (chance(25))
                close();
        }
    }

    void load()
    {
        note(QStringLiteral("load"));
        rightAnswers_ = 0;
        onScreen_ = false;
        loaded_ = true;
        loading_ = true;
        const Sitting::Step posed = s_.load(now_);
        loading_ = false;
        promptDue_ = posed.due;
        freshAtMs_ = now_ + 1000;
    }

    void close()
    {
        note(QStringLiteral("close"));
        expect(s_.close() == rightAnswers_, QStringLiteral("the count recorded is not the right answers"));
        loaded_ = false;
        promptDue_ = readingDue_ = false;
        freshAtMs_ = -1;
    }

    void ask()
    {
        if (!promptDue_)
            return;
        const std::optional<Sitting::Step> prompt = s_.promptDue(onScreen_, now_);
        if (!prompt) {
            note(QStringLiteral("prompt held"));
            return;
        }
        promptDue_ = false;
        note(QStringLiteral("prompt"));
        if (prompt->say.isEmpty())
            return;
        expect(said(*prompt) == QStringLiteral("いまなんじ？") && s_.shown().labelsVisible,
               QStringLiteral("asked \"%1\" without the labels to answer it").arg(said(*prompt)));
        s_.spoken();
    }

    void read()
    {
        if (!readingDue_)
            return;
        readingDue_ = false;
        note(QStringLiteral("reading"));
        const Sitting::Step reading = s_.readingDue();
        if (reading.say.isEmpty())
            return;
        const ClockSitting::Shown shown = s_.shown();
        const QString face = ClockWords::time(shown.hour, shown.minute);
        expect(reading.say.size() == 2 && said(reading).remove(QLatin1Char(' ')) == shown.answer && shown.answer == face,
               QStringLiteral("read \"%1\" for the answer %2 on the face %3").arg(said(reading), shown.answer, face));
        s_.spoken();
    }

    // The child clicks the label that shows the face's time, or another one.
    void click(bool right)
    {
        const ClockSitting::Shown shown = s_.shown();
        if (!shown.labelsVisible)
            return;
        const QString face = ClockWords::time(shown.hour, shown.minute);
        int index = pick(8);
        for (int i = 0; right && i < 8; ++i) {
            if (shown.labels[static_cast<size_t>(i)] == face)
                index = i;
        }
        const bool isRight = shown.labels[static_cast<size_t>(index)] == face;
        note(QStringLiteral("label %1").arg(index));
        const Sitting::Step judged = s_.label(index);
        expect(said(judged) == (isRight ? QStringLiteral("OK") : QStringLiteral("NG")),
               QStringLiteral("%1 was judged \"%2\" on the face %3")
                   .arg(shown.labels[static_cast<size_t>(index)], said(judged), face));
        if (said(judged) == QLatin1String("OK")) {
            ++rightAnswers_;
            readingDue_ = readingDue_ || judged.due;
        }
    }

    // The window's pending events while a wrong time is drawn again. Nothing
    // can reach a window that is loading, as it is not on the screen yet.
    void duringRedraw()
    {
        if (loading_ || redrawing_ || !loaded_)
            return;
        redrawing_ = true;
        note(QStringLiteral("[redraw"));
        expect(s_.drawingQuestion() && !s_.shown().nextEnabled,
               QStringLiteral("a question is drawn while the sitting says it is not, or 次 can be pressed"));
        switch (pick(4)) {
        case 0:
        case 1:
            click(chance(50));
            break;
        case 2:
            close();
            break;
        default:
            close();
            load();
        }
        check();
        note(QStringLiteral("]"));
        redrawing_ = false;
    }

    void check()
    {
        const ClockSitting::Shown shown = s_.shown();
        const QString face = ClockWords::time(shown.hour, shown.minute);
        expect(s_.CLEAR_CNT() == rightAnswers_ || !loaded_, QStringLiteral("the count is not the right answers"));
        expect(loaded_ == (s_.phase() != SittingPhase::Closed), QStringLiteral("open while closed, or closed while open"));
        expect(!loaded_ || shown.labelsVisible || (shown.nextVisible && shown.nextEnabled) || promptDue_
                   || readingDue_ || s_.drawingQuestion(),
               QStringLiteral("stranded: nothing to click, no 次 and nothing due"));
        if (shown.answerVisible)
            expect(shown.answer == face, QStringLiteral("the answer %1 under the face %2").arg(shown.answer, face));
        if (!shown.labelsVisible)
            return;
        static const QRegularExpression written(QStringLiteral("^(1[0-2]|[1-9])じ(0ふん|[1-5]?5ふん|[1-5]0ぷん)$"));
        int showingFace = 0;
        for (size_t i = 0; i < shown.labels.size(); ++i) {
            expect(written.match(shown.labels[i]).hasMatch(), QStringLiteral("a label reads %1").arg(shown.labels[i]));
            if (shown.labels[i] == face) {
                ++showingFace;
                expect(i < 4, QStringLiteral("the face's time in the lower row"));
            }
        }
        expect(showingFace == 1, QStringLiteral("%1 labels show the face's time %2").arg(showingFace).arg(face));
    }

    ClockSitting s_;
    bool promptDue_ = false;  // Timer2
    bool readingDue_ = false; // Timer3
    qint64 freshAtMs_ = -1;   // Timer1
    bool loading_ = false;
    bool redrawing_ = false;
};
} // namespace

class TestSittingExplorer : public QObject
{
    Q_OBJECT
private slots:
    // Every sequence is one drill's sitting: every other one the clock (a
    // question drawn again, and the clicks made meanwhile, are rare), the
    // number drills in turn between them. The seed of a sequence sets both
    // the events and the drill's draws.
    void randomSequencesKeepTheRules()
    {
        const auto drills = DrillTable::all();
        const DrillTable::Entry &clock = *std::find_if(drills.begin(), drills.end(), [](const auto &d) {
            return d.isClock();
        });
        for (int seed = 0; seed < sequences; ++seed) {
            RandomDraw::setSource(std::make_unique<SeededRandomSource>(static_cast<quint64>(seed)));
            const DrillTable::Entry &drill = seed % 2 ? drills[static_cast<size_t>(seed / 2) % drills.size()] : clock;
            QString failure;
            if (drill.isClock()) {
                ClockExplorer explorer(static_cast<quint64>(seed));
                explorer.run();
                failure = explorer.failure;
            } else {
                NumberExplorer explorer(drill, static_cast<quint64>(seed));
                explorer.run();
                failure = explorer.failure;
            }
            QVERIFY2(failure.isEmpty(), qPrintable(QStringLiteral("%1, seed %2: %3").arg(drill.name()).arg(seed).arg(failure)));
        }
        RandomDraw::setSource(nullptr);
    }
};

SANSU_TEST_MAIN(TestSittingExplorer)
#include "test_sitting_explorer.moc"
