#pragma once

#include <QString>

// Names in a folder, as the program looks at them: without opening anything
// (a named pipe is never opened), and a name matched in any letter case, so
// that an existing "ado_zem.mdb" is the file "ADO_ZEM.MDB".
class FolderEntries
{
public:
    // The entry of `folder` called `name` in any letter case, its exact
    // spelling first; empty when there is none.
    static QString inAnyCase(const QString &folder, const QString &name);
    // True when something (a file, a folder, a link, even a dangling one) has
    // the name.
    static bool exists(const QString &path);
};
