#pragma once

#include "store/results_log.h"

#include <QString>

// Saving how many days a results file keeps its results, as a parent types
// it: a number of at least 1 and at most a century; a period by which the
// next start would remove results is saved only after a question that says
// how many, counted by the purge's own condition. Every outcome is told.
// The score window's 日分保存 and the parents' corner save through it.
class KeptDays
{
public:
    // True when the period typed was stored in `log`.
    static bool save(const ResultsLog &log, const QString &typed);

private:
    // A period shorter than the stored one, by which the next start would
    // remove results: says how many and asks first. True to save it; false
    // when the parent declines or the results cannot be counted (told).
    static bool removalAgreed(const ResultsLog &log, const QString &period);
};
