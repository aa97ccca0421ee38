#pragma once

#include <QString>

// What an operation on the results file came to: done, or why not, in the
// engine's own words.
struct StoreOutcome
{
    bool done = false;
    QString reason;
    bool held = false; // another program held the file beyond the wait
    int systemError = 0; // the system's error number when it refused (EACCES, ENOSPC, …)

    explicit operator bool() const { return done; }
    static StoreOutcome ok() { return {true, QString(), false, 0}; }
    static StoreOutcome failed(const QString &why, bool held = false, int systemError = 0)
    {
        return {false, why, held, systemError};
    }
};
