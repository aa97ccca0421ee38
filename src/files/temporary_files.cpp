#include "files/temporary_files.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <climits>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif

namespace {
QRegularExpression formFor(const QStringList &whats, const QString &name)
{
    QStringList escaped;
    for (const QString &what : whats)
        escaped << QRegularExpression::escape(what);
    return QRegularExpression(QStringLiteral("^\\.(%1)\\.([0-9]+)\\.(%2)(-journal|-wal|-shm)?$")
                                  .arg(name.isEmpty() ? QStringLiteral(".+") : QRegularExpression::escape(name),
                                       escaped.join(QLatin1Char('|'))),
                              QRegularExpression::CaseInsensitiveOption);
}
} // namespace

QString TemporaryFiles::nameFor(const QString &path, const QString &what)
{
    const QFileInfo info(path);
    const QString name =
        QStringLiteral(".%1.%2.%3").arg(info.fileName()).arg(QCoreApplication::applicationPid()).arg(what);
    return info.path() == QLatin1String(".") ? name : info.dir().filePath(name);
}

bool TemporaryFiles::processRuns(qint64 pid, const QString &temporary)
{
#ifdef Q_OS_UNIX
    Q_UNUSED(temporary)
    return pid > 0 && pid <= INT_MAX && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
#else
    Q_UNUSED(pid)
    return QFileInfo(temporary).lastModified().secsTo(QDateTime::currentDateTime()) < 24 * 3600;
#endif
}

bool TemporaryFiles::isTemporary(const QString &name, const QStringList &whats)
{
    return formFor(whats, QString()).match(name).hasMatch();
}

QStringList TemporaryFiles::removeStale(const QString &folder, const QStringList &whats, const QStringList &ownWhats,
                                        const QString &name)
{
    const QRegularExpression form = formFor(whats + ownWhats, name);
    const QDir dir(folder);
    QStringList removed;
    for (const QString &entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = form.match(entry);
        if (!m.hasMatch())
            continue;
        const qint64 pid = m.captured(2).toLongLong();
        const bool own = pid == QCoreApplication::applicationPid()
                         && ownWhats.contains(m.captured(3), Qt::CaseInsensitive);
        const bool gone = pid != QCoreApplication::applicationPid() && !processRuns(pid, dir.filePath(entry));
        if ((own || gone) && QFile::remove(dir.filePath(entry)))
            removed << entry;
    }
    return removed;
}
