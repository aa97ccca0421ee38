#include "teacher/class_server.h"

#include "school/server_link.h"
#include "school/thread_ending.h"
#include "teacher/teacher_statements.h"

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {
const QString driverName = QStringLiteral("QPSQL");
// How long the end waits for a call to the server in progress.
constexpr std::chrono::milliseconds endBound(2000);

QString newConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("sansu-teacher-%1").arg(counter.fetchAndAddRelaxed(1));
}

// Overwrites a text's letters before it is let go.
void wipe(QString &text)
{
    text.fill(QChar(u'\0'));
    text.clear();
}

// A thread the end stopped waiting for, back from the server: it stays here
// and touches nothing more (see ~ClassServer).
[[noreturn]] void park()
{
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(24));
}
} // namespace

struct ClassServer::Shared
{
    QString connectionName = newConnectionName();
    std::mutex lock; // guards what follows, up to `emitting`
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;
    bool finished = false;
    bool abandoned = false;

    std::mutex emitting; // held while a reply is posted; the end takes it to cut the thread off
    ClassServer *owner = nullptr;

    void post(Reply reply)
    {
        {
            const std::lock_guard<std::mutex> held(lock);
            if (abandoned)
                park();
        }
        const std::lock_guard<std::mutex> held(emitting);
        if (owner) {
            ClassServer *to = owner;
            QMetaObject::invokeMethod(to, [to, reply] { to->deliver(reply); }, Qt::QueuedConnection);
        }
    }

    static void run(std::shared_ptr<Shared> shared)
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> held(shared->lock);
                shared->wake.wait(held, [&] { return shared->stopping || !shared->jobs.empty(); });
                if (shared->stopping)
                    break;
                job = std::move(shared->jobs.front());
                shared->jobs.pop_front();
            }
            job();
        }
        if (QSqlDatabase::contains(shared->connectionName)) {
            QSqlDatabase::database(shared->connectionName, false).close();
            QSqlDatabase::removeDatabase(shared->connectionName);
        }
        {
            const std::lock_guard<std::mutex> held(shared->lock);
            shared->finished = true;
        }
        shared->wake.notify_all();
    }
};

ClassServer::ClassServer(QObject *parent) : QObject(parent), shared_(std::make_shared<Shared>())
{
    shared_->owner = this;
    thread_ = std::make_unique<std::thread>(&Shared::run, shared_);
}

ClassServer::~ClassServer()
{
    bool finished = false;
    {
        std::unique_lock<std::mutex> held(shared_->lock);
        shared_->stopping = true;
        shared_->jobs.clear();
        shared_->wake.notify_all();
        finished = shared_->wake.wait_for(held, endBound, [this] { return shared_->finished; });
        shared_->abandoned = !finished;
    }
    // A thread still inside a call to the server keeps what it uses alive
    // (Shared through its own pointer, the connection through its handles,
    // the driver because Qt never unloads a loaded plugin) and parks once back.
    letThreadGo(*shared_, *thread_, finished);
}

void ClassServer::run(Job job)
{
    if (pending_++ == 0)
        emit busyChanged(true);
    const std::weak_ptr<Shared> weak = shared_;
    const std::lock_guard<std::mutex> held(shared_->lock);
    shared_->jobs.push_back([weak, job = std::move(job)] {
        const std::shared_ptr<Shared> shared = weak.lock();
        if (!shared)
            return;
        QSqlDatabase db = QSqlDatabase::database(shared->connectionName, false);
        Reply reply = job(db);
        shared->post(std::move(reply));
    });
    shared_->wake.notify_all();
}

void ClassServer::deliver(Reply reply)
{
    if (reply)
        reply();
    if (--pending_ == 0)
        emit busyChanged(false);
}

void ClassServer::open(const Login &login, QString password, std::function<void(const Opening &)> done)
{
    login_ = login;
    const QString name = shared_->connectionName;
    run([login, password = std::move(password), name, done = std::move(done)](QSqlDatabase &) mutable -> Reply {
        const Opening opening = connectAs(login, password, name);
        wipe(password);
        if (opening.opened != Opened::Ready && QSqlDatabase::contains(name))
            QSqlDatabase::removeDatabase(name);
        return [done, opening] { done(opening); };
    });
}

ClassServer::Opening ClassServer::connectAs(const Login &login, const QString &password, const QString &name)
{
    Opening opening;
    if (!QSqlDatabase::isDriverAvailable(driverName)) {
        opening.opened = Opened::NoDriver;
        opening.words = QStringLiteral("Qt's PostgreSQL driver (QPSQL) is not installed");
        return opening;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(driverName, name);
    // As the sender's connection: the connect bounded by connect_timeout, a
    // server that answers and then hangs by the statement timeout, a peer
    // that is gone by keepalives.
    db.setConnectOptions(ServerLink::connectOptions(login.service, login.connectTimeoutS, login.statementTimeoutMs,
                                                    login.statementTimeoutMs * 2, QStringLiteral("sansu-drill-class")));
    db.setUserName(login.user);
    db.setPassword(password);
    const bool opened = db.open();
    db.setPassword(QString());
    if (!opened) {
        opening.words = ServerLink::wordsOf(db.lastError());
        opening.opened = ServerLink::isLoginRefused(opening.words) ? Opened::LoginRefused : Opened::Failed;
        return opening;
    }
    QSqlQuery query(db);
    if (!query.exec(TeacherStatements::schemaVersion()) || !query.next()) {
        opening.words = query.lastError().isValid() ? ServerLink::wordsOf(query.lastError())
                                                    : QStringLiteral("the server has no schema version");
        db.close();
        return opening;
    }
    const int major = query.value(0).toInt(), minor = query.value(1).toInt();
    if (major != 1 || minor < 1) {
        opening.opened = major > 1 ? Opened::SchemaNewer : Opened::SchemaOlder;
        opening.words = QStringLiteral("%1.%2").arg(major).arg(minor);
        db.close();
        return opening;
    }
    for (auto [statement, classes] : {std::pair{TeacherStatements::teacherClasses(), &opening.classes},
                                      std::pair{TeacherStatements::allClasses(), &opening.allClasses}}) {
        if (!query.exec(statement)) {
            opening.words = ServerLink::wordsOf(query.lastError());
            opening.opened = query.lastError().nativeErrorCode() == QLatin1String("42501") ? Opened::NotATeacher
                                                                                          : Opened::Failed;
            db.close();
            return opening;
        }
        while (query.next())
            classes->append({query.value(0).toString(), query.value(1).toString()});
    }
    opening.opened = opening.classes.isEmpty() ? Opened::NotATeacher : Opened::Ready;
    if (opening.opened != Opened::Ready)
        db.close();
    return opening;
}
