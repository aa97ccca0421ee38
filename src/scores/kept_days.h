#pragma once

#include "store/results_log.h"

#include <QString>

// Saving how many days a results file keeps its results, as a parent types
// it: a number of at least 1 and at most a century; a period by which the
// next start would remove results is saved only after a question that says
// how many, counted by the purge's own condition, and, where a parents'
// check is installed and has not been passed, only past it: removing results
// is a parent's act. Every outcome is told. The score window's 日分保存 and
// the parents' corner save through it.
class KeptDays
{
public:
    // True when the period typed was stored in `log`. parentsChecked: the
    // caller is past the parents' check already (the parents' corner).
    static bool save(const ResultsLog &log, const QString &typed, bool parentsChecked = false);

private:
    // A period shorter than the stored one, by which the next start would
    // remove results: the parents' check unless passed, then says how many
    // and asks. True to save it; false when it is declined or the results
    // cannot be counted (told).
    static bool removalAgreed(const ResultsLog &log, const QString &period, bool parentsChecked);
};
