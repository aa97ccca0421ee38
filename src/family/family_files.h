#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The file operations the family is built from, each either done or failed
// with the system's reason (an empty reason means done). Files are replaced
// only by a rename of a whole new file, and a results file is only ever moved
// by a rename that never replaces anything: it is never copied.
class FamilyFiles
{
public:
    // Where this process writes a new `path` before putting it in place:
    // ".NAME.PID.writing" beside it.
    static QString temporaryFor(const QString &path);
    static inline const QString writing = QStringLiteral("writing");
    // Writes `bytes` to `temporary` and flushes them to the disk.
    static QString writeTemporary(const QString &temporary, const QByteArray &bytes);
    // Puts the temporary in place of `path` (replacing it), by one rename.
    static QString replace(const QString &temporary, const QString &path);
    // Renames `from` to `to`; fails when `to` exists.
    static QString move(const QString &from, const QString &to);
    static QString makeFolder(const QString &path);
    static QString removeFile(const QString &path);
    // Removes a folder when nothing is left in it; a folder that still holds
    // something is left as it is.
    static void removeFolderIfEmpty(const QString &path);

    // The contents of a regular file of at most `limit` bytes; nothing when
    // the name is missing, too long, or no regular file (a named pipe is never
    // opened).
    static std::optional<QByteArray> readSmall(const QString &path, qint64 limit);
    // Removes from `folder` the temporaries of processes that are gone (the
    // family's own, and a results file left half made or half carried over),
    // and this process's own family temporaries (it writes one only while it
    // holds the family's lock).
    static void removeStaleTemporaries(const QString &folder);
};
