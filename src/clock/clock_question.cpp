#include "clock/clock_question.h"

#include "platform/clock_words.h"
#include "platform/random_draw.h"

namespace {
int drawHour()
{
    const int h = RandomDraw::modulo(12);
    return h == 0 ? 12 : h;
}

int drawMinute()
{
    const int m = RandomDraw::modulo(60);
    return m - m % 5;
}
} // namespace

ClockQuestion ClockQuestion::draw(const std::function<void()> &beforeRedraw)
{
    ClockQuestion q;
    q.hour = drawHour();
    q.minute = drawMinute();
    return again(q, beforeRedraw);
}

ClockQuestion ClockQuestion::again(const ClockQuestion &asked, const std::function<void()> &beforeRedraw)
{
    ClockQuestion q;
    q.hour = asked.hour;
    q.minute = asked.minute;
    q.answerIndex = RandomDraw::modulo(4);
    q.labels[q.answerIndex] = ClockWords::time(q.hour, q.minute);
    for (int i = 0; i < 8; ++i) {
        if (i == q.answerIndex)
            continue;
        // Wrong times are not compared with one another, only with the asked time.
        int wrongHour = drawHour();
        int wrongMinute = drawMinute();
        while (wrongHour == q.hour && wrongMinute == q.minute) {
            beforeRedraw();
            wrongHour = drawHour();
            wrongMinute = drawMinute();
        }
        q.labels[i] = ClockWords::time(wrongHour, wrongMinute);
    }
    return q;
}
