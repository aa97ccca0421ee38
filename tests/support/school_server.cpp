#include "support/school_server.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
QString randomWord()
{
    return QString::number(QRandomGenerator::system()->generate64(), 36);
}

bool writeFile(const QString &path, const QByteArray &text, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write(text) == text.size() && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

QProcessEnvironment with(const QStringList &pairs)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (int i = 0; i + 1 < pairs.size(); i += 2)
        env.insert(pairs[i], pairs[i + 1]);
    return env;
}
} // namespace

std::optional<SchoolServer::Admin> SchoolServer::started()
{
    static const std::optional<Admin> admin = [] {
        std::optional<Admin> found;
        if (qEnvironmentVariableIsSet("PGHOST") && qEnvironmentVariableIsSet("PGPORT"))
            found = Admin{qEnvironmentVariable("PGHOST"), qEnvironmentVariable("PGPORT"), qEnvironmentVariable("PGUSER"),
                          qEnvironmentVariable("PGPASSWORD")};
        for (const char *name : {"PGHOST", "PGPORT", "PGUSER", "PGPASSWORD", "PGDATABASE", "PGSERVICE"})
            qunsetenv(name);
        return found;
    }();
    return admin;
}

SchoolServer::SchoolServer(const Admin &admin)
    : admin_(admin), tag_("sansu_" + randomWord()), previousServiceFile_(qEnvironmentVariable("PGSERVICEFILE"))
{
    started();
    QByteArray passwords, services = entry("wrongpw", admin_.port, dir_.filePath("wrong"));
    QString setUp = "INSERT INTO sansu.classes VALUES ('1-1', '1年1組'), ('1-2', '1年2組');";
    for (const QString login : {"pc1", "pc2", "pc3", "teacher"}) {
        const QString role = tag_ + '_' + login, password = randomWord();
        passwords_.insert(login, password);
        const bool pc = login.startsWith("pc");
        roles_ << role;
        passwords += "*:*:*:" + role.toUtf8() + ":" + password.toUtf8() + "\n";
        services += entry(login, admin_.port, dir_.filePath("passfile"));
        setUp += QString("CREATE ROLE %1 LOGIN PASSWORD '%2' IN ROLE %3; INSERT INTO sansu.%4 VALUES ('%1', '%5');")
                     .arg(role, password, pc ? "sansu_pc" : "sansu_teacher", pc ? "class_pcs" : "class_teachers",
                          login == "pc3" ? "1-2" : "1-1");
    }
    if (!writeFile(dir_.filePath("passfile"), passwords) || !writeFile(dir_.filePath("wrong"), "*:*:*:*:wrong\n")
        || !writeFile(dir_.filePath("pg_service.conf"), services))
        problem_ = "cannot write the passfile or the service file";
    qputenv("PGSERVICEFILE", QFile::encodeName(dir_.filePath("pg_service.conf")));
    Ran made = run({"-d", "postgres", "-c", "CREATE DATABASE " + tag_});
    if (!made.ok)
        roles_.clear();
    made = made.ok ? applySchema() : made;
    made = made.ok ? psql(setUp) : made;
    if (!made.ok)
        problem_ += made.err;
}

SchoolServer::~SchoolServer()
{
    if (!roles_.isEmpty())
        run({"-d", "postgres", "-c", "DROP DATABASE IF EXISTS " + tag_ + " WITH (FORCE)", "-c",
             "DROP ROLE IF EXISTS " + roles_.join(", ")});
    if (previousServiceFile_.isEmpty())
        qunsetenv("PGSERVICEFILE");
    else
        qputenv("PGSERVICEFILE", QFile::encodeName(previousServiceFile_));
}

QByteArray SchoolServer::entry(const QString &name, const QString &port, const QString &passfile) const
{
    return QString("[%1]\nhost=%2\nport=%3\ndbname=%4\nuser=%4_%5\npassfile=%6\n\n")
        .arg(service(name), admin_.host, port, tag_, name.startsWith("pc") || name == "teacher" ? name : "pc1", passfile)
        .toUtf8();
}

