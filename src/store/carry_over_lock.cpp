#include "store/carry_over_lock.h"

#include <QThread>

namespace {
// A copy that has just made its lock writes what it is into it at once: a
// lock that says nothing for this long was written by no copy.
constexpr unsigned long writingMs = 200;
} // namespace

CarryOverLock::CarryOverLock(const QString &path) : name_(RecordFile::lockName(path)), lock_(name_) {}

CarryOverLock::Status CarryOverLock::take()
{
    kind_ = RecordFile::entryKind(name_);
    if (kind_ != RecordFile::Kind::Missing && kind_ != RecordFile::Kind::Regular)
        return Status::InTheWay;
    if (lock_.tryLock(0))
        return Status::Taken;
    switch (lock_.error()) {
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
        break;
    case QLockFile::PermissionError:
        return Status::NoPermission;
    case QLockFile::UnknownError:
        return Status::Failed;
    }
    qint64 pid = 0;
    QString host, application;
    if (lock_.getLockInfo(&pid, &host, &application))
        return Status::HeldByAnotherCopy;
    QThread::msleep(writingMs);
    if (lock_.getLockInfo(&pid, &host, &application))
        return Status::HeldByAnotherCopy;
    // Nothing any copy wrote: taken over, unless it has become something else.
    if (RecordFile::entryKind(name_) != RecordFile::Kind::Regular || !lock_.removeStaleLockFile())
        return Status::Failed;
    return lock_.tryLock(0) ? Status::Taken : Status::HeldByAnotherCopy;
}
