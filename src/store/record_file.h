#pragma once

#include <QString>

// The results file of the run. Names are matched without regard to letter
// case, so an existing "ado_zem.mdb" is the file "ADO_ZEM.MDB". Once start-up
// has found or created the file, it is the file of every window for the rest
// of the run: any spelling of its name means it, even where a case-sensitive
// file system holds a second file whose name differs only in case.
class RecordFile
{
public:
    // The absolute path a file name stands for: the file of the run when its
    // name matches ignoring case; otherwise the entry of the current directory
    // that matches (its exact spelling first, then any case), or the name as
    // given in the current directory when nothing matches.
    static QString locate(const QString &fileName);
    // Makes `path` the file of the run.
    static void settle(const QString &path);
    // Forgets the file of the run (a new run in another folder).
    static void forget();
    // True when something (file, folder, link) of the path's name exists in
    // its folder, in any letter case.
    static bool existsInAnyCase(const QString &path);
};
