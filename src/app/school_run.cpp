#include "app/school_run.h"

#include "platform/project_globals.h"
#include "school/pc_identity.h"
#include "school/school_sender.h"
#include "store/results_changes.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace {
// A roster asked of the server on a thread of its own, which the program's
// end never waits for.
struct RosterFetch
{
    std::mutex lock;
    bool done = false;
    bool abandoned = false; // the program ends: the thread touches nothing more
};

struct Running
{
    QString dataFolder;
    std::shared_ptr<RosterFetch> rosterFetch;
    std::optional<ResultsLog::QueueOwner> owner; // the child who practises
    const ResultsLog *log = nullptr;
    std::unique_ptr<SchoolSender> sender;
};

Running &running()
{
    static Running state;
    return state;
}

ResultsLog::QueueOwner ownerOf(const Child &child)
{
    return {child.pupilId, child.name, child.classId};
}

QString resultsOf(const Family &family, const Child &child)
{
    return QDir(family.resultsFolder(child.id)).filePath(Family::resultsFileName);
}

// Gives each child without a pupil's key one, and queues what the newly
// joined children practised so far when `sendEarlier`.
QString joinChildren(Family &family, const QString &classId, bool sendEarlier)
{
    QStringList joined;
    const FamilyOutcome given = family.joinSchool(classId, &joined);
    for (const QString &id : std::as_const(joined)) {
        const std::optional<Child> child = family.child(id);
        if (sendEarlier && child && QFileInfo::exists(resultsOf(family, *child)))
            ResultsLog(resultsOf(family, *child)).queueBacklog(ownerOf(*child));
    }
    return given ? QString() : given.reason;
}
} // namespace

SchoolSettings SchoolRun::settings()
{
    return SchoolSettings::find();
}

void SchoolRun::prepare(const QString &dataFolder, Family &family, const Child &child)
{
    running().owner.reset();
    const SchoolSettings school = settings();
    // Rows are sent for a class: without one they would only be refused. A
    // school's own PC takes each pupil's class from the class roster.
    if (!school.configured() || (school.classId().isEmpty() && !school.classroom()) || family.children().isEmpty())
        return;
    const PcIdentity pc = PcIdentity::ensure(dataFolder);
    if (!pc.valid()) {
        std::fprintf(stderr, "sansu-drill: this computer's id for the school cannot be kept: %s\n",
                     qPrintable(pc.problem()));
        return;
    }
    // A school's own computer (the admin's settings) sends what was practised
    // before it joined; a parent's own settings were written in the corner,
    // where the parent chose.
    if (!school.classroom())
        joinChildren(family, school.classId(), school.path() != SchoolSettings::userPath());
    running().dataFolder = dataFolder;
    if (const std::optional<Child> now = family.child(child.id); now && !now->pupilId.isEmpty())
        running().owner = ownerOf(*now);
}

void SchoolRun::attach(const ResultsLog &log)
{
    Running &run = running();
    run.log = &log;
    if (!run.owner)
        return;
    log.setQueueOwner(run.owner);
    if (run.sender) // the next child of a school's PC: the sender runs on
        QObject::connect(&log.changes(), &ResultsChanges::appended, run.sender.get(), &SchoolSender::poke);
    else
        start(run.dataFolder);
}

void SchoolRun::start(const QString &dataFolder)
{
    Running &run = running();
    const SchoolSettings school = settings();
    if (run.sender || !school.configured())
        return;
    const PcIdentity pc = PcIdentity::ensure(dataFolder);
    SchoolSender::Options options;
    options.service = school.service();
    options.pcId = pc.id();
    options.pcName = pc.name();
    // Every child's results file of the family: only a joined child's holds a
    // queue. Read on the sender's thread: a listing of folders, nothing more.
    options.files = [dataFolder] {
        QStringList files;
        const QDir data(dataFolder);
        for (const QString &folder : data.entryList({QStringLiteral("child-*")}, QDir::Dirs | QDir::NoSymLinks))
            files << data.filePath(folder + QLatin1Char('/') + Family::resultsFileName);
        return files;
    };
    run.sender = std::make_unique<SchoolSender>(std::move(options));
    if (run.log)
        QObject::connect(&run.log->changes(), &ResultsChanges::appended, run.sender.get(), &SchoolSender::poke);
    run.sender->start();
}

