#pragma once

#include "clock/clock_question.h"
#include "sitting/missed_questions.h"
#include "sitting/sitting.h"

#include <functional>
#include <optional>

// The rules of one clock-drill sitting, without any widget. A question is
// set on loading and on each 次, and once more a second after loading while
// the first one is still unanswered; "いまなんじ？" is asked once the window
// is idle; a right label counts, shows the chosen time in place of the eight
// and has the answered time read aloud, its hour word and its minute word;
// 次 is offered once that has ended.
//
//   phase                 event                 next phase        says
//   (any)                 load                  Posed             -
//   Posed                 prompt due            Asking            いまなんじ？
//   Asking                prompt ended          Open              -
//   Posed/Asking/Open     fresh question time   (same), new time  -
//   AnsweredPending/Reading/Answered  fresh question time  (same) - (dropped)
//   Posed/Asking/Open     wrong label           (same)            NG
//   Posed/Asking/Open     right label           AnsweredPending   OK
//   AnsweredPending       reading due           Reading           3じ 15ふん
//   Reading               reading ended         Answered          -
//   any but Closed        次                    Posed             -
//   any                   close                 Closed            -
// Any other pair changes nothing and says nothing. The fresh question comes
// at most once, and never after the first right answer of the sitting. When
// a parent chose it, a question whose first answer was wrong comes back on a
// later 次 (after two others): the same time on the face, its answer placed
// and its seven wrong times drawn afresh (an answer index and seven times,
// no new time).
//
// While a wrong time that equals the asked one is drawn again, the window's
// pending events are run (the child's clicks among them). Until the new
// question is wholly drawn, the sitting stays as the child sees it: the
// question, its labels and its phase are the ones on the screen, a click is
// judged against them, and 次 is disabled. A question answered meanwhile is
// not replaced by the fresh one; a sitting closed or begun anew meanwhile
// drops the question it was drawing.
class ClockSitting : public Sitting
{
public:
    // Runs the window's pending events while a wrong time that equals the
    // asked one is drawn again.
    using PendingEvents = std::function<void()>;
    explicit ClockSitting(PendingEvents handlePending = nullptr);

    // What the window shows.
    struct Shown
    {
        std::array<QString, 8> labels;
        bool labelsVisible = false; // the eight answer labels
        QString answer;
        bool answerVisible = false; // the chosen right answer
        bool nextVisible = false;   // "次(つぎ)"
        bool nextEnabled = true;
        int hour = 12;              // the time on the face
        int minute = 0;
    };
    Shown shown() const;
    // Counts the questions set, so a window can tell when the face is new.
    int questionsSet() const { return questionsSet_; }
    // True while a question is being drawn: the window's timers hold their
    // work until it is set.
    bool drawingQuestion() const { return drawing_ > 0; }

    int ANS_NO() const { return question_.answerIndex; }
    QString HOUR_TXT() const { return QString::number(question_.hour); }
    QString MIN_TXT() const { return QString::number(question_.minute); }

    // The window loads: a new sitting and its first question; its prompt is
    // due (not when the window was closed or loaded again while it was
    // drawn). askMissedAgain: missed questions come back (the parent's choice).
    Step load(qint64 nowMs, bool askMissedAgain = false);
    // 次: a new question replaces the one shown; its prompt is due.
    Step next();
    // A second after loading: a fresh question replaces the load-time one
    // while that one is unanswered, unprompted.
    Step freshQuestionDue();
    // The prompt timer fired: the question to ask, or nothing when the first
    // prompt still waits for the window to reach the screen.
    std::optional<Step> promptDue(bool onScreen, qint64 nowMs);
    // The answer label `index` (0 to 7) is clicked.
    Step label(int index);
    // The reading timer fired: the answered time, its hour word and its
    // minute word, as the chosen label writes them.
    Step readingDue();

private:
    // Draws a new question, or the labels of `again` anew, running the
    // pending events at each redraw; nothing when the sitting ended or began
    // anew meanwhile.
    std::optional<ClockQuestion> drawQuestion(const std::optional<ClockQuestion> &again = std::nullopt);
    void adopt(const ClockQuestion &question);

    PendingEvents handlePending_;
    ClockQuestion question_;
    std::array<QString, 8> labels_;
    QString answer_;
    int answeredHour_ = 12;
    int answeredMinute_ = 0;
    int questionsSet_ = 0;
    int drawing_ = 0;
    bool freshQuestionWanted_ = false;
    MissedQuestions<ClockQuestion> missed_;
};
