#pragma once

#include <QString>

// The results file's name in its folder. Names are matched without regard to
// letter case, so an existing "ado_zem.mdb" is the file "ADO_ZEM.MDB".
class RecordFile
{
public:
    // The absolute path a file name stands for in the current folder: the
    // entry that matches (its exact spelling first, then any case), or the
    // name as given when nothing matches.
    static QString locate(const QString &fileName);
    // True when something (file, folder, link) of the path's name exists in
    // its folder, in any letter case.
    static bool existsInAnyCase(const QString &path);
    // A name beside `path` for a file this process builds before it takes the
    // path's place: ".NAME.PID.WHAT".
    static QString temporaryName(const QString &path, const QString &what);
};