bool SchoolRun::finish()
{
    std::unique_ptr<SchoolSender> sender = std::move(running().sender);
    bool ended = true;
    if (const std::shared_ptr<RosterFetch> fetch = running().rosterFetch) {
        const std::lock_guard<std::mutex> held(fetch->lock);
        fetch->abandoned = !fetch->done;
        ended = fetch->done;
    }
    running() = Running();
    if (sender && !sender->stop()) {
        (void)sender.release(); // its thread is left to end on its own, with what it holds
        ended = false;
    }
    return ended;
}

void SchoolRun::fetchRoster(const QString &dataFolder, QObject *receiver,
                            const std::function<void(const PcRoster &)> &arrived)
{
    auto fetch = std::make_shared<RosterFetch>();
    running().rosterFetch = fetch;
    const QString service = settings().service();
    const QPointer<QObject> target(receiver);
    std::thread([fetch, service, dataFolder, target, arrived] {
        QString words;
        const std::optional<PcRoster> roster = PcRoster::fetch(service, &words);
        const std::lock_guard<std::mutex> held(fetch->lock);
        fetch->done = true;
        if (fetch->abandoned)
            return;
        if (!roster) {
            std::fprintf(stderr, "sansu-drill: the class roster cannot be read from the school's server: %s\n",
                         qPrintable(words));
            return;
        }
        if (const QString why = roster->write(dataFolder); !why.isEmpty())
            std::fprintf(stderr, "sansu-drill: the class roster cannot be kept: %s\n", qPrintable(why));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [target, arrived, fresh = *roster] {
                if (target)
                    arrived(fresh);
            },
            Qt::QueuedConnection);
    }).detach();
}

QString SchoolRun::join(const QString &dataFolder, const QString &service, const QString &classId, bool sendEarlier)
{
    if (const StoreOutcome written = SchoolSettings::write(service, classId); !written)
        return written.reason;
    Family family(dataFolder);
    family.load();
    if (const QString why = joinChildren(family, classId, sendEarlier); !why.isEmpty())
        return why;
    Running &run = running();
    run.dataFolder = dataFolder;
    // This run's child, if one practises, sends from now on.
    if (const std::optional<Child> child = family.child(ProjectGlobals::instance().childId); child && run.log) {
        run.owner = ownerOf(*child);
        run.log->setQueueOwner(run.owner);
        start(dataFolder);
    }
    return QString();
}

std::optional<SenderStatus> SchoolRun::status()
{
    return running().sender ? std::optional<SenderStatus>(running().sender->status()) : std::nullopt;
}

ResultsLog::QueueCounts SchoolRun::counts(const Family &family)
{
    ResultsLog::QueueCounts all;
    all.outcome = StoreOutcome::ok();
    for (const Child &child : family.children()) {
        if (child.pupilId.isEmpty() || !QFileInfo::exists(resultsOf(family, child)))
            continue;
        const ResultsLog::QueueCounts one = ResultsLog(resultsOf(family, child)).queueCounts();
        if (!one.outcome)
            continue; // no queue yet
        all.waiting += one.waiting;
        all.sent += one.sent;
        all.refused += one.refused;
        all.lastSentAt = std::max(all.lastSentAt, one.lastSentAt);
        all.refusedReasons.insert(all.refusedReasons.end(), one.refusedReasons.begin(), one.refusedReasons.end());
    }
    return all;
}

void SchoolRun::onStatusChanged(QObject *receiver, const std::function<void()> &changed)
{
    if (running().sender)
        QObject::connect(running().sender.get(), &SchoolSender::statusChanged, receiver, [changed] { changed(); });
}
