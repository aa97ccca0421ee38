#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// How long results are kept: the period in days stored in the settings table,
// the cut-off moment it gives, and what the score window accepts as a period.
class Retention
{
public:
    // The moment the period lies before now, time of day kept; nothing when the
    // period is below 1 day (a hand-edited non-number) or reaches back before
    // the earliest date the program handles (year 100).
    static std::optional<QDateTime> cutOff(const QDateTime &now, double periodDays);

    // A period typed by the user, as it is stored: after trimming ASCII and
    // ideographic blanks, one or more decimal digits (full-width digits become
    // ASCII), of value at least 1. Anything else gives nothing.
    static std::optional<QString> normalisedInput(const QString &typed);

    // The longest period the score window stores: a century of days.
    static constexpr int longestPeriodDays = 36500;
    // Whether a period as normalisedInput gives it is longer than that.
    static bool isTooLong(const QString &period);
};
