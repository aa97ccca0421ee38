#pragma once

#include <QString>

// What an operation on the results file came to: done, or why not, in the
// engine's own words.
struct StoreOutcome
{
    bool done = false;
    QString reason;
    bool held = false; // another program held the file beyond the wait

    explicit operator bool() const { return done; }
    static StoreOutcome ok() { return {true, QString(), false}; }
    static StoreOutcome failed(const QString &why, bool held = false) { return {false, why, held}; }
};
