#include "files/file_lock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// While another holder has a lock file, it is tried again this often.
constexpr int retryMs = 25;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

FileLock::~FileLock()
{
    release();
}

FileLock::FileLock(FileLock &&other) noexcept
    : fd_(std::exchange(other.fd_, -1)), status_(std::exchange(other.status_, Status::Free)),
      path_(std::move(other.path_)), reason_(std::move(other.reason_))
{
}

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        status_ = std::exchange(other.status_, Status::Free);
        path_ = std::move(other.path_);
        reason_ = std::move(other.reason_);
    }
    return *this;
}

void FileLock::release()
{
    if (fd_ >= 0)
        ::close(fd_); // closing the last opening lets the lock go
    fd_ = -1;
    status_ = Status::Free;
}

FileLock::Status FileLock::takeFolder(const QString &path, Mode mode)
{
    release();
    path_ = path;
    reason_.clear();
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR || error == ELOOP)
            return status_ = Status::Gone;
        reason_ = systemReason(error);
        return status_ = Status::Failed;
    }
    return lock(mode, 0);
}

FileLock::Status FileLock::takeFile(const QString &path, Mode mode, int waitMs)
{
    release();
    path_ = path;
    reason_.clear();
    const QByteArray name = QFile::encodeName(path);
    // Never through a link, never blocking on a named pipe.
    fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        const int error = errno;
        struct stat entry;
        if (::lstat(name.constData(), &entry) == 0 && !S_ISREG(entry.st_mode)) {
            reason_ = S_ISDIR(entry.st_mode) ? QStringLiteral("folder") : S_ISLNK(entry.st_mode) ? QStringLiteral("link")
                                                                                                  : QStringLiteral("other");
            return status_ = Status::InTheWay;
        }
        reason_ = systemReason(error);
        return status_ = Status::Failed;
    }
    struct stat opened;
    if (::fstat(fd_, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        release();
        reason_ = QStringLiteral("other");
        return status_ = Status::InTheWay;
    }
    return lock(mode, waitMs);
}

FileLock::Status FileLock::lock(Mode mode, int waitMs)
{
    const int operation = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (::flock(fd_, operation) == 0)
            return status_ = Status::Taken;
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EWOULDBLOCK) {
            release();
            reason_ = systemReason(error);
            return status_ = Status::Failed;
        }
        if (waited.elapsed() >= waitMs) {
            release();
            return status_ = Status::Held;
        }
        QThread::msleep(retryMs);
    }
}

bool FileLock::stillThere() const
{
    struct stat locked, named;
    return fd_ >= 0 && ::fstat(fd_, &locked) == 0 && ::lstat(QFile::encodeName(path_).constData(), &named) == 0
           && locked.st_dev == named.st_dev && locked.st_ino == named.st_ino;
}
