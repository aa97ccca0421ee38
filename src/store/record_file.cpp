#include "store/record_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
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
    const QString entry = matchingEntry(fileName, QDir::current());
    return QDir::current().absoluteFilePath(entry.isEmpty() ? fileName : entry);
}

bool RecordFile::existsInAnyCase(const QString &path)
{
    const QFileInfo info(path);
    return !matchingEntry(info.fileName(), info.absoluteDir()).isEmpty();
}

QString RecordFile::temporaryName(const QString &path, const QString &what)
{
    const QFileInfo info(path);
    return info.absoluteDir().filePath(
        QStringLiteral(".%1.%2.%3").arg(info.fileName()).arg(QCoreApplication::applicationPid()).arg(what));
}
