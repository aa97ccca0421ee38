#pragma once

#include <QString>

#include <span>

// The drills, one row each: everything that tells one drill from another, so
// that a drill is added by adding its row. A drill's caption (full-width
// digits) is its name everywhere the child or a parent reads it: on its menu
// button, in its window title, in the results table's 科目 column and on its
// score-window option; its window name uses ASCII digits. The rows stand in
// the order of the score window's options, which is also the menu's tab
// order; the menu numbers its buttons differently (menuIndex).
class DrillTable
{
public:
    // What a number drill's equation does; the sign and small word follow.
    enum class Operation { Add, Subtract };
    // How a drill poses its questions.
    enum class Posing {
        SumWithin,        // a + b = ?, the sum at most the limit
        DifferenceWithin, // a - b = ?, b below a (except 0 - 0 and 1 - 1)
        MakeTen,          // g + ? = 10 or ? + g = 10
        TenMinus,         // 10 - b = ?
        Clock,            // which written time the clock face shows
    };

    struct Place
    {
        double left;
        double top;
    };

    struct Entry
    {
        const char16_t *windowName;
        const char16_t *caption;
        int menuIndex;     // its menu button, Command1(menuIndex)
        Place menuButton;  // where that button stands (twips)
        Posing posing;
        Operation operation; // number drills
        int limit;           // number drills: the largest number of a question
        Place clearCount;    // where the clear count stands (twips)
        double clearCountHeight;

        QString window() const { return QString::fromUtf16(windowName); }
        QString name() const { return QString::fromUtf16(caption); }
        bool isClock() const { return posing == Posing::Clock; }
        // The score window's option of this drill, Option1(scoreIndex).
        int scoreIndex() const;
    };

    // Every drill, in the score window's order.
    static std::span<const Entry> all();
    static int count() { return static_cast<int>(all().size()); }
    // The drill of a menu button; nullptr for an index that has none.
    static const Entry *atMenuIndex(int index);

    // "＋" or "－", and the small word above it: "たす" or "ひく".
    static QString sign(Operation operation);
    static QString smallWord(Operation operation);
};
