#pragma once

#include "app/command_line.h"

#include <optional>

// The start of a school's own PC (school.conf says mode=classroom): it opens
// on the class's picker, filled at once from the class roster the PC keeps
// (a fresh copy is asked of the server in the background, and the picker
// follows it when it comes). When the PC's login writes for several classes
// the class is asked first. No name is chosen in advance. The child picked
// practises in a folder of their own in the family's layout, made on their
// first sitting here, with the pupil's key and class kept with them; the
// teacher's settings (days kept, missed questions again) hold, and no window
// of the PC changes them.
class ClassStart
{
public:
    // Settles the child who practises; the status to end with, or nothing to
    // go on to the menu.
    static std::optional<int> settle(const CommandLine::Options &options);
};
