// Both drills' sittings, without windows, driven through many seeded random
// event sequences the way their windows feed them: loads, timers that fire
// when due (the first prompt held while the window is not on the screen),
// prompts and readings played to their end, right and wrong clicks, 次 when it
// is offered, the clock's fresh question, clicks made while a clock question
// is drawn, closes and reopens; half of them with missed questions asked
// again. Some practise as a child of a family on disk, their sittings written
// as a window writes them, while a parent in another process removes children.
// After every event the rules that must always hold are checked; a failure
// names the seed and the events that led to it.
#include "clock/clock_sitting.h"
#include "drill/number_sitting.h"
#include "family/family.h"
#include "files/file_lock.h"
#include "platform/clock_words.h"
#include "platform/random_draw.h"
#include "platform/seeded_random_source.h"
#include "store/record_database.h"
#include "store/results_log.h"
#include "support/test_main.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <deque>
#include <numeric>
#include <random>
#include <type_traits>

namespace {
// Fewer under the sanitizers, whose every allocation costs many times more:
// there they look for memory faults, which a fifth of the runs reaches too.
#ifdef SANSU_EXPLORER_SEQUENCES
constexpr int sequences = SANSU_EXPLORER_SEQUENCES;
#else
constexpr int sequences = 100000;
#endif
constexpr int eventsPerSequence = 24;
// Every this many sequences practise in a family on disk.
constexpr int familyEvery = 2500;

// The drills' draws, counted: a question that comes back takes none.
class CountedDraws : public SeededRandomSource
{
public:
    using SeededRandomSource::SeededRandomSource;
    double next() override
    {
        ++taken;
        return SeededRandomSource::next();
    }
    static inline int taken = 0;
};

// What the runs came to, for the test's summary line.
int missedFigure = 0;
int cameBackFigure = 0;
int parentsFigure = 0;

// The words a step says: the names of its prompt files.
QString said(const Sitting::Step &step)
{
    QStringList words;
    for (const QString &path : step.say)
        words << QFileInfo(path).completeBaseName();
    return words.join(QLatin1Char(' '));
}

bool questionOpen(SittingPhase phase)
{
    return phase == SittingPhase::Posed || phase == SittingPhase::Asking || phase == SittingPhase::Open;
}

// The time the clock's face shows, as its labels write it.
QString face(const ClockSitting::Shown &shown)
{
    return ClockWords::time(shown.hour, shown.minute);
}

// はなこ of a family of two practising, as a desktop start's copy does: her
// folder held for the whole run, each sitting with right answers written to
// her results file at its close.
struct PractisingChild
{
    PractisingChild()
    {
        Family(data).form(QStringLiteral("たろう"), QStringLiteral("はなこ"));
        ResultsLog(file).create();
        held.takeFolder(folder, FileLock::Mode::Shared);
    }
    // A parent in another copy removes はなこ or her brother: refused for her.
    bool removes(const QString &id) const
    {
        QProcess parent;
        parent.start(QStringLiteral(SANSU_HELPER_DIR "/other_copy"), {"family", data, "0", "remove", id});
        return parent.waitForFinished(30000) && parent.exitStatus() == QProcess::NormalExit && parent.exitCode() == 0;
    }
    // The rows in her file, where her copy writes them; -1 when it is gone.
    int rows() const
    {
        RecordDatabase db;
        const auto counted = db.open(file) ? db.query(QStringLiteral("SELECT count(*) FROM LOG")) : std::nullopt;
        return counted ? counted->front().front().toInt() : -1;
    }

    QTemporaryDir root;
    const QString data = root.filePath(QStringLiteral("data"));
    const QString folder = data + QStringLiteral("/child-2");
    const QString file = folder + QStringLiteral("/ADO_ZEM.MDB");
    FileLock held;
    int written = 0;
};

// A rule that must hold after an event. The message, which names what broke
// it, is only built when it does not: most runs never need one.
#define EXPECT(holds, message)                                                                     \
    do {                                                                                           \
        if (!(holds))                                                                              \
            fail(message);                                                                         \
    } while (false)

// What a window does around its sitting, as far as both drills share it: the
// random choices, the window's clock and screen, the right answers counted
// from outside, and the first rule broken.
template <typename Rules>
class Explorer
{
public:
    Explorer(quint64 seed, bool askAgain, Rules rules) : choices_(seed), s_(std::move(rules)), askAgain_(askAgain) {}

