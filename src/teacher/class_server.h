#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <thread>

class QSqlDatabase;

// The teacher's connection to the school's server, on a thread of its own
// with a connection of its own: every call to the server runs there, so a
// window never waits for the server (Qt 6.4's PostgreSQL driver connects and
// queries with libpq's blocking calls; connect_timeout, the statement
// timeout and keepalives bound each).
//
// The teacher's password is handed to open() and goes to the server only: it
// is wiped from this program's memory once the connection is made (libpq
// itself keeps it inside the connection while that is open, as any libpq
// client does), and nothing writes it anywhere. A connection that is lost is
// therefore not made again here: the teacher logs in again.
//
// Made, used and destroyed on one thread (the GUI's); the jobs run on the
// server's thread, one after another, in the order given.
class ClassServer : public QObject
{
    Q_OBJECT
public:
    struct Login
    {
        QString service; // the libpq service naming the server (SchoolSettings)
        QString user;    // the teacher's login name
        int connectTimeoutS = 5; // libpq takes 2 s at least
        int statementTimeoutMs = 60000;
    };
    struct ClassName
    {
        QString id;
        QString name;
    };
    enum class Opened {
        Ready,
        Failed,       // the server could not be reached, or failed (words)
        LoginRefused, // wrong login name or password
        NotATeacher,  // the login teaches no class
        SchemaOlder,  // the server's schema predates the rosters (1.0)
        SchemaNewer,  // a newer major version than this program knows
        NoDriver,     // Qt's PostgreSQL driver is not installed
    };
    struct Opening
    {
        Opened opened = Opened::Failed;
        QString words;               // the server's or the driver's, when not Ready
        QList<ClassName> classes;    // Ready: the classes the login teaches
        QList<ClassName> allClasses; // Ready: every class of the school
    };

    explicit ClassServer(QObject *parent = nullptr);
    // Ends the server's thread, waiting for a call in progress at most the
    // statement's bound; a thread still in a call then is let go (it touches
    // nothing more when it returns).
    ~ClassServer() override;

    // Connects with the login and `password`, which is wiped here, and checks
    // that the server's schema has rosters and that the login teaches a
    // class; `done` runs on this object's thread. Called once: a new login
    // is a new ClassServer.
    void open(const Login &login, QString password, std::function<void(const Opening &)> done);
    const Login &login() const { return login_; }

    // What runs on the GUI thread once a job is done.
    using Reply = std::function<void()>;
    // A job: runs on the server's thread with the open connection, and
    // returns its reply.
    using Job = std::function<Reply(QSqlDatabase &db)>;
    void run(Job job);
    // Jobs given and not yet replied to.
    int pending() const { return pending_; }

    struct Shared; // what the server's thread shares with this object (in the .cpp)

signals:
    // pending() went from 0 to more, or back to 0.
    void busyChanged(bool busy);

private:
    void deliver(Reply reply);
    // Opens the connection `name` on the server's thread; closed again
    // unless Ready.
    static Opening connectAs(const Login &login, const QString &password, const QString &name);

    std::shared_ptr<Shared> shared_;
    std::unique_ptr<std::thread> thread_;
    Login login_;
    int pending_ = 0;
};
