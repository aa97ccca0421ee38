#pragma once

#include <QDir>
#include <QString>

// Finds the database file in the current directory. Names are matched without
// regard to letter case, so an existing "ado_zem.mdb" is the file "ADO_ZEM.MDB".
class DatabaseFile
{
public:
    // The absolute path of the file of that name in the current directory: the
    // existing entry whose name matches ignoring case, or the name as given.
    static QString locate(const QString &fileName);
    // True when something (file, folder, link) of that name exists in the
    // folder (the current directory unless given), in any letter case.
    static bool exists(const QString &fileName, const QDir &folder);
    static bool exists(const QString &fileName);
};
