#pragma once

#include "drill/drill_kind.h"
#include "sitting/missed_questions.h"
#include "sitting/sitting.h"

#include <optional>

// The rules of one number-drill sitting, without any widget. A question is
// posed on loading and on each 次; its reading follows once the window is
// idle; a tile is judged by its number; a right answer completes the
// equation, counts, and has the completed equation read; 次 is offered once
// that reading has ended. When a parent chose it, a question whose first
// answer was wrong comes back after two others, in place of a new draw.
//
//   phase            event                 next phase        says
//   (any)            load                  Posed             -
//   Posed            reading due           Asking            the equation with "？"
//   Asking           reading ended         Open              -
//   Posed/Asking/Open  wrong tile          (same)            NG
//   Posed/Asking/Open  right tile          AnsweredPending   OK
//   AnsweredPending  reading due           Reading           the completed equation
//   Reading          reading ended         Answered          -
//   any but Closed   次                    Posed             -
//   any              close                 Closed            -
// Any other pair changes nothing and says nothing.
class NumberSitting : public Sitting
{
public:
    explicit NumberSitting(const DrillKind &kind);

    // What the window shows.
    struct Shown
    {
        DrillKind::Equation equation;
        bool nextVisible = true; // "次（つぎ）"
        bool nextEnabled = true;
    };
    Shown shown() const;

    // The window loads: a new sitting and its first question; its reading is
    // due. askMissedAgain: missed questions come back (the parent's choice).
    Step load(qint64 nowMs, bool askMissedAgain = false);
    // 次: a new question replaces the one shown, whatever its state.
    Step next();
    // A tile is clicked; it is judged by the number in its caption.
    Step tile(const QString &caption);
    // The reading timer fired: the equation to read, box by box, or nothing
    // when the first reading still waits for the window to reach the screen.
    std::optional<Step> readingDue(bool onScreen, qint64 nowMs);

private:
    Step pose();

    const DrillKind kind_;
    DrillKind::Equation equation_;
    MissedQuestions<DrillKind::Equation> missed_;
};
