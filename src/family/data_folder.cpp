#include "family/data_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace {
std::optional<QString> variable(const char *name)
{
    if (!qEnvironmentVariableIsSet(name))
        return std::nullopt;
    return QFile::decodeName(qgetenv(name));
}

QString passwordEntryHome()
{
    const passwd *entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? QFile::decodeName(entry->pw_dir) : QString();
}

// A home a folder may be made under: absolute, not the top of the file system.
bool isHome(const QString &path)
{
    return QDir::isAbsolutePath(path) && QDir::cleanPath(path) != QLatin1String("/");
}
} // namespace

DataFolder::Environment DataFolder::Environment::current()
{
    return {variable("XDG_DATA_HOME"), variable("HOME"), passwordEntryHome()};
}

DataFolder::Resolution DataFolder::resolve(const Environment &environment)
{
    Resolution resolution;
    // A relative XDG_DATA_HOME is not valid and is ignored, as the XDG rule says.
    const QString xdg = environment.xdgDataHome.value_or(QString());
    if (QDir::isAbsolutePath(xdg)) {
        const QFileInfo named(xdg);
        if (!named.exists() || named.isDir())
            return {QDir::cleanPath(xdg + QLatin1Char('/') + folderName), QString(), QString()};
        resolution.warning = QStringLiteral("XDG_DATA_HOMEの%1はフォルダではありません､").arg(QDir::toNativeSeparators(xdg));
    }
    const QString home = isHome(environment.home.value_or(QString())) ? *environment.home : environment.passwordHome;
    if (!isHome(home)) {
        resolution.problem = QStringLiteral("ホームフォルダが分からないため､成績を置くフォルダを決められません");
    } else if (!QFileInfo(home).isDir()) {
        resolution.problem =
            QStringLiteral("ホームフォルダ%1がないため､成績を置くフォルダを決められません").arg(QDir::toNativeSeparators(home));
    } else {
        resolution.path = QDir::cleanPath(home + QStringLiteral("/.local/share/") + folderName);
    }
    if (!resolution.warning.isEmpty()) {
        resolution.warning += resolution.path.isEmpty()
                                  ? resolution.problem
                                  : QStringLiteral("成績は%1に置きます").arg(QDir::toNativeSeparators(resolution.path));
    }
    return resolution;
}

FamilyOutcome DataFolder::make(const QString &path)
{
    if (!QDir::isAbsolutePath(path))
        return FamilyOutcome::failed(QString::fromLocal8Bit(std::strerror(ENOENT)));
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(path).toStdString()), error);
    if (error)
        return FamilyOutcome::failed(QString::fromLocal8Bit(error.message()));
    if (!QFileInfo(path).isDir())
        return FamilyOutcome::failed(QString::fromLocal8Bit(std::strerror(ENOTDIR)));
    return FamilyOutcome::ok();
}
