#pragma once

#include "family/child_name.h"

#include <QList>
#include <QString>

// What an operation on the family came to: done, or why not. `reason` is in
// the system's words (a file system's error, a lock held); a name refused is
// a problem of its own, whose message ChildName gives; the other refusals
// carry what a window needs to say them.
struct FamilyOutcome
{
    // A change a kill had cut short, finished by a load.
    struct Finished
    {
        enum class Kind {
            Formed,  // the results kept so far taken over by the first child
            Removed, // a child removed
            Rebuilt, // the list made again from the children's folders
        };
        Kind kind = Kind::Formed;
        QString name;   // the child who took over the results kept so far, or who was removed
        QString backup; // removed: the path their results were kept at; empty when none
    };

    bool done = false;
    QString reason;
    bool held = false; // another copy of the program kept the family locked beyond the wait
    ChildName::Problem nameProblem = ChildName::Problem::None;
    // Another copy of the program works with the results this change would
    // move: the child's name, or empty for the data folder's own results.
    bool inUse = false;
    QString inUseBy;
    QString lockInTheWay;  // something that is no lock has the family lock's name: its path
    QString resultsNotAFile; // forming: the data folder's results name is a link or no file: its path
    QString childId;     // adding: the child made
    QString backup;      // removing: the path the child's results were kept at, if there were any
    QList<Finished> finished; // loading: the changes a kill had cut short, finished now

    explicit operator bool() const { return done; }
    static FamilyOutcome ok()
    {
        FamilyOutcome outcome;
        outcome.done = true;
        return outcome;
    }
    // Done when nothing went wrong, else failed for `why`.
    static FamilyOutcome from(const QString &why) { return why.isEmpty() ? ok() : failed(why); }
    static FamilyOutcome failed(const QString &why, bool held = false)
    {
        FamilyOutcome outcome;
        outcome.reason = why;
        outcome.held = held;
        return outcome;
    }
    static FamilyOutcome refused(ChildName::Problem problem)
    {
        FamilyOutcome outcome = failed(ChildName::message(problem));
        outcome.nameProblem = problem;
        return outcome;
    }
    static FamilyOutcome usedElsewhere(const QString &childName)
    {
        FamilyOutcome outcome = failed(QStringLiteral("another copy of the program works with these results"));
        outcome.inUse = true;
        outcome.inUseBy = childName;
        return outcome;
    }
};
