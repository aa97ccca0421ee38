#pragma once

#include "files/file_lock.h"

#include <QString>

// The shared lock a running copy holds on the folder of the results it works
// with, from the moment that folder is settled until the program ends, so that
// a parent's change in another copy (forming the family, removing a child)
// never moves or removes them under it. Copies of the same child share it.
class ResultsInUse
{
public:
    // Holds `folder`, letting go of the folder held before. Taken, Held (a
    // change is moving the results this very moment), Gone or Failed.
    static FileLock::Status hold(const QString &folder);
    // Lets go, so that this copy may change what it holds itself.
    static void release();
    // The folder held; empty when none.
    static QString folder();

private:
    static FileLock &lock();
};
