#pragma once

#include <QString>

// What an operation on the results file came to: done, or why not, in the
// engine's own words.
struct StoreOutcome
{
    bool done = false;
    QString reason;

    explicit operator bool() const { return done; }
    static StoreOutcome ok() { return {true, QString()}; }
    static StoreOutcome failed(const QString &why) { return {false, why}; }
};
