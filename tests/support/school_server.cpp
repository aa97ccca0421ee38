#include "support/school_server.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char *const adminVariables[] = {"PGHOST", "PGPORT", "PGUSER", "PGPASSWORD", "PGDATABASE", "PGSERVICE"};

QString randomWord()
{
    return QString::number(QRandomGenerator::system()->generate64(), 36);
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size()
           && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}
} // namespace

std::optional<SchoolServer::Admin> SchoolServer::started()
{
    static const std::optional<Admin> admin = [] {
        std::optional<Admin> found;
        if (qEnvironmentVariableIsSet("PGHOST") && qEnvironmentVariableIsSet("PGPORT"))
            found = Admin{qEnvironmentVariable("PGHOST"), qEnvironmentVariable("PGPORT"),
                          qEnvironmentVariable("PGUSER"), qEnvironmentVariable("PGPASSWORD")};
        for (const char *name : adminVariables)
            qunsetenv(name);
        return found;
    }();
    return admin;
}

SchoolServer::SchoolServer(const Admin &admin)
    : admin_(admin), tag_(QStringLiteral("sansu_") + randomWord()),
      previousServiceFile_(qEnvironmentVariable("PGSERVICEFILE"))
{
    started(); // the admin's variables out of the environment
    const QString passfile = dir_.filePath(QStringLiteral("passfile"));
    const QString wrong = dir_.filePath(QStringLiteral("wrong-passfile"));
    QByteArray passwords;
    QByteArray services;
    QStringList roles;
    QString setUp = QStringLiteral("INSERT INTO sansu.classes VALUES ('1-1', '1年1組'), ('1-2', '1年2組');\n");
    const std::pair<QString, QString> logins[] = {{"pc1", "sansu_pc"}, {"pc2", "sansu_pc"}, {"pc3", "sansu_pc"},
                                                  {"teacher", "sansu_teacher"}};
    for (const auto &[login, group] : logins) {
        const QString role = tag_ + QLatin1Char('_') + login;
        const QString password = randomWord();
        roles << role;
        passwords += "*:*:*:" + role.toUtf8() + ":" + password.toUtf8() + "\n";
        services += entry(login, admin_.port, login, passfile);
        setUp += QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2' IN ROLE %3;\n").arg(role, password, group);
        setUp += QStringLiteral("INSERT INTO sansu.%1 VALUES ('%2', '%3');\n")
                     .arg(group == QLatin1String("sansu_pc") ? "class_pcs" : "class_teachers", role,
                          login == QLatin1String("pc3") ? "1-2" : "1-1");
    }
    services += entry(QStringLiteral("wrongpw"), admin_.port, QStringLiteral("pc1"), wrong);
    if (!writeFile(passfile, passwords) || !writeFile(wrong, "*:*:*:*:not-the-password\n")
        || !writeFile(dir_.filePath(QStringLiteral("pg_service.conf")), services)) {
        problem_ = QStringLiteral("cannot write the passfile or the service file");
        return;
    }
    qputenv("PGSERVICEFILE", QFile::encodeName(dir_.filePath(QStringLiteral("pg_service.conf"))));
    if (const Ran made = run({QStringLiteral("-d"), QStringLiteral("postgres"), QStringLiteral("-c"),
                              QStringLiteral("CREATE DATABASE ") + tag_},
                             QString());
        !made.ok) {
        problem_ = QStringLiteral("no server to work with (run the tests under pg_virtualenv): ") + made.err;
        return;
    }
    made_ = true;
    const Ran schema = applySchema();
    const Ran filled = schema.ok ? psql(setUp) : schema;
    if (!filled.ok)
        problem_ = filled.err;
    roles_ = roles;
}

QByteArray SchoolServer::entry(const QString &name, const QString &port, const QString &login,
                                const QString &passfile) const
{
    return QStringLiteral("[%1]\nhost=%2\nport=%3\ndbname=%4\nuser=%4_%5\npassfile=%6\n\n")
        .arg(service(name), admin_.host, port, tag_, login, passfile)
        .toUtf8();
}

QString SchoolServer::addService(const QString &name, int port)
{
    QFile file(dir_.filePath(QStringLiteral("pg_service.conf")));
    if (file.open(QIODevice::Append))
        file.write(entry(name, QString::number(port), QStringLiteral("pc1"), dir_.filePath(QStringLiteral("passfile"))));
    return service(name);
}

SchoolServer::~SchoolServer()
{
    if (made_) {
        run({QStringLiteral("-d"), QStringLiteral("postgres"), QStringLiteral("-c"),
             QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(tag_)},
            QString());
        if (!roles_.isEmpty())
            run({QStringLiteral("-d"), QStringLiteral("postgres"), QStringLiteral("-c"),
                 QStringLiteral("DROP ROLE IF EXISTS ") + roles_.join(QStringLiteral(", "))},
                QString());
    }
    if (previousServiceFile_.isEmpty())
        qunsetenv("PGSERVICEFILE");
    else
        qputenv("PGSERVICEFILE", QFile::encodeName(previousServiceFile_));
}

