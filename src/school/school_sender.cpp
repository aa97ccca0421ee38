#include "school/school_sender.h"

#include "school/server_link.h"
#include "school/thread_ending.h"
#include "store/results_log.h"

#include <QDateTime>

#include <chrono>
#include <condition_variable>
#include <mutex>

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using State = SenderStatus::State;

// What the sender's thread and the sender share. It lives as long as either
// holds it: a thread left behind by stop() keeps it alive on its own.
struct SchoolSender::Shared
{
    Options options;
    std::mutex lock; // guards what follows, up to `emitting`
    std::condition_variable wake;
    bool poked = false;
    bool stopping = false;
    bool abandoned = false; // stop() gave up waiting: touch nothing of Qt's any more
    bool finished = false;
    Clock::time_point lastRoundEnds; // when stopping: the last round's bound
    SenderStatus status;

    std::mutex emitting; // held while the signal is emitted; stop() takes it to cut the sender off
    SchoolSender *owner = nullptr;

    bool isAbandoned()
    {
        const std::lock_guard<std::mutex> held(lock);
        return abandoned;
    }

    // Changes the status; tells the owner when it changed.
    void set(const std::function<void(SenderStatus &)> &change)
    {
        SenderStatus now;
        {
            const std::lock_guard<std::mutex> held(lock);
            SenderStatus was = status;
            change(status);
            if (status == was)
                return;
            now = status;
        }
        const std::lock_guard<std::mutex> held(emitting);
        if (owner)
            emit owner->statusChanged(now);
    }
    void set(State state, const QString &detail = QString(), const QDateTime &retryAt = QDateTime())
    {
        set([&](SenderStatus &s) {
            s.state = state;
            s.detail = detail;
            s.retryAt = retryAt;
        });
    }
};

namespace {
// A thread that stop() stopped waiting for, back from its call to the server
// while the program may be ending: it stays here and touches nothing more
// (see SchoolSender::stop).
[[noreturn]] void park()
{
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(24));
}

enum class Round { Done, Failed, Fatal };

// Sends what waits in every file, batch after batch, and closes the link
// when all is sent (an idle PC holds no connection of the server's).
Round sendAll(SchoolSender::Options &options, SchoolSender::Shared &shared, ServerLink &link, bool last,
              Clock::time_point lastRoundEnds);
} // namespace

SchoolSender::SchoolSender(Options options, QObject *parent) : QObject(parent), shared_(std::make_shared<Shared>())
{
    qRegisterMetaType<SenderStatus>();
    shared_->options = std::move(options);
    shared_->owner = this;
}

SchoolSender::~SchoolSender()
{
    stop();
}

void SchoolSender::start()
{
    if (thread_)
        return;
    shared_->set(State::Connecting);
    thread_ = std::make_unique<std::thread>(&SchoolSender::run, shared_);
}

void SchoolSender::poke()
{
    {
        const std::lock_guard<std::mutex> held(shared_->lock);
        shared_->poked = true;
    }
    shared_->wake.notify_all();
}

SenderStatus SchoolSender::status() const
{
    const std::lock_guard<std::mutex> held(shared_->lock);
    return shared_->status;
}

// The exit never waits for the server longer than `boundMs`. Qt 6.4's
// PostgreSQL driver connects with libpq's blocking PQconnectdb, and a query
// blocks in libpq too; neither can be cut short from another thread through
// Qt. connect_timeout, the statement timeout, keepalives and tcp_user_timeout
// bound those calls, but not to the bound of an exit. So when the thread is
// still inside such a call at the bound, it is let go (detached) rather than
// waited for or killed:
// - everything it uses stays alive: Shared through its own shared_ptr, its
//   connection through the QSqlDatabase handles it holds (a driver lives as
//   long as a handle refers to it), the driver's code because Qt never
//   unloads a plugin it has loaded;
// - it is marked abandoned, and once back from the call it stops at once
//   (park()) without closing its connection or ending the thread, either of
//   which would touch Qt's global state while the program may be tearing it
//   down; the kernel closes the socket when the process ends;
// - it emits nothing more: the owner pointer is cleared under `emitting`, so
//   no signal can reach a sender being destroyed.
bool SchoolSender::stop(int boundMs)
{
    if (!thread_)
        return true;
    {
        const std::lock_guard<std::mutex> held(shared_->lock);
        shared_->stopping = true;
        shared_->lastRoundEnds = Clock::now() + milliseconds(boundMs);
    }
    shared_->wake.notify_all();
    bool finished = false;
    {
        std::unique_lock<std::mutex> held(shared_->lock);
        finished = shared_->wake.wait_for(held, milliseconds(boundMs), [this] { return shared_->finished; });
        shared_->abandoned = !finished;
        shared_->status.state = State::Stopped;
    }
    letThreadGo(*shared_, *thread_, finished);
    thread_.reset();
    return finished;
}

