#pragma once

#include "store/results_log.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

// What the progress chart of one drill shows, worked out from its stored rows
// without any widget: each sitting as a point over its day, the best score
// and number of sittings of each day practised, and how many rows could not
// be placed because their date or score is not one.
//
// The days shown run from the first day of the retention period (or the first
// sitting's day, when that is later) to today. Rows before the first day are
// past the period: the next start removes them, and they are not shown. A row
// dated after today (a clock set wrong, a hand-edited file) is left out as a
// date that is no date is. Only the days practised are held, so what this
// takes grows with the rows and never with the span of their dates.
class ScoreChartData
{
public:
    struct Point
    {
        int day = 0;   // days after firstDay
        int score = 0;
        int row = 0;   // its row in the input, whose date text the tooltip shows
    };
    struct Day
    {
        int day = 0;   // days after firstDay
        int best = 0;  // the day's best score
        int count = 0; // its sittings
    };
    // The bars of the count chart when at most `most` fit: a bar a day, or
    // one for every few days when the days shown are more, the last bar
    // ending today. Bar b holds the days from b * daysPerBar - lead on.
    struct Bars
    {
        int daysPerBar = 1;
        int lead = 0;              // days before firstDay that the first bar would hold
        std::vector<int> sittings; // per bar
    };

    // periodDays: the period as stored (LeadingNumber::of of ENV's text); a
    // period below one day or beyond reach limits nothing, as at the purge.
    static ScoreChartData of(const std::vector<ResultsLog::ScoreRow> &rows, double periodDays,
                             const QDate &today);

    // The moment a date text stands for: "yyyy/MM/dd", "yyyy/MM/dd H:mm:ss" or
    // the same with a zero-padded hour, a real calendar date and time of day.
    struct Moment
    {
        QDate date;
        int second = 0; // seconds since midnight
    };
    static std::optional<Moment> parse(const QString &when);

    Bars bars(int most) const;

    QDate firstDay;
    int days = 0;                // days shown, firstDay to today; at least 1
    std::vector<Point> points;   // by day, and within a day by time (not by text)
    std::vector<Day> practised;  // the days with sittings, in order
    int leftOut = 0;             // rows whose date is no date or after today, or whose score is not one
};
