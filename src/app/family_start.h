#pragma once

#include "app/command_line.h"

#include <optional>

// The desktop start (--in-data-folder): the data folder of the user, the
// family in it, and who practises. It makes the folder this run keeps its
// results in the current one, as a start from a terminal has it: the data
// folder itself while the family has no children, the child's own folder
// otherwise, asking who practises when two or more do ("だれが
// れんしゅうする？", whose button opens the parents' corner too). A data
// folder that does not exist yet is not made here: start-up makes it once
// the results file is created in it. --parents opens the parents' corner.
class FamilyStart
{
public:
    // Settles where the results are; the status to end with, or nothing to
    // go on (to the menu, or the chart when `options.chart`).
    static std::optional<int> settle(const CommandLine::Options &options);
    // --parents: the parents' check, then the parents' corner until it is
    // closed; the program's exit status.
    static int parents();
};