void SchoolSender::run(std::shared_ptr<Shared> shared)
{
    Options &options = shared->options;
    // On the heap: a parked thread never destroys it.
    auto *link = new ServerLink({options.service, options.pcId, options.pcName, options.connectTimeoutS,
                                 options.statementTimeoutMs});
    int retryMs = 0;
    bool fatal = false;
    for (;;) {
        bool last = false;
        Clock::time_point lastRoundEnds;
        {
            const std::lock_guard<std::mutex> held(shared->lock);
            last = shared->stopping;
            lastRoundEnds = shared->lastRoundEnds;
            shared->poked = false;
        }
        // The last round at the end is a try while the server was answering;
        // a server that is failing is not waited for at the end.
        if (!fatal && !(last && retryMs > 0)) {
            const Round round = sendAll(options, *shared, *link, last, lastRoundEnds);
            if (shared->isAbandoned())
                park();
            fatal = round == Round::Fatal;
            if (round == Round::Failed)
                retryMs = retryMs == 0 ? options.firstRetryMs : std::min(retryMs * 2, options.maxRetryMs);
            else
                retryMs = 0;
            if (round == Round::Failed && !last) {
                const QDateTime at = QDateTime::currentDateTime().addMSecs(retryMs);
                shared->set([&](SenderStatus &s) { s.retryAt = at; });
            }
        }
        if (last)
            break;
        std::unique_lock<std::mutex> held(shared->lock);
        // After a failure only the back-off's end (or the stop) starts the
        // next round: pokes would make it hammer a server that is down.
        const int waitMs = fatal ? options.maxRetryMs : retryMs > 0 ? retryMs : options.periodMs;
        shared->wake.wait_for(held, milliseconds(waitMs),
                              [&] { return shared->stopping || (shared->poked && retryMs == 0 && !fatal); });
    }
    delete link;
    {
        const std::lock_guard<std::mutex> held(shared->lock);
        shared->finished = true;
    }
    shared->wake.notify_all();
}

namespace {
Round sendAll(SchoolSender::Options &options, SchoolSender::Shared &shared, ServerLink &link, bool last,
              Clock::time_point lastRoundEnds)
{
    const QStringList files = options.files ? options.files() : QStringList();
    for (const QString &file : files) {
        const ResultsLog log(file);
        qint64 afterSeq = 0;
        for (;;) {
            if (last && Clock::now() >= lastRoundEnds)
                return Round::Done;
            const ResultsLog::QueuedRows waiting = log.readWaiting(options.batchRows, afterSeq);
            // A file that cannot be read now is read again at the next round.
            if (!waiting.outcome || waiting.rows.empty())
                break;
            if (!link.isOpen()) {
                shared.set(State::Connecting);
                QString words;
                const ServerLink::Opened opened = link.open(&words);
                if (shared.isAbandoned())
                    park();
                switch (opened) {
                case ServerLink::Opened::Ready:
                    break;
                case ServerLink::Opened::NoDriver:
                    shared.set(State::NoDriver, words);
                    return Round::Fatal;
                case ServerLink::Opened::SchemaNewer:
                    shared.set(State::SchemaNewer, words);
                    return Round::Fatal;
                case ServerLink::Opened::LoginRefused:
                    shared.set(State::LoginRefused, words);
                    return Round::Failed;
                case ServerLink::Opened::Failed:
                    shared.set(State::WaitingToRetry, words);
                    return Round::Failed;
                }
            }
            shared.set(State::Sending);
            const ServerLink::Sent sent = link.send(waiting.rows);
            afterSeq = waiting.rows.back().seq;
            if (shared.isAbandoned())
                park();
            // Rows stay waiting when a mark fails: sent again, the server
            // passes over what it has.
            bool marked = log.markSent(sent.sent, QDateTime::currentDateTime()).done;
            for (const auto &[seq, why] : sent.refused)
                marked = log.markRefused(seq, why).done && marked;
            shared.set([&](SenderStatus &s) {
                s.sent += qint64(sent.sent.size());
                s.refused += qint64(sent.refused.size());
            });
            if (sent.transient) {
                link.close();
                shared.set(State::WaitingToRetry, sent.words);
                return Round::Failed;
            }
            if (!marked)
                break;
        }
    }
    link.close();
    shared.set(State::AllSent);
    return Round::Done;
}
} // namespace
