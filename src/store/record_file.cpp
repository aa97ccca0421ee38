#include "store/record_file.h"

#include "files/folder_entries.h"
#include "files/temporary_files.h"
#include "store/carry_over_lock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>


namespace {
std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
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
    const QString entry = FolderEntries::inAnyCase(QStringLiteral("."), fileName);
    return entry.isEmpty() ? fileName : entry;
}

bool RecordFile::existsInAnyCase(const QString &path)
{
    const QFileInfo info(path);
    return !FolderEntries::inAnyCase(info.path(), info.fileName()).isEmpty();
}

QString RecordFile::temporaryName(const QString &path, const QString &what)
{
    return TemporaryFiles::nameFor(path, what);
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
    QStringList removed = TemporaryFiles::removeStale(QStringLiteral("."), {QStringLiteral("creating"), QStringLiteral("carrying")},
                                                      {}, fileName);
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
