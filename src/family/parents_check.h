#pragma once

#include <QDateTime>
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

    // After the third wrong answer the check is not asked again for a while,
    // so that guessing takes longer than a child waits. The pause is kept in
    // the data folder (in this process alone without one), so closing and
    // reopening the check, or the program, does not shorten it.
    static constexpr int pauseSeconds = 30;
    static inline const QString pauseFileName = QStringLiteral(".parents-check.pause");
    static void startPause(const QString &dataFolder, const QDateTime &now);
    // Whole seconds of the pause left at `now`; 0 when the check may be asked.
    // A clock set back never makes it longer than a pause.
    static int pauseLeft(const QString &dataFolder, const QDateTime &now);

private:
    void drawQuestion();

    Draw draw_;
    State state_ = State::Asking;
    int tens_ = 10;
    int ones_ = 2;
    int wrong_ = 0;
};
