#include "app/results_in_use.h"

#include <QDir>

#include <cstdio>

FileLock &ResultsInUse::lock()
{
    static FileLock held;
    return held;
}

FileLock::Status ResultsInUse::hold(const QString &folder)
{
    const QString path = QDir(folder).absolutePath();
    if (lock().isTaken() && lock().path() == path && lock().stillThere())
        return FileLock::Status::Taken;
    const FileLock::Status status = lock().takeFolder(path, FileLock::Mode::Shared);
    if (status == FileLock::Status::Failed) {
        // A file system without locks: the copy still works, unguarded.
        std::fprintf(stderr, "sansu-drill: %s cannot be locked: %s\n", qPrintable(QDir::toNativeSeparators(path)),
                     qPrintable(lock().reason()));
    }
    return status;
}

void ResultsInUse::release()
{
    lock().release();
}

QString ResultsInUse::folder()
{
    return lock().isTaken() ? lock().path() : QString();
}
