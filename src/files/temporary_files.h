#pragma once

#include <QString>
#include <QStringList>

// The files a copy of the program makes beside a file before it puts them in
// its place, named ".NAME.PID.WHAT" after the file, the process and what it
// does (".ADO_ZEM.MDB.4242.creating", ".children.json.4242.writing"), so
// that what a killed copy left can be told from what a running one makes.
class TemporaryFiles
{
public:
    // This process's name beside `path` for `what`; a path in the current
    // folder stays relative to it.
    static QString nameFor(const QString &path, const QString &what);
    // Whether the process of this number still runs. Where that cannot be
    // asked, a temporary counts as stale once it is a day old.
    static bool processRuns(qint64 pid, const QString &temporary = QString());
    // True when `name` is a temporary for one of `whats`, of any process.
    static bool isTemporary(const QString &name, const QStringList &whats);
    // Removes from `folder` the temporaries for `whats` (and SQLite's
    // -journal, -wal and -shm beside them) of processes that are gone, and
    // this process's own for `ownWhats` (what it makes only under a lock it
    // holds); only those after the file `name` when one is given, matched in
    // any letter case. The names removed.
    static QStringList removeStale(const QString &folder, const QStringList &whats, const QStringList &ownWhats = {},
                                   const QString &name = QString());
};
