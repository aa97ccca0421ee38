#pragma once

#include <QString>

#include <functional>
#include <optional>

// The rules of the check before the parents' corner: the product of a
// two-digit and a one-digit number (10-99 x 2-9), typed in. A question is
// drawn when the check opens and again after each wrong answer; the third
// wrong answer closes the check.
class ParentsCheck
{
public:
    // A draw from 0 to k - 1: the program's one generator, or a test's script.
    using Draw = std::function<int(int k)>;
    enum class State { Asking, Passed, Closed };
    static constexpr int tries = 3;

    // Opens the check: draws its first question.
    explicit ParentsCheck(Draw draw);

    State state() const { return state_; }
    // The question as it is shown, a two-digit by a one-digit number: "37 × 6 ＝ ？".
    QString question() const;
    // Wrong answers left before the check closes.
    int triesLeft() const { return tries - wrong_; }

    // Judges what was typed: Passed when it is the product, otherwise Asking
    // with a fresh question, or Closed after the third wrong answer. Once
    // passed or closed, the state stays as it is.
    State answer(const QString &typed);

    // The number typed: digits, half- or full-width, with blanks around them;
    // nothing for anything else (a sign, a point, blanks between digits).
    static std::optional<long long> numberOf(const QString &typed);

private:
    void drawQuestion();

    Draw draw_;
    State state_ = State::Asking;
    int tens_ = 10;
    int ones_ = 2;
    int wrong_ = 0;
};