    // Each event is one of those the window can take now, as a child would
    // come to them: time passing, a timer that is due, a click, 次 when it
    // is offered; now and then the window is closed. The first rule broken,
    // with the events that led to it; empty when none is.
    QString run()
    {
        for (int i = 0; i < eventsPerSequence && failure_.isEmpty(); ++i) {
            if (!loaded_) {
                load();
                continue;
            }
            const auto shown = s_.shown();
            const bool next = shown.nextVisible && shown.nextEnabled;
            const bool due = promptDue_ || readingDue_ || (freshAtMs_ >= 0 && now_ >= freshAtMs_);
            const int weights[] = {1, due ? 4 : 0, clickable() ? 4 : 0, next ? 4 : 0, 1, family_ ? 1 : 0};
            int choice = pick(std::accumulate(std::begin(weights), std::end(weights), 0));
            int event = 0;
            while (choice >= weights[event])
                choice -= weights[event++];
            switch (event) {
            case 0:
                now_ += pick(700);
                onScreen_ = onScreen_ || chance(50);
                break;
            case 1:
                fireTimer();
                break;
            case 2:
                click(chance(60));
                break;
            case 3: {
                note(QStringLiteral("次"));
                const int sitting = sittings_;
                const int drawn = CountedDraws::taken;
                const Sitting::Step posed = s_.next();
                promptDue_ = promptDue_ || (loaded_ && posed.due);
                if (posed.due && sitting == sittings_)
                    this->posed(CountedDraws::taken - drawn);
                break;
            }
            case 4:
                if (chance(30))
                    close();
                break;
            default:
                parentsChange();
            }
            check();
        }
        return failure_;
    }

protected:
    virtual void fireTimer() = 0;
    virtual void click(bool right) = 0;
    virtual void check() = 0;
    virtual bool clickable() const = 0;
    // What identifies the question shown: its boxes, or its time and labels.
    virtual QString question() const = 0;
    // Whether the question shown, posed taking `drawn` draws, is `missed` come back.
    virtual bool cameBack(const QString &missed, int drawn) const = 0;

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(choices_); }
    bool chance(int percent) { return pick(100) < percent; }
    void note(const QString &event) { trace_ << event; }
    void fail(const QString &rule)
    {
        if (failure_.isEmpty())
            failure_ = rule + QStringLiteral("\n    after: ") + trace_.join(QStringLiteral(", "));
    }
    // A new sitting; the clock's first question is drawn afresh a second later.
    void load()
    {
        note(QStringLiteral("load"));
        rightAnswers_ = 0;
        onScreen_ = false;
        loaded_ = true;
        ++sittings_;
        missed_.clear();
        posings_ = 0;
        loading_ = true; // not on the screen: nothing reaches it
        const int drawn = CountedDraws::taken;
        promptDue_ = s_.load(now_, askAgain_).due;
        loading_ = false;
        if constexpr (std::is_same_v<Rules, ClockSitting>)
            freshAtMs_ = now_ + 1000;
        posed(CountedDraws::taken - drawn);
    }
    void close()
    {
        note(QStringLiteral("close"));
        ++sittings_;
        const int count = s_.close();
        EXPECT(count == rightAnswers_, QStringLiteral("the count recorded is not the right answers"));
        if (family_ && count > 0) {
            const bool written = ResultsLog(family_->file)
                                     .append({QStringLiteral("2001/04/27 9:05:03"), QStringLiteral("とけい"), QString::number(count)})
                                     .done;
            EXPECT(written, QStringLiteral("a sitting could not be written"));
            family_->written += written;
        }
        loaded_ = promptDue_ = readingDue_ = false;
        freshAtMs_ = -1;
    }
    // A parent in another copy removes a child while this one practises: her
    // removal is refused, her brother's is not, and no row of hers is lost.
    void parentsChange()
    {
        const bool her = chance(70);
        note(her ? QStringLiteral("parent removes her") : QStringLiteral("parent removes her brother"));
        const bool removed = family_->removes(her ? QStringLiteral("child-2") : QStringLiteral("child-1"));
        ++parentsFigure;
        EXPECT(!her || !removed, QStringLiteral("her folder was removed while she practised"));
        EXPECT(family_->rows() == family_->written, QStringLiteral("%1 of %2 rows kept").arg(family_->rows()).arg(family_->written));
    }
    // A question was posed, taking `drawn` draws: a new one is drawn unless
    // a missed one is due, which comes back, the oldest first.
    void posed(int drawn)
    {
        ++posings_;
        const bool due = !missed_.empty() && missed_.front().second + 3 <= posings_;
        if (due) {
            EXPECT(cameBack(missed_.front().first, drawn),
                   missed_.front().first + QStringLiteral(" was not asked again in its turn"));
            missed_.pop_front();
            ++cameBackFigure;
        } else {
            EXPECT(drawn > 0, question() + QStringLiteral(" was posed without a draw, not a missed question due"));
        }
        replaced();
    }
    // The question on the screen is new to the child: its first answer is to come.
    void replaced()
    {
        current_ = question();
        answeredOnce_ = false;
    }
    // The verdict on a click made while the question was `open` or not; a
    // right answer counts and has its reading due. A wrong first answer,
    // with the parent's choice, has the question back.
    void judged(bool open, bool right, const Sitting::Step &verdict)
    {
        if (open && !std::exchange(answeredOnce_, true) && !right && askAgain_ && missed_.size() < 5) {
            missed_.push_back({current_, posings_});
            ++missedFigure;
        }
        const QString heard = said(verdict);
        const QString expected = !open ? QString() : right ? QStringLiteral("OK") : QStringLiteral("NG");
        EXPECT(heard == expected, QStringLiteral("%1 was judged \"%2\", not \"%3\"").arg(trace_.last(), heard, expected));
        if (heard == QLatin1String("OK")) {
            ++rightAnswers_;
            readingDue_ = readingDue_ || verdict.due;
        }
    }
    // Never stranded: something to click, 次, or something due.
    void checkCommon(const typename Rules::Shown &shown, bool clickable, bool somethingDue)
    {
        EXPECT(!loaded_ || s_.CLEAR_CNT() == rightAnswers_, QStringLiteral("the count is not the right answers"));
        EXPECT(loaded_ == (s_.phase() != SittingPhase::Closed), QStringLiteral("open while closed, or the reverse"));
        EXPECT(!loaded_ || clickable || (shown.nextVisible && shown.nextEnabled) || somethingDue,
               QStringLiteral("stranded: nothing to click, no 次 and nothing due"));
    }

public:
    // Practises as はなこ of a family on disk.
    void inFamily() { family_ = std::make_unique<PractisingChild>(); }

protected:
    std::unique_ptr<PractisingChild> family_;
    std::mt19937_64 choices_;
    Rules s_;
    QStringList trace_;
    QString failure_;
    qint64 now_ = 0;
    bool onScreen_ = false;
    bool loaded_ = false;
    bool loading_ = false;
    int rightAnswers_ = 0;
    bool promptDue_ = false;  // the question's prompt or reading
    bool readingDue_ = false; // the answer's reading
    qint64 freshAtMs_ = -1;   // the clock's fresh question
    const bool askAgain_;     // missed questions come back
    // Missed questions waiting to come back, the oldest first, each with the
    // posing it was missed in.
    std::deque<std::pair<QString, int>> missed_;
    int posings_ = 0;
    int sittings_ = 0;          // sittings begun and ended
    QString current_;
    bool answeredOnce_ = false;
};

