#pragma once

#include <QString>

#include <array>
#include <functional>

// One question of the clock drill: the asked time on the five-minute grid,
// the upper-row label that shows it, and the eight answer-label texts. The
// times are drawn modulo k in a fixed order: hour, minute, the right label's
// index, then an hour and a minute for each other label.
struct ClockQuestion
{
    int hour = 12;    // 1 to 12
    int minute = 0;   // 0 to 55, a multiple of 5
    int answerIndex = 0; // 0 to 3: the right answer is always in the upper row
    std::array<QString, 8> labels;

    // Draws a question, its labels written as ClockWords::time writes them. A
    // wrong time that comes out equal to the asked time is drawn again; each
    // time, `beforeRedraw` runs first.
    static ClockQuestion draw(const std::function<void()> &beforeRedraw);
    // The same time asked again, its answer placed and its seven wrong times
    // drawn afresh by the same rules, so that a child reads the face again
    // rather than remembering where the answer stood.
    static ClockQuestion again(const ClockQuestion &asked, const std::function<void()> &beforeRedraw);
};
