#include "family/family_files.h"

#include "files/folder_entries.h"
#include "files/temporary_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// Makes a rename or a new entry in `folder` last through a power cut.
void syncFolder(const QString &folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).path();
}

} // namespace

QString FamilyFiles::temporaryFor(const QString &path)
{
    return TemporaryFiles::nameFor(path, writing);
}

QString FamilyFiles::writeTemporary(const QString &temporary, const QByteArray &bytes)
{
    // One of this process's own, left by a write that was stopped.
    if (FolderEntries::exists(temporary))
        ::unlink(native(temporary).constData());
    const int fd = ::open(native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return systemReason(errno);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(native(temporary).constData());
            return systemReason(error);
        }
        written += n;
    }
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    if (::close(fd) != 0 || !synced) {
        const int error = synced ? errno : syncError;
        ::unlink(native(temporary).constData());
        return systemReason(error);
    }
    return QString();
}

QString FamilyFiles::replace(const QString &temporary, const QString &path)
{
    if (::rename(native(temporary).constData(), native(path).constData()) != 0) {
        const int error = errno;
        ::unlink(native(temporary).constData());
        return systemReason(error);
    }
    syncFolder(folderOf(path));
    return QString();
}

QString FamilyFiles::move(const QString &from, const QString &to)
{
    if (::renameat2(AT_FDCWD, native(from).constData(), AT_FDCWD, native(to).constData(), RENAME_NOREPLACE) != 0) {
        // A file system that cannot refuse to replace: the family's lock keeps
        // the program's other copies away between the look and the rename.
        if (errno != EINVAL && errno != ENOSYS)
            return systemReason(errno);
        if (FolderEntries::exists(to))
            return systemReason(EEXIST);
        if (::rename(native(from).constData(), native(to).constData()) != 0)
            return systemReason(errno);
    }
    syncFolder(folderOf(to));
    if (folderOf(from) != folderOf(to))
        syncFolder(folderOf(from));
    return QString();
}

QString FamilyFiles::makeFolder(const QString &path)
{
    if (::mkdir(native(path).constData(), 0755) != 0)
        return systemReason(errno);
    syncFolder(folderOf(path));
    return QString();
}

QString FamilyFiles::removeFile(const QString &path)
{
    if (::unlink(native(path).constData()) != 0 && errno != ENOENT)
        return systemReason(errno);
    return QString();
}

void FamilyFiles::removeFolderIfEmpty(const QString &path)
{
    if (::rmdir(native(path).constData()) == 0)
        syncFolder(folderOf(path));
}

std::optional<QByteArray> FamilyFiles::readSmall(const QString &path, qint64 limit)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > limit)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(limit + 1);
    if (bytes.size() > limit)
        return std::nullopt;
    return bytes;
}

void FamilyFiles::removeStaleTemporaries(const QString &folder)
{
    TemporaryFiles::removeStale(folder, {QStringLiteral("creating"), QStringLiteral("carrying")}, {writing});
}
