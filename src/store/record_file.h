#pragma once

#include <QString>

// The results file's name in its folder. Names are matched without regard to
// letter case, so an existing "ado_zem.mdb" is the file "ADO_ZEM.MDB". Paths
// are kept relative to the current folder, so that a folder whose name the
// desktop's encoding cannot show is still reached by the name it has.
class RecordFile
{
public:
    // What a name in a folder is, looked at without opening it (opening a
    // named pipe would wait for a writer that never comes).
    enum class Kind {
        Missing,      // nothing of that name
        Regular,      // a file, or a link to one
        Folder,
        NamedPipe,
        Socket,
        Device,
        DanglingLink, // a link to nothing
        LoopingLink,  // a link that leads back to itself
        Link,         // a symbolic link, wherever it leads (entryKind only)
        Other,
    };
    static Kind kindOf(const QString &path);
    // What the name itself is: as kindOf, but a symbolic link is Link.
    static Kind entryKind(const QString &path);

    // The path of a file name in the current folder: the entry that matches
    // (its exact spelling first, then any case), or the name as given when
    // nothing matches.
    static QString locate(const QString &fileName);
    // True when something (file, folder, link) of the path's name exists in
    // its folder, in any letter case.
    static bool existsInAnyCase(const QString &path);
    // A name beside `path` for a file this process builds before it takes the
    // path's place: ".NAME.PID.WHAT".
    static QString temporaryName(const QString &path, const QString &what);
    // The lock a copy of the program holds while it carries `path` over:
    // ".NAME.lock".
    static QString lockName(const QString &path);
    // Removes a file this process built and SQLite's journal of it.
    static void removeWithJournal(const QString &path);
    // Removes, from the current folder, what processes that are gone left of
    // their temporary files for `fileName` (".NAME.PID.creating",
    // ".NAME.PID.carrying" and their journals), and a lock whose holder is
    // gone. The names removed.
    static QStringList removeStaleTemporaries(const QString &fileName);
    // False once the current folder has been deleted (nothing can be made in it).
    static bool currentFolderExists();
};
