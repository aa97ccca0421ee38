#pragma once

#include <QString>

// An advisory lock (flock(2)) held from take() until release() or the
// object's end; the kernel lets it go when the process dies, so a kill never
// leaves one behind. Two kinds: on a folder itself (whatever is inside it is
// left alone; SQLite's own locks on a results file are never disturbed) and
// on a lock file that nothing else opens, made when it is missing and never
// reached through a link. Locks of one process on two openings of one name
// are as separate as two processes': a copy that wants the exclusive lock
// gives up its own shared one first.
class FileLock
{
public:
    enum class Mode { Shared, Exclusive };
    enum class Status {
        Free,  // nothing taken yet, or released
        Taken,
        Held,  // another holder's lock is in the way
        Gone,  // there is no such folder (any more)
        InTheWay, // a lock file's name is taken by something else (what())
        Failed,   // the system refused (reason())
    };

    FileLock() = default;
    ~FileLock();
    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&other) noexcept;
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Locks the folder `path` (not through a link), without waiting.
    Status takeFolder(const QString &path, Mode mode);
    // Locks the lock file `path`, making it when it is missing; waits up to
    // `waitMs` while another holder has it.
    Status takeFile(const QString &path, Mode mode, int waitMs = 0);
    void release();

    Status status() const { return status_; }
    bool isTaken() const { return status_ == Status::Taken; }
    const QString &path() const { return path_; }
    // The system's words for a refusal (Failed), and what has a lock file's
    // name instead (InTheWay): "folder", "link" or "other".
    const QString &reason() const { return reason_; }
    // False once the folder locked has been removed or another has taken its
    // name: the lock then guards nothing there.
    bool stillThere() const;

private:
    Status lock(Mode mode, int waitMs);

    int fd_ = -1;
    Status status_ = Status::Free;
    QString path_;
    QString reason_;
};