SchoolServer::Ran SchoolServer::run(const QStringList &arguments, const QString &login) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (login.isEmpty()) {
        env.insert(QStringLiteral("PGHOST"), admin_.host);
        env.insert(QStringLiteral("PGPORT"), admin_.port);
        env.insert(QStringLiteral("PGUSER"), admin_.user);
        env.insert(QStringLiteral("PGPASSWORD"), admin_.password);
        env.insert(QStringLiteral("PGDATABASE"), tag_);
    } else {
        env.insert(QStringLiteral("PGSERVICE"), service(login));
    }
    QProcess psql;
    psql.setProcessEnvironment(env);
    psql.start(QStringLiteral("psql"), QStringList{QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-At"),
                                                   QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                                   QStringLiteral("-v"), QStringLiteral("VERBOSITY=verbose")}
                                           + arguments);
    Ran ran;
    if (!psql.waitForFinished(60000)) {
        psql.kill();
        psql.waitForFinished();
        ran.err = QStringLiteral("psql did not end: ") + psql.errorString();
        return ran;
    }
    ran.out = QString::fromUtf8(psql.readAllStandardOutput()).trimmed();
    ran.err = QString::fromUtf8(psql.readAllStandardError()).trimmed();
    ran.ok = psql.exitStatus() == QProcess::NormalExit && psql.exitCode() == 0;
    return ran;
}

SchoolServer::Ran SchoolServer::psql(const QString &sql, const QString &login) const
{
    return run({QStringLiteral("-c"), sql}, login);
}

SchoolServer::Ran SchoolServer::psqlFile(const QString &file) const
{
    return run({QStringLiteral("-f"), file}, QString());
}

SchoolServer::Ran SchoolServer::applySchema() const
{
    const Ran roles = psqlFile(QStringLiteral(SANSU_SOURCE_DIR "/sql/school-roles.sql"));
    return roles.ok ? psqlFile(QStringLiteral(SANSU_SOURCE_DIR "/sql/school-schema.sql")) : roles;
}

namespace {
// A port nothing listens on now, from the system.
int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

// The newest PostgreSQL server installed, or the one pg_virtualenv runs.
QString serverVersion()
{
    if (qEnvironmentVariableIsSet("PGVERSION"))
        return qEnvironmentVariable("PGVERSION");
    QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(), [](const QString &a, const QString &b) { return a.toDouble() < b.toDouble(); });
    return versions.value(versions.size() - 1);
}
} // namespace

OwnCluster::OwnCluster() : version_(serverVersion()), name_(QStringLiteral("sansu-") + randomWord()), port_(freePort())
{
    // As root the cluster runs as postgres, which must reach its folder.
    if (::geteuid() == 0) {
        const passwd *postgres = ::getpwnam("postgres");
        if (!postgres || ::chown(QFile::encodeName(dir_.path()).constData(), postgres->pw_uid, postgres->pw_gid) != 0) {
            problem_ = QStringLiteral("no user postgres to run a cluster as root");
            return;
        }
    }
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
    const QString pwfile = dir_.filePath(QStringLiteral("pw"));
    QFile pw(pwfile);
    if (!pw.open(QIODevice::WriteOnly) || pw.write("sansu-admin\n") < 0) {
        problem_ = QStringLiteral("cannot write ") + pwfile;
        return;
    }
    pw.close();
    pw.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    made_ = tool({QStringLiteral("pg_createcluster"), QStringLiteral("--quiet"), QStringLiteral("-p"),
                  QString::number(port_), QStringLiteral("-d"), dir_.filePath(QStringLiteral("data")),
                  QStringLiteral("-s"), dir_.path(), QStringLiteral("-l"), dir_.filePath(QStringLiteral("log")),
                  QStringLiteral("--pgoption"), QStringLiteral("fsync=off"), version_, name_, QStringLiteral("--"),
                  QStringLiteral("--username=postgres"), QStringLiteral("--pwfile=") + pwfile,
                  QStringLiteral("--nosync"), QStringLiteral("--auth-local=trust"),
                  QStringLiteral("--auth-host=scram-sha-256")});
    if (made_)
        start();
}

OwnCluster::~OwnCluster()
{
    if (made_)
        tool({QStringLiteral("pg_dropcluster"), QStringLiteral("--stop"), version_, name_});
}

SchoolServer::Admin OwnCluster::admin() const
{
    return {QStringLiteral("localhost"), QString::number(port_), QStringLiteral("postgres"),
            QStringLiteral("sansu-admin")};
}

bool OwnCluster::start()
{
    return tool({QStringLiteral("pg_ctlcluster"), version_, name_, QStringLiteral("start")});
}

bool OwnCluster::stopImmediately()
{
    return tool({QStringLiteral("pg_ctlcluster"), QStringLiteral("--mode"), QStringLiteral("immediate"), version_,
                 name_, QStringLiteral("stop")});
}

bool OwnCluster::tool(const QStringList &command)
{
    QProcess p;
    // The clusters' configuration in this folder, never in /etc.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PG_CLUSTER_CONF_ROOT"), dir_.filePath(QStringLiteral("conf")));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(command.first(), command.mid(1));
    const bool done = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!done)
        problem_ = command.join(QLatin1Char(' ')) + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAll());
    return done;
}