// A number drill: one timer reads the question or the answer once it is due.
class NumberExplorer : public Explorer<NumberSitting>
{
public:
    NumberExplorer(const DrillTable::Entry &drill, quint64 seed, bool askAgain)
        : Explorer(seed, askAgain, NumberSitting(DrillKind(drill))), kind_(drill)
    {
    }

private:
    bool clickable() const override { return true; } // the tiles never hide
    DrillKind::Equation equation() const { return s_.shown().equation; }
    QString question() const override
    {
        const DrillKind::Equation e = equation();
        return e.first + QLatin1Char(' ') + e.second + QLatin1Char(' ') + e.result;
    }
    // Whole, the same numbers in the same boxes, and taking no draw.
    bool cameBack(const QString &missed, int drawn) const override { return drawn == 0 && missed == question(); }

    void fireTimer() override
    {
        const std::optional<Sitting::Step> reading = s_.readingDue(onScreen_, now_);
        note(reading ? QStringLiteral("reading") : QStringLiteral("reading held"));
        if (!reading)
            return;
        promptDue_ = readingDue_ = false;
        const DrillKind::Equation e = equation();
        const QString boxes = QStringList{e.first, kind_.sign(), e.second, DrillKind::equalsSign, e.result}.join(' ');
        EXPECT(reading->say.isEmpty() || said(*reading) == boxes,
               QStringLiteral("read \"%1\" for \"%2\"").arg(said(*reading), boxes));
        s_.spoken();
    }

