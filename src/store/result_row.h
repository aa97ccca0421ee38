#pragma once

#include <QString>

// One row of the results table, its three texts in column order.
struct ResultRow
{
    QString when;  // date text
    QString drill; // the drill's name
    QString score; // right answers

    bool operator==(const ResultRow &) const = default;

    // The statements put texts between single quotes as they are, so a text
    // holding a quote cannot be stored.
    static bool holdsQuote(const QString &text) { return text.contains(QLatin1Char('\'')); }
    bool holdsQuote() const { return holdsQuote(when) || holdsQuote(drill) || holdsQuote(score); }
};
