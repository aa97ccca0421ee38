#pragma once

#include "store/record_file.h"

#include <QLockFile>
#include <QString>

// The lock a copy of the program holds while it carries the results file over
// (".NAME.lock" beside it), so that one copy at a time does. Held from take()
// until the object goes.
class CarryOverLock
{
public:
    enum class Status {
        Taken,
        HeldByAnotherCopy, // a copy of the program that still runs holds it
        NoPermission,      // the folder may not be written
        InTheWay,          // something that is no lock of ours has its name (kind())
        Failed,            // the lock could not be made for another reason
    };

    // `path`: the results file.
    explicit CarryOverLock(const QString &path);

    // Takes the lock unless another copy holds it. A lock whose holder is
    // gone, and a file there that no copy wrote (empty or garbage, still so a
    // moment later), is taken over; anything that is not a plain file (a
    // folder, a symbolic link) is left alone and never written through.
    Status take();
    // The lock's path, and what is at its name when that is InTheWay.
    QString name() const { return name_; }
    RecordFile::Kind kind() const { return kind_; }

private:
    QString name_;
    RecordFile::Kind kind_ = RecordFile::Kind::Missing;
    QLockFile lock_;
};
