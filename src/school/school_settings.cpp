#include "school/school_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString relativePath = QStringLiteral("sansu-drill/school.conf");

// An XDG base folder: only an absolute path counts.
bool usable(const QString &folder)
{
    return !folder.isEmpty() && QDir::isAbsolutePath(folder);
}

QString configHome()
{
    const QString set = qEnvironmentVariable("XDG_CONFIG_HOME");
    return usable(set) ? set : QDir::homePath() + QStringLiteral("/.config");
}

QStringList candidates()
{
    QStringList files{configHome() + QLatin1Char('/') + relativePath};
    QStringList dirs = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    dirs.removeIf([](const QString &d) { return !usable(d); });
    if (dirs.isEmpty())
        dirs << QStringLiteral("/etc/xdg");
    for (const QString &dir : dirs)
        files << dir + QLatin1Char('/') + relativePath;
    return files;
}

QString systemWords(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

SchoolSettings SchoolSettings::find()
{
    for (const QString &file : candidates()) {
        struct stat st;
        // Anything of that name is the file in force, even one that cannot
        // be read: it is named rather than passed over.
        if (::lstat(QFile::encodeName(file).constData(), &st) == 0 || errno != ENOENT)
            return read(file);
    }
    return {};
}

SchoolSettings SchoolSettings::read(const QString &path)
{
    SchoolSettings s;
    s.path_ = path;
    const auto failed = [&s](Problem problem, const QString &detail = QString()) {
        s.problem_ = problem;
        s.detail_ = detail;
        return s;
    };
    // Opened without blocking, so that a named pipe put there cannot hold the
    // program; what it is is then told from the open file itself.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return failed(errno == EISDIR ? Problem::Folder : Problem::Unreadable, systemWords(errno));
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return failed(Problem::Unreadable, systemWords(error));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return failed(S_ISDIR(st.st_mode) ? Problem::Folder : Problem::NotAFile);
    }
    if (st.st_size > maxBytes) {
        ::close(fd);
        return failed(Problem::TooLarge);
    }
    QByteArray text(maxBytes + 1, Qt::Uninitialized);
    qint64 got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, size_t(text.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return failed(error == EISDIR ? Problem::Folder : Problem::Unreadable, systemWords(error));
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    if (got > maxBytes) // it grew while being read
        return failed(Problem::TooLarge);
    text.truncate(got);
    for (const QString &raw : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')) || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("service"))
            s.service_ = value;
        else if (key == QLatin1String("class"))
            s.classId_ = value;
        else if (key == QLatin1String("mode"))
            s.classroom_ = value.compare(QLatin1String("classroom"), Qt::CaseInsensitive) == 0;
    }
    if (s.service_.isEmpty())
        return failed(Problem::NoService);
    return s;
}

QString SchoolSettings::userPath()
{
    return configHome() + QLatin1Char('/') + relativePath;
}

StoreOutcome SchoolSettings::write(const QString &service, const QString &classId)
{
    const auto oneLine = [](const QString &value) {
        return !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r'));
    };
    if (service.trimmed().isEmpty() || !oneLine(service) || !oneLine(classId))
        return StoreOutcome::failed(QStringLiteral("a service, and a class, are one line each"));
    const QString path = userPath();
    if (!QDir().mkpath(QFileInfo(path).path()))
        return StoreOutcome::failed(QStringLiteral("cannot make the folder of ") + path);
    QSaveFile file(path);
    QByteArray text = "service=" + service.toUtf8() + '\n';
    if (!classId.isEmpty())
        text += "class=" + classId.toUtf8() + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return StoreOutcome::failed(file.errorString());
    return StoreOutcome::ok();
}
