#include "store/database_file.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString matchingEntry(const QString &fileName, const QDir &here = QDir::current())
{
    if (QFileInfo::exists(here.filePath(fileName)))
        return fileName;
    const QStringList entries =
        here.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}
} // namespace

QString DatabaseFile::locate(const QString &fileName)
{
    const QString entry = matchingEntry(fileName);
    return QDir::current().absoluteFilePath(entry.isEmpty() ? fileName : entry);
}

bool DatabaseFile::exists(const QString &fileName, const QDir &folder)
{
    return !matchingEntry(fileName, folder).isEmpty();
}

bool DatabaseFile::exists(const QString &fileName)
{
    return exists(fileName, QDir::current());
}
