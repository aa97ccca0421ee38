#include "files/folder_entries.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

QString FolderEntries::inAnyCase(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    if (exists(dir.filePath(name)))
        return name;
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}

bool FolderEntries::exists(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}
