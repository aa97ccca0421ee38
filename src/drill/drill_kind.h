#pragma once

#include "platform/drill_table.h"

#include <QString>

#include <optional>
#include <span>

// What makes one number drill different from the others: its sign and small
// word, its tiles and window height, where its clear count stands,
// how it poses a question by draws modulo k, and how it checks an answer. The
// window itself is the same for all six kinds.
class DrillKind
{
public:
    enum class Operation { Add, Subtract };
    enum class Posing {
        SumWithin,        // a + b = ?, the sum at most the limit
        DifferenceWithin, // a - b = ?, b below a (except 0 - 0 and 1 - 1)
        MakeTen,          // g + ? = 10 or ? + g = 10
        TenMinus,         // 10 - b = ?
    };
    // The three number boxes, left to right: first number, second number, result.
    enum class Box { First, Second, Result };

    // The captions of the three number boxes as the window shows them.
    struct Equation
    {
        QString first;
        QString second;
        QString result;
        bool operator==(const Equation &) const = default;
    };

    // An open question: the box that shows "？" and the number that answers it.
    struct Unknown
    {
        Box box;
        int answer;
    };

    struct Placement
    {
        double left;
        double top;
        double width;
        double height;
    };

    static const QString questionMark; // "？" U+FF1F

    constexpr DrillKind(int menuIndex, Operation operation, Posing posing, int limit,
                        double clearLeft, double clearTop, double clearHeight)
        : menuIndex_(menuIndex), operation_(operation), posing_(posing), limit_(limit),
          clearLeft_(clearLeft), clearTop_(clearTop), clearHeight_(clearHeight)
    {
    }

    // The six kinds, in the menu index order of their drills (0 to 5).
    static std::span<const DrillKind> all();

    // The drill this kind is: its window name and caption.
    const DrillTable::Entry &drill() const { return DrillTable::atMenuIndex(menuIndex_); }
    Operation operation() const { return operation_; }
    Posing posing() const { return posing_; }
    QString sign() const;        // "＋" or "－"
    QString smallWord() const;   // "たす" or "ひく"
    int limit() const { return limit_; }
    int tileCount() const { return limit_ + 1; }
    double clientHeight() const;
    double nextButtonTop() const;
    Placement clearCountPlacement() const;

    // The captions the boxes carry before the first question.
    Equation initialEquation() const;
    // A new question by draws modulo k, in this kind's order of draws; boxes
    // this kind never writes keep their captions from `shown`.
    Equation pose(const Equation &shown) const;
    // The open question of the equation shown, or nothing when it is answered
    // (no box shows "？") or a number box does not hold a number.
    std::optional<Unknown> openQuestion(const Equation &shown) const;

private:
    int menuIndex_;
    Operation operation_;
    Posing posing_;
    int limit_;
    double clearLeft_;
    double clearTop_;
    double clearHeight_;
};
