#pragma once

#include "family/family.h"
#include "school/pc_roster.h"
#include "school/school_settings.h"
#include "school/sender_status.h"
#include "store/results_log.h"

#include <QObject>
#include <QString>

#include <functional>

#include <optional>

// This run's part in a school, when the computer belongs to one (a
// school.conf found the XDG way, naming the server's service and the class)
// and a desktop start settled on a child of a family: each child has the key
// of a pupil on the school's server, each sitting's row is queued with the
// child's key in the same transaction as the row itself, and a sender sends
// the queues of the family's children on a thread of its own. Without a
// school nothing of this happens: no table is made, no driver loaded, no
// connection opened; a start from a terminal, or without children, sends
// nothing.
class SchoolRun
{
public:
    // The desktop start once the child who practises is settled: the PC's id
    // kept, the children without a pupil's key given one (with the results so
    // far queued when the school's admin set the computer up; a parent's own
    // setting sends only what comes after, unless the parent chose otherwise
    // in the corner), and this child's key kept for attach().
    static void prepare(const QString &dataFolder, Family &family, const Child &child);
    // The results file of this run: its rows are queued from now on, and the
    // sender starts (it sends at once, after each sitting, and every few minutes).
    static void attach(const ResultsLog &log);
    // Ends sending: one last try of about two seconds at most. False when the
    // sender was left inside a call to the server: the program then ends
    // without its static destructors.
    static bool finish();

    // A parent joins the computer to a school in the parents' corner: the
    // user's own settings written, every child given a pupil's key, the
    // results kept so far queued when `sendEarlier`, and this run follows.
    // Empty when done, else why not (in the system's words).
    static QString join(const QString &dataFolder, const QString &service, const QString &classId, bool sendEarlier);

    // What the corner shows: the settings in force, and the sender's state
    // while this run sends.
    static SchoolSettings settings();
    static std::optional<SenderStatus> status();
    // The queues of the family's children, added up.
    static ResultsLog::QueueCounts counts(const Family &family);
    // Tells `receiver` of each change of the sender's state (on the GUI thread).
    static void onStatusChanged(QObject *receiver, const std::function<void()> &changed);

    // A school's PC: the class roster asked of the server in the background
    // (nobody waits for it), kept in the data folder when it comes, then
    // handed to `arrived` on the GUI thread while `receiver` lives.
    static void fetchRoster(const QString &dataFolder, QObject *receiver,
                            const std::function<void(const PcRoster &)> &arrived);

private:
    static void start(const QString &dataFolder);
};
