#pragma once

#include "store/store_outcome.h"

#include <QString>

// Whether this PC belongs to a school, and how it reaches the school's server:
// the file sansu-drill/school.conf, found the XDG way: in $XDG_CONFIG_HOME
// (~/.config when unset) first, then in each folder of $XDG_CONFIG_DIRS
// (/etc/xdg when unset). The first file found is the one read. It holds
// key=value lines (INI sections and lines starting with # or ; are passed
// over):
//
//     service=school       the libpq service (pg_service.conf) naming the server
//     class=1-2            the class this PC's children practise in (optional)
//     mode=classroom       a school's own PC (set by the school's admin): it
//                          opens on the class's picker, filled from the
//                          class roster on the server
//
// No password is ever kept here: libpq's passfile or the service file hold it.
// Without a file, nothing about the program changes.
class SchoolSettings
{
public:
    enum class Problem {
        None,
        Unreadable, // the system refused to read it (detail: its words)
        Folder,     // a folder of that name
        NotAFile,   // a named pipe, a socket or a device: never opened
        TooLarge,   // more than maxBytes
        NoService,  // no service= line, or an empty one
    };
    static constexpr qint64 maxBytes = 64 * 1024;

    // The settings in force for this user: the first file found, read; none
    // found leaves every field empty.
    static SchoolSettings find();
    // The file at `path`, read.
    static SchoolSettings read(const QString &path);
    // The user's own file, where write() puts it.
    static QString userPath();
    // Writes the user's own file (a new file moved into place, so a reader
    // never sees half of it), making its folder when missing.
    static StoreOutcome write(const QString &service, const QString &classId);

    // True when a file was found, read and names a service.
    bool configured() const { return !path_.isEmpty() && problem_ == Problem::None; }
    const QString &path() const { return path_; } // where they came from; empty when none
    const QString &service() const { return service_; }
    const QString &classId() const { return classId_; }
    bool classroom() const { return classroom_; }
    Problem problem() const { return problem_; }
    const QString &detail() const { return detail_; } // the system's words for Unreadable

private:
    QString path_;
    QString service_;
    QString classId_;
    bool classroom_ = false;
    Problem problem_ = Problem::None;
    QString detail_;
};
