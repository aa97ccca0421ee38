#include "platform/app_info.h"

#include <QCoreApplication>

namespace {
QString &programFolderOverride()
{
    static QString folder;
    return folder;
}

QString lastTwoDigits(int number)
{
    const QString padded = QStringLiteral("00") + QString::number(number);
    return padded.right(2);
}
} // namespace

QString AppInfo::title() { return QStringLiteral(SANSU_TITLE); }
int AppInfo::versionMajor() { return SANSU_VERSION_MAJOR; }
int AppInfo::versionMinor() { return SANSU_VERSION_MINOR; }
int AppInfo::versionRevision() { return SANSU_VERSION_REVISION; }

QString AppInfo::versionCaption(const QString &title, int major, int minor, int revision)
{
    return title + QStringLiteral(" V") + QString::number(major) + lastTwoDigits(minor)
           + lastTwoDigits(revision);
}

QString AppInfo::versionCaption()
{
    return versionCaption(title(), versionMajor(), versionMinor(), versionRevision());
}

QString AppInfo::programFolder()
{
    if (!programFolderOverride().isEmpty())
        return programFolderOverride();
    return QCoreApplication::applicationDirPath();
}

void AppInfo::setProgramFolder(const QString &folder)
{
    QString cleaned = folder;
    while (cleaned.size() > 1 && cleaned.endsWith(QLatin1Char('/')))
        cleaned.chop(1);
    programFolderOverride() = cleaned;
}
