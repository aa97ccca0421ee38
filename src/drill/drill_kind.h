#pragma once

#include "platform/drill_table.h"

#include <QString>

#include <optional>

// How a number drill poses a question by draws modulo k and checks an answer,
// by its row of the drill table. The window is the same for every kind.
class DrillKind
{
public:
    using Posing = DrillTable::Posing;
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

    static const QString questionMark; // "？" U+FF1F
    static const QString equalsSign;   // "＝" U+FF1D

    // A number drill's row (not the clock's).
    explicit DrillKind(const DrillTable::Entry &drill);

    QString sign() const { return DrillTable::sign(drill_->operation); }
    QString smallWord() const { return DrillTable::smallWord(drill_->operation); }
    // Tiles 0 to the limit.
    int tileCount() const { return drill_->limit + 1; }

    // The captions the boxes carry before the first question.
    Equation initialEquation() const;
    // A new question by draws modulo k, in this kind's order of draws; boxes
    // this kind never writes keep their captions from `shown`.
    Equation pose(const Equation &shown) const;
    // The open question of the equation shown, or nothing when it is answered
    // (no box shows "？") or a number box does not hold a number.
    std::optional<Unknown> openQuestion(const Equation &shown) const;

private:
    const DrillTable::Entry *drill_;
};