QString SchoolServer::addService(const QString &name, int port)
{
    writeFile(dir_.filePath("pg_service.conf"), entry(name, QString::number(port), dir_.filePath("passfile")),
              QIODevice::Append);
    return service(name);
}

SchoolServer::Ran SchoolServer::run(const QStringList &arguments, const QString &login) const
{
    QProcess psql;
    psql.setProcessEnvironment(login.isEmpty() ? with({"PGHOST", admin_.host, "PGPORT", admin_.port, "PGUSER", admin_.user,
                                                       "PGPASSWORD", admin_.password, "PGDATABASE", tag_})
                                               : with({"PGSERVICE", service(login)}));
    psql.start("psql", QStringList{"-X", "-q", "-At", "-v", "ON_ERROR_STOP=1", "-v", "VERBOSITY=verbose"} + arguments);
    const bool ended = psql.waitForFinished(60000) && psql.exitStatus() == QProcess::NormalExit;
    return {ended && psql.exitCode() == 0, QString::fromUtf8(psql.readAllStandardOutput()).trimmed(),
            QString::fromUtf8(psql.readAllStandardError()).trimmed()};
}

SchoolServer::Ran SchoolServer::psql(const QString &sql, const QString &login) const
{
    return run({"-c", sql}, login);
}

SchoolServer::Ran SchoolServer::applySchema() const
{
    return run({"-f", SANSU_SOURCE_DIR "/sql/school-roles.sql", "-f", SANSU_SOURCE_DIR "/sql/school-schema.sql"});
}

OwnCluster::OwnCluster() : name_("sansu-" + randomWord())
{
    // The newest server installed, or the one pg_virtualenv runs.
    QStringList versions = QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(), [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    version_ = qEnvironmentVariable("PGVERSION", versions.value(versions.size() - 1));
    // A port nothing listens on now, from the system.
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length);
    port_ = QString::number(ntohs(address.sin_port));
    ::close(s);
    // As root the cluster runs as postgres, which must own its folder.
    const passwd *postgres = ::getpwnam("postgres");
    if (::geteuid() == 0 && (!postgres || ::chown(QFile::encodeName(dir_.path()), postgres->pw_uid, postgres->pw_gid) != 0))
        problem_ = "no user postgres to run a cluster as root";
    QFile pw(dir_.filePath("pw"));
    if (!pw.open(QIODevice::WriteOnly) || pw.write("sansu-admin\n") < 0 || !pw.setPermissions(QFile::ReadOwner | QFile::ReadOther))
        problem_ += "cannot write " + pw.fileName();
    pw.close();
    made_ = problem_.isEmpty()
            && tool({"pg_createcluster", "--quiet", "-p", port_, "-d", dir_.filePath("data"), "-s", dir_.path(), "-l",
                     dir_.filePath("log"), "--pgoption", "fsync=off", version_, name_, "--", "--username=postgres",
                     "--pwfile=" + pw.fileName(), "--nosync", "--auth-local=trust", "--auth-host=scram-sha-256"});
    if (made_)
        start();
}

OwnCluster::~OwnCluster()
{
    if (made_)
        tool({"pg_dropcluster", "--stop", version_, name_});
}

SchoolServer::Admin OwnCluster::admin() const
{
    return {"localhost", port_, "postgres", "sansu-admin"};
}

bool OwnCluster::tool(const QStringList &command)
{
    QProcess p;
    // The cluster's configuration in this folder, never in /etc.
    p.setProcessEnvironment(with({"PG_CLUSTER_CONF_ROOT", dir_.filePath("conf")}));
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(command.first(), command.mid(1));
    const bool done = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!done)
        problem_ = command.join(' ') + ": " + QString::fromLocal8Bit(p.readAll());
    return done;
}