    void click(bool right) override
    {
        const std::optional<DrillKind::Unknown> unknown = kind_.openQuestion(equation());
        const int number = right && unknown ? unknown->answer : pick(kind_.tileCount());
        note(QStringLiteral("tile %1").arg(number));
        const bool open = questionOpen(s_.phase());
        judged(open, unknown && number == unknown->answer, s_.tile(QString::number(number)));
        // The completed equation, as a child would check it.
        const DrillKind::Equation e = equation();
        const int a = e.first.toInt(), b = e.second.toInt(), r = e.result.toInt();
        EXPECT(questionOpen(s_.phase()) || (kind_.sign() == QStringLiteral("＋") ? a + b == r : a - b == r),
               QStringLiteral("answered as %1 %2 %3").arg(e.first, e.second, e.result));
    }

    void check() override
    {
        const NumberSitting::Shown shown = s_.shown();
        checkCommon(shown, questionOpen(s_.phase()), promptDue_ || readingDue_);
        const auto unknown = kind_.openQuestion(shown.equation);
        EXPECT(!unknown || (unknown->answer >= 0 && unknown->answer < kind_.tileCount()),
               QStringLiteral("no tile answers %1").arg(unknown->answer));
    }

    DrillKind kind_;
};

// The clock: a fresh question a second after loading, the question's prompt,
// the answered time's reading. While a question is drawn the child may click
// what the screen shows, or close the window and open it again; the window's
// timers wait meanwhile.
class ClockExplorer : public Explorer<ClockSitting>
{
public:
    ClockExplorer(quint64 seed, bool askAgain) : Explorer(seed, askAgain, ClockSitting([this] { duringRedraw(); })) {}

private:
    bool clickable() const override { return s_.shown().labelsVisible; }
    QString question() const override
    {
        const ClockSitting::Shown shown = s_.shown();
        return face(shown) + QLatin1Char(' ') + QStringList(shown.labels.begin(), shown.labels.end()).join(QLatin1Char(' '));
    }
    // The same time, its labels drawn afresh: not where the child saw them.
    bool cameBack(const QString &missed, int drawn) const override
    {
        return drawn > 0 && missed.section(QLatin1Char(' '), 0, 0) == face(s_.shown()) && missed != question();
    }

    void fireTimer() override
    {
        if (freshAtMs_ >= 0 && now_ >= freshAtMs_ && chance(50)) {
            note(QStringLiteral("fresh question"));
            freshAtMs_ = -1;
            const int sitting = sittings_;
            const QString before = question();
            s_.freshQuestionDue();
            if (sitting == sittings_ && question() != before)
                replaced(); // in place of the first, not a question more
        } else if (promptDue_) {
            const std::optional<Sitting::Step> prompt = s_.promptDue(onScreen_, now_);
            note(prompt ? QStringLiteral("prompt") : QStringLiteral("prompt held"));
            if (!prompt)
                return;
            promptDue_ = false;
            EXPECT(prompt->say.isEmpty() || (said(*prompt) == QStringLiteral("いまなんじ？") && s_.shown().labelsVisible),
                   QStringLiteral("asked \"%1\" without labels").arg(said(*prompt)));
            s_.spoken();
        } else if (readingDue_) {
            readingDue_ = false;
            note(QStringLiteral("reading"));
            const Sitting::Step reading = s_.readingDue();
            const ClockSitting::Shown shown = s_.shown();
            EXPECT(reading.say.isEmpty()
                       || (reading.say.size() == 2 && said(reading).remove(' ') == shown.answer && shown.answer == face(shown)),
                   QStringLiteral("read \"%1\" for %2 on the face %3").arg(said(reading), shown.answer, face(shown)));
            s_.spoken();
        }
    }

