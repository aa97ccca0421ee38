#pragma once

#include <QString>

// The rules of a pupil's name on a class roster: kana (hiragana, katakana and
// ー) and spaces, up to 20 letters, as school systems write a family name and
// a given name with a space between. Half-width katakana are written
// full-width and a voiced mark is joined to its letter as a child's name is;
// runs of half- and full-width spaces become one full-width space, and none
// stand at either end. A name of nothing but ー and spaces is no name.
class RosterName
{
public:
    enum class Problem {
        None,
        Empty,
        NotKana,
        TooLong,
    };
    static constexpr int maxLength = 20;

    static QString normalised(const QString &written);
    // Any text with its runs of half- and full-width spaces made one
    // full-width space, and none at either end.
    static QString foldedSpaces(const QString &text);
    static Problem problemOf(const QString &written);
    // What names are matched by across rosters: the normalised name in
    // katakana without its spaces (やまだ　はな, ヤマダハナ and ﾔﾏﾀﾞ ﾊﾅ are one).
    static QString key(const QString &name);
};
