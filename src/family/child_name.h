#pragma once

#include <QSet>
#include <QString>

// The rules of a child's name: kana only (hiragana, katakana and the long
// vowel mark ー), 1 to 8 characters, and no two children of a family whose
// names differ only in hiragana against katakana or in width (たろう, タロウ and
// ﾀﾛｳ are one name). The messages are for the parents' corner to show.
class ChildName
{
public:
    enum class Problem {
        None,
        Empty,
        TooLong,
        NotKana,
        Taken, // another child of the family has the same name
    };
    static constexpr int maxLength = 8;

    // The name as it is kept: without surrounding blanks, half-width katakana
    // written full-width (ﾀﾞ becomes ダ), a combining voiced mark joined to its
    // letter.
    static QString normalised(const QString &typed);
    // What is wrong with a name on its own (Empty, NotKana or TooLong), after
    // normalising it.
    static Problem problemOf(const QString &typed);
    // The same, and Taken when the name's key is among `takenKeys`.
    static Problem problemOf(const QString &typed, const QSet<QString> &takenKeys);
    // The key names are compared by: the normalised name in katakana.
    static QString key(const QString &name);
    // Whether a letter is one a name may hold: hiragana, katakana or ー.
    static bool isKana(char32_t c);
    // What the parents' corner says about a problem; empty for None.
    static QString message(Problem problem);
    // A name of a class roster, as a school's server gives it: kana, the long
    // vowel mark and spaces, 1 to 20 characters (the family's 8 do not apply;
    // two pupils of one name are told apart by their key).
    static bool isPupilName(const QString &name);
    static constexpr int maxPupilLength = 20;
    // A kana name none of `takenKeys` has, for a child whose name was lost:
    // "なまえなし", then "なまえなしあ", "なまえなしい" ...
    static QString placeholder(const QSet<QString> &takenKeys);
};