    // The child clicks the label that shows the face's time, or another one.
    void click(bool right) override
    {
        const ClockSitting::Shown shown = s_.shown();
        if (!shown.labelsVisible)
            return;
        const QString time = face(shown);
        const auto showingFace = std::find(shown.labels.begin(), shown.labels.end(), time);
        const int index = right && showingFace != shown.labels.end()
                              ? static_cast<int>(showingFace - shown.labels.begin()) : pick(8);
        note(QStringLiteral("label %1").arg(index));
        judged(true, shown.labels[static_cast<size_t>(index)] == time, s_.label(index));
    }

    // The window's pending events while a wrong time is drawn again.
    void duringRedraw()
    {
        if (loading_ || redrawing_ || !loaded_)
            return;
        redrawing_ = true;
        note(QStringLiteral("[redraw"));
        EXPECT(s_.drawingQuestion() && !s_.shown().nextEnabled,
               QStringLiteral("drawn while the sitting says it is not, or 次 can be pressed"));
        if (chance(50)) {
            click(chance(50));
        } else {
            close();
            if (chance(50))
                load();
        }
        check();
        note(QStringLiteral("]"));
        redrawing_ = false;
    }

    void check() override
    {
        const ClockSitting::Shown shown = s_.shown();
        const QString time = face(shown);
        checkCommon(shown, shown.labelsVisible, promptDue_ || readingDue_ || s_.drawingQuestion());
        EXPECT(!shown.answerVisible || shown.answer == time,
               QStringLiteral("the answer %1 under the face %2").arg(shown.answer, time));
        static const QRegularExpression written(QStringLiteral("^(1[0-2]|[1-9])じ(0ふん|[1-5]?5ふん|[1-5]0ぷん)$"));
        for (size_t i = 0; shown.labelsVisible && i < shown.labels.size(); ++i) {
            EXPECT(written.match(shown.labels[i]).hasMatch(), QStringLiteral("a label reads ") + shown.labels[i]);
            EXPECT((shown.labels[i] == time) == (static_cast<int>(i) == s_.ANS_NO()) && s_.ANS_NO() < 4,
                   QStringLiteral("label %1 of %2 shows the face's time %3").arg(i).arg(s_.ANS_NO()).arg(time));
        }
    }

    bool redrawing_ = false;
};
} // namespace

class TestSittingExplorer : public QObject
{
    Q_OBJECT
private slots:
    // Every other sequence is the clock's (a question drawn again, and the
    // clicks made meanwhile, are rare), the number drills in turn between
    // them. A sequence's seed sets both its events and the drill's draws.
    void randomSequencesKeepTheRules()
    {
        const auto drills = DrillTable::all();
        for (int seed = 0; seed < sequences; ++seed) {
            RandomDraw::setSource(std::make_unique<CountedDraws>(static_cast<quint64>(seed)));
            const DrillTable::Entry &drill = drills[static_cast<size_t>(seed / 2) % drills.size()];
            const bool askAgain = seed % 4 < 2;
            QString failure;
            if (seed % 2 == 0 || drill.isClock()) {
                ClockExplorer explorer(static_cast<quint64>(seed), askAgain);
                if (seed % familyEvery == 0)
                    explorer.inFamily();
                failure = explorer.run();
            } else {
                NumberExplorer explorer(drill, static_cast<quint64>(seed), askAgain);
                if (seed % familyEvery == 1)
                    explorer.inFamily();
                failure = explorer.run();
            }
            if (!failure.isEmpty())
                QFAIL(qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(failure)));
        }
        RandomDraw::setSource(nullptr);
        qInfo("%d sequences, half with missed questions asked again: %d missed, %d came back; %d parents' changes", sequences,
              missedFigure, cameBackFigure, parentsFigure);
    }
};

SANSU_TEST_MAIN(TestSittingExplorer)
#include "test_sitting_explorer.moc"
