#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// A school's database on a real PostgreSQL server, set up as the admin sets
// one up: the roles and the schema applied with psql from sql/, the classes
// 1-1 and 1-2, and logins with passwords in a passfile of the test's own,
// named by services in a pg_service.conf of its own (PGSERVICEFILE points
// there while it lives; the user's own files are never read):
//
//   pc1, pc2  classroom PCs of class 1-1     pc3      a PC of class 1-2
//   teacher   reads class 1-1                wrongpw  pc1 with a wrong password
//
// Everything it made (the database, the logins) is dropped when it ends.
class SchoolServer
{
public:
    struct Admin // a superuser's way in
    {
        QString host, port, user, password;
    };
    // The server pg_virtualenv started: its PGHOST, PGPORT, PGUSER and
    // PGPASSWORD, read once and then taken out of this process's environment,
    // so that nothing reaches the server but through a service.
    static std::optional<Admin> started();

    explicit SchoolServer(const Admin &admin);
    ~SchoolServer();

    const QString &problem() const { return problem_; } // empty when it is ready
    QString service(const QString &login) const { return tag_ + '-' + login; }
    // A login's role on the server and its password, to log in by hand.
    QString role(const QString &login) const { return tag_ + '_' + login; }
    QString password(const QString &login) const { return passwords_.value(login); }
    // A service for pc1's login at another port of this machine.
    QString addService(const QString &name, int port);

    struct Ran
    {
        bool ok = false;
        QString out; // rows, columns split by '|'
        QString err;
    };
    // Runs SQL with psql as the admin, or through one of the services above.
    Ran psql(const QString &sql, const QString &login = QString()) const;
    // Applies the shipped roles and schema, as the admin does.
    Ran applySchema() const;

private:
    Ran run(const QStringList &arguments, const QString &login = QString()) const;
    QByteArray entry(const QString &name, const QString &port, const QString &passfile) const;

    Admin admin_;
    QString tag_;
    QTemporaryDir dir_;
    QString previousServiceFile_;
    QString problem_;
    QStringList roles_;
    QHash<QString, QString> passwords_;
};

// A PostgreSQL cluster of a test's own, to stop and start without touching the
// server the other tests use: made with postgresql-common's tools (which work
// as root, where initdb alone refuses, and as any user), its configuration and
// data in a temporary folder, dropped when it ends.
class OwnCluster
{
public:
    OwnCluster();
    ~OwnCluster();
    const QString &problem() const { return problem_; }
    SchoolServer::Admin admin() const;
    bool start() { return tool({"pg_ctlcluster", version_, name_, "start"}); }
    bool stopImmediately() { return tool({"pg_ctlcluster", "--mode", "immediate", version_, name_, "stop"}); }

private:
    bool tool(const QStringList &command);

    QTemporaryDir dir_;
    QString version_, name_, port_, problem_;
    bool made_ = false;
};
