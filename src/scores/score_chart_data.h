#pragma once

#include "store/results_log.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

// What the progress chart of one drill shows, worked out from its stored rows
// without any widget: each sitting as a point over its day, each day's best
// score and number of sittings over the days shown, and how many rows could
// not be placed because their date or score is not one.
//
// The days shown run from the first day of the retention period (or the first
// sitting's day, when that is later) to today (or the last sitting's day, when
// a clock set wrong wrote a later one). Rows before the first day are past the
// period: the next start removes them, and they are not shown.
class ScoreChartData
{
public:
    struct Point
    {
        int day = 0;   // days after firstDay
        int score = 0;
        int row = 0;   // its row in the input, whose date text the tooltip shows
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

    QDate firstDay;
    int days = 0;              // days shown, firstDay included; at least 1
    std::vector<Point> points; // by day, and within a day by time (not by text)
    std::vector<int> best;     // per day: the best score, -1 on a day without sittings
    std::vector<int> count;    // per day: the number of sittings
    int leftOut = 0;           // rows whose date or score is not one
};
