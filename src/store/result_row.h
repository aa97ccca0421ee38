#pragma once

#include <QString>

// One row of the results table, its three texts in column order.
struct ResultRow
{
    QString when;  // date text
    QString drill; // the drill's name
    QString score; // right answers

    bool operator==(const ResultRow &) const = default;
};
