#include "store/record_file.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString &settled()
{
    static QString path;
    return path;
}

// The entry of the folder named fileName, its exact spelling first; empty when
// there is none.
QString matchingEntry(const QString &fileName, const QDir &folder)
{
    if (QFileInfo::exists(folder.filePath(fileName)) || QFileInfo(folder.filePath(fileName)).isSymLink())
        return fileName;
    const QStringList entries =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return QString();
}
} // namespace

QString RecordFile::locate(const QString &fileName)
{
    if (!settled().isEmpty()
        && QFileInfo(settled()).fileName().compare(fileName, Qt::CaseInsensitive) == 0)
        return settled();
    const QString entry = matchingEntry(fileName, QDir::current());
    return QDir::current().absoluteFilePath(entry.isEmpty() ? fileName : entry);
}

void RecordFile::settle(const QString &path)
{
    settled() = path;
}

void RecordFile::forget()
{
    settled().clear();
}

bool RecordFile::existsInAnyCase(const QString &path)
{
    const QFileInfo info(path);
    return !matchingEntry(info.fileName(), info.absoluteDir()).isEmpty();
}
