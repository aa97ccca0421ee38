#pragma once

#include <QString>

// How the clock drill writes and says a time, as first-grade books and a
// first-grade teacher do: the hour word "4じ" and the minute word "0ふん",
// "5ふん", "10ぷん" (ぷん after 10, 20, 30, 40 and 50). An answer label is the
// two words together ("3じ10ぷん"), and each word is also the name of the
// prompt that says it whole (4じ.WAV says よじ, 10ぷん.WAV じゅっぷん), so
// what is written and what is heard never part.
class ClockWords
{
public:
    // "1じ" … "12じ".
    static QString hour(int hour);
    // "0ふん", "5ふん", "10ぷん", "15ふん" … "55ふん": the minute in plain digits.
    static QString minute(int minute);
    // An answer-label text: "3じ15ふん", "12じ30ぷん", "7じ0ふん".
    static QString time(int hour, int minute) { return ClockWords::hour(hour) + ClockWords::minute(minute); }
    // The counter after a minute: "ぷん" after a whole ten (10 to 50), "ふん"
    // otherwise (0 and the fives).
    static QString minuteCounter(int minute);
};
