#include "store/record_file.h"

#include "store/carry_over_lock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace {
QDir here()
{
    return QDir(QStringLiteral("."));
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

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// Whether a process of this number still runs. Where that cannot be asked,
// a temporary file counts as stale once it is a day old.
bool isRunning(qint64 pid, const QFileInfo &left)
{
#ifdef Q_OS_UNIX
    Q_UNUSED(left)
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
#else
    Q_UNUSED(pid)
    return left.lastModified().secsTo(QDateTime::currentDateTime()) < 24 * 3600;
#endif
}
} // namespace

RecordFile::Kind RecordFile::kindOf(const QString &path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status link = fs::symlink_status(fsPath(path), error);
    if (link.type() == fs::file_type::not_found)
        return Kind::Missing;
    const fs::file_status target = fs::status(fsPath(path), error);
    if (error)
        return error == std::errc::too_many_symbolic_link_levels ? Kind::LoopingLink
               : link.type() == fs::file_type::symlink          ? Kind::DanglingLink
                                                                 : Kind::Other;
    switch (target.type()) {
    case fs::file_type::regular:
        return Kind::Regular;
    case fs::file_type::directory:
        return Kind::Folder;
    case fs::file_type::fifo:
        return Kind::NamedPipe;
    case fs::file_type::socket:
        return Kind::Socket;
    case fs::file_type::block:
    case fs::file_type::character:
        return Kind::Device;
    case fs::file_type::not_found:
        return Kind::DanglingLink;
    default:
        return Kind::Other;
    }
}

RecordFile::Kind RecordFile::entryKind(const QString &path)
{
    std::error_code error;
    return std::filesystem::is_symlink(fsPath(path), error) ? Kind::Link : kindOf(path);
}

QString RecordFile::locate(const QString &fileName)
{
    const QString entry = matchingEntry(fileName, here());
    return entry.isEmpty() ? fileName : entry;
}

bool RecordFile::existsInAnyCase(const QString &path)
{
    const QFileInfo info(path);
    return !matchingEntry(info.fileName(), info.dir()).isEmpty();
}

QString RecordFile::temporaryName(const QString &path, const QString &what)
{
    const QFileInfo info(path);
    const QString name =
        QStringLiteral(".%1.%2.%3").arg(info.fileName()).arg(QCoreApplication::applicationPid()).arg(what);
    return info.path() == QLatin1String(".") ? name : info.dir().filePath(name);
}

QString RecordFile::lockName(const QString &path)
{
    const QFileInfo info(path);
    const QString name = QStringLiteral(".%1.lock").arg(info.fileName());
    return info.path() == QLatin1String(".") ? name : info.dir().filePath(name);
}

void RecordFile::removeWithJournal(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

QStringList RecordFile::removeStaleTemporaries(const QString &fileName)
{
    const QRegularExpression temporary(
        QStringLiteral("^\\.%1\\.([0-9]+)\\.(creating|carrying)(-journal|-wal|-shm)?$")
            .arg(QRegularExpression::escape(fileName)),
        QRegularExpression::CaseInsensitiveOption);
    QStringList removed;
    for (const QString &entry : here().entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = temporary.match(entry);
        if (m.hasMatch() && !isRunning(m.captured(1).toLongLong(), QFileInfo(here().filePath(entry)))
            && QFile::remove(entry))
            removed << entry;
    }
    // A lock left by a process that is gone, or that no copy wrote, is taken
    // over and let go.
    const QString path = locate(fileName);
    if (entryKind(lockName(path)) == Kind::Regular) {
        CarryOverLock stale(path);
        if (stale.take() == CarryOverLock::Status::Taken)
            removed << lockName(path);
    }
    return removed;
}

bool RecordFile::currentFolderExists()
{
    // A deleted current folder has no path any more.
    return !QDir::currentPath().isEmpty();
}
