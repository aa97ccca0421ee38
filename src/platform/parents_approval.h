#pragma once

#include <QString>

#include <functional>

// The parents' check as a window of a lower layer reaches it (the score
// window's 日分保存 before results would be removed): the desktop start
// installs the check, as Dialogs stands for message boxes; a start from a
// terminal installs none and asks no check.
class ParentsApproval
{
public:
    // nullptr: no check.
    static void install(std::function<bool()> check);
    // True when a parent passed the check, or when none is installed.
    static bool pass();
    // A school's PC: the settings are the teacher's, and no window of the PC
    // changes them; `why` says so (empty: not locked).
    static void lock(const QString &why);
    static QString locked();
};
