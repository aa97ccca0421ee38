#include "scores/score_chart_data.h"

#include "store/retention.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// The value of `length` ASCII digits at `at`, or -1 when any is not a digit.
int digits(const QString &text, qsizetype at, qsizetype length)
{
    int value = 0;
    for (qsizetype i = at; i < at + length; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// A score as the drills write it: a whole number of right answers, in ASCII
// digits.
std::optional<int> scoreOf(const QString &text)
{
    const qsizetype n = text.size();
    const int value = n >= 1 && n <= 9 ? digits(text, 0, n) : -1;
    return value >= 0 ? std::optional<int>(value) : std::nullopt;
}

struct Placed
{
    qint64 second; // since the start of the calendar, so that one number orders them
    int score;
    int row;       // the row's place in the input, which orders sittings of one second
};
} // namespace

std::optional<ScoreChartData::Moment> ScoreChartData::parse(const QString &when)
{
    // Read by hand rather than with QDate::fromString: a chart may place a
    // hundred thousand rows, and this is many times faster.
    const qsizetype n = when.size();
    if (n != 10 && n != 18 && n != 19)
        return std::nullopt;
    if (when[4] != u'/' || when[7] != u'/')
        return std::nullopt;
    const int year = digits(when, 0, 4);
    const QDate date(year, digits(when, 5, 2), digits(when, 8, 2));
    if (year < 0 || !date.isValid())
        return std::nullopt;
    if (n == 10)
        return Moment{date, 0};
    // " H:mm:ss", or " HH:mm:ss" as files of older programs padded the hour.
    const qsizetype h = n - 18; // the hour's extra digit
    if (when[10] != u' ' || when[12 + h] != u':' || when[15 + h] != u':')
        return std::nullopt;
    const int hour = digits(when, 11, 1 + h);
    const int minute = digits(when, 13 + h, 2);
    const int second = digits(when, 16 + h, 2);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return Moment{date, (hour * 60 + minute) * 60 + second};
}

ScoreChartData ScoreChartData::of(const std::vector<ResultsLog::ScoreRow> &rows, double periodDays,
                                  const QDate &today)
{
    ScoreChartData data;
    std::vector<Placed> placed;
    placed.reserve(rows.size());
    qint64 firstSecond = std::numeric_limits<qint64>::max();
    qint64 lastSecond = std::numeric_limits<qint64>::min();
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::optional<Moment> moment = parse(rows[i].when);
        const std::optional<int> score = scoreOf(rows[i].score);
        if (!moment || !score) {
            ++data.leftOut;
            continue;
        }
        const qint64 second = moment->date.toJulianDay() * 86400 + moment->second;
        placed.push_back({second, *score, static_cast<int>(i)});
        firstSecond = std::min(firstSecond, second);
        lastSecond = std::max(lastSecond, second);
    }

    QDate first = placed.empty() ? today : QDate::fromJulianDay(firstSecond / 86400);
    const QDate last = placed.empty() ? today : std::max(today, QDate::fromJulianDay(lastSecond / 86400));
    // The same reach as the purge's: a period it would not cut by limits nothing.
    if (Retention::cutOff(QDateTime(today, QTime(0, 0)), periodDays))
        first = std::max(first, today.addDays(1 - static_cast<qint64>(std::ceil(periodDays))));
    data.firstDay = first;
    data.days = static_cast<int>(first.daysTo(last)) + 1;
    data.best.assign(static_cast<size_t>(data.days), -1);
    data.count.assign(static_cast<size_t>(data.days), 0);
    const qint64 firstJulianDay = first.toJulianDay();
    const auto dayOf = [firstJulianDay](const Placed &p) { return p.second / 86400 - firstJulianDay; };

    // The rows by day (a count per day, then each row in its day's place),
    // and within a day by time: the text of a date sorts 9:05 after 15:20.
    for (const Placed &p : placed) {
        const qint64 day = dayOf(p);
        if (day < 0)
            continue; // past the period
        ++data.count[static_cast<size_t>(day)];
        data.best[static_cast<size_t>(day)] = std::max(data.best[static_cast<size_t>(day)], p.score);
    }
    std::vector<size_t> start(static_cast<size_t>(data.days) + 1, 0);
    for (size_t day = 0; day < data.count.size(); ++day)
        start[day + 1] = start[day] + static_cast<size_t>(data.count[day]);
    std::vector<Placed> byDay(start.back());
    std::vector<size_t> next(start.begin(), start.end() - 1);
    for (const Placed &p : placed) {
        const qint64 day = dayOf(p);
        if (day >= 0)
            byDay[next[static_cast<size_t>(day)]++] = p;
    }
    data.points.reserve(byDay.size());
    for (size_t day = 0; day < data.count.size(); ++day) {
        const auto from = byDay.begin() + static_cast<std::ptrdiff_t>(start[day]);
        const auto to = byDay.begin() + static_cast<std::ptrdiff_t>(start[day + 1]);
        std::sort(from, to, [](const Placed &a, const Placed &b) {
            return a.second != b.second ? a.second < b.second : a.row < b.row;
        });
        for (auto p = from; p != to; ++p)
            data.points.push_back({static_cast<int>(day), p->score, p->row});
    }
    return data;
}
