#include "scores/score_chart_data.h"

#include "store/retention.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

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

// Puts rows placed in input order in order of time, those of one second in
// input order: a radix sort, 11 bits of the time a pass, so that it takes a
// few passes over the rows whatever the span of their dates.
void sortByTime(std::vector<Placed> &placed)
{
    if (placed.empty())
        return;
    const auto [least, most] = std::minmax_element(
        placed.begin(), placed.end(), [](const Placed &a, const Placed &b) { return a.second < b.second; });
    const qint64 from = least->second;
    const auto range = static_cast<quint64>(most->second - from);
    constexpr int bits = 11;
    constexpr quint64 mask = (1u << bits) - 1;
    std::vector<Placed> sorted(placed.size());
    std::vector<size_t> start(mask + 2);
    for (int shift = 0; shift < 64 && (range >> shift) != 0; shift += bits) {
        const auto digit = [&](const Placed &p) { return (static_cast<quint64>(p.second - from) >> shift) & mask; };
        std::fill(start.begin(), start.end(), 0);
        for (const Placed &p : placed)
            ++start[digit(p) + 1];
        for (size_t d = 1; d < start.size(); ++d)
            start[d] += start[d - 1];
        for (const Placed &p : placed)
            sorted[start[digit(p)]++] = p;
        placed.swap(sorted);
    }
}
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
    const qint64 lastDay = today.toJulianDay();
    // The same reach as the purge's: a period it would not cut by limits nothing.
    std::optional<qint64> firstKept;
    if (Retention::cutOff(QDateTime(today, QTime(0, 0)), periodDays))
        firstKept = lastDay + 1 - static_cast<qint64>(std::ceil(periodDays));
    std::vector<Placed> placed;
    placed.reserve(rows.size());
    qint64 firstDay = lastDay;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::optional<Moment> moment = parse(rows[i].when);
        const std::optional<int> score = scoreOf(rows[i].score);
        if (!moment || !score || moment->date > today) {
            ++data.leftOut;
            continue;
        }
        const qint64 day = moment->date.toJulianDay();
        firstDay = std::min(firstDay, day);
        if (firstKept && day < *firstKept)
            continue; // past the period
        placed.push_back({day * 86400 + moment->second, *score, static_cast<int>(i)});
    }
    if (firstKept)
        firstDay = std::max(firstDay, *firstKept);
    data.firstDay = QDate::fromJulianDay(firstDay);
    data.days = static_cast<int>(lastDay - firstDay) + 1;

    // By day, and within a day by time: the text of a date sorts 9:05 after 15:20.
    sortByTime(placed);
    data.points.reserve(placed.size());
    for (const Placed &p : placed) {
        const int day = static_cast<int>(p.second / 86400 - firstDay);
        data.points.push_back({day, p.score, p.row});
        if (data.practised.empty() || data.practised.back().day != day)
            data.practised.push_back({day, p.score, 0});
        Day &practised = data.practised.back();
        practised.best = std::max(practised.best, p.score);
        ++practised.count;
    }
    return data;
}

ScoreChartData::Bars ScoreChartData::bars(int most) const
{
    Bars bars;
    bars.daysPerBar = std::max(1, (days + std::max(most, 1) - 1) / std::max(most, 1));
    const int count = (days + bars.daysPerBar - 1) / bars.daysPerBar;
    bars.lead = count * bars.daysPerBar - days;
    bars.sittings.assign(static_cast<size_t>(count), 0);
    for (const Day &day : practised)
        bars.sittings[static_cast<size_t>((day.day + bars.lead) / bars.daysPerBar)] += day.count;
    return bars;
}
