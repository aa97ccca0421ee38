#pragma once

#include "family/child_name.h"

#include <QString>

// What an operation on the family came to: done, or why not. `reason` is in
// the system's words (a file system's error, a lock held); a name refused is
// a problem of its own, whose message ChildName gives.
struct FamilyOutcome
{
    bool done = false;
    QString reason;
    bool held = false; // another copy of the program kept the family locked beyond the wait
    ChildName::Problem nameProblem = ChildName::Problem::None;
    QString childId;     // adding: the child made
    QString backup;      // removing: the path the child's results were kept at, if there were any

    explicit operator bool() const { return done; }
    static FamilyOutcome ok() { return {true, {}, false, ChildName::Problem::None, {}, {}}; }
    // Done when nothing went wrong, else failed for `why`.
    static FamilyOutcome from(const QString &why) { return {why.isEmpty(), why, false, ChildName::Problem::None, {}, {}}; }
    static FamilyOutcome failed(const QString &why, bool held = false)
    {
        return {false, why, held, ChildName::Problem::None, {}, {}};
    }
    static FamilyOutcome refused(ChildName::Problem problem)
    {
        return {false, ChildName::message(problem), false, problem, {}, {}};
    }
};
