#pragma once

#include "family/child.h"
#include "family/child_name.h"
#include "family/children_list.h"
#include "family/family_outcome.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class ChildMarker;

// The children of a family in a data folder, each with a folder of its own
// named by the child's id, holding the child's results file and a marker that
// says whose folder it is; and the list of children, children.json.
//
//   DATA/children.json                  the list (ChildrenList)
//   DATA/child-1/child.json             the marker (ChildMarker)
//   DATA/child-1/ADO_ZEM.MDB            the child's results, made by the store
//   DATA/ADO_ZEM.removed-child-2-20261208.MDB   the results of a child who was
//   DATA/ADO_ZEM.removed-child-2-20261208.json  removed, and whose they were
//   DATA/.children.json.lock            locked (flock) while the family changes
//
// Each running copy of the program holds a shared lock on the folder of the
// results it works with (the child's, or the data folder's own before a family
// is formed). Whatever moves a results file (forming the family, removing a
// child, finishing either after a kill) takes that folder's lock exclusively
// first, without waiting, and refuses while a copy works there.
//
// Until a family has children, the program keeps its results in DATA itself,
// as a start without a family always has; forming the family moves that file
// into the first child's folder. Every change holds the lock, first reads the
// family from the disk again (load()), and goes step by step so that a kill
// between any two steps leaves each results file whole and found: the next
// load() finishes a move that was begun, and makes the list again from the
// folders wherever the two disagree. Nothing here shows a message.
class Family
{
public:
    // How a start goes on.
    enum class Start {
        DataFolder, // no children: the results file in the data folder, as without a family
        OneChild,   // the one child's folder, without asking who practises
        Picker,     // two or more: ask who practises
    };
    // Called after each step of a change; a test stops the process there.
    using StepHook = std::function<void(const char *step)>;

    explicit Family(QString dataFolder, int lockWaitMs = 10000);

    const QString &dataFolder() const { return folder_; }

    // Reads the family, first finishing a move a kill interrupted, removing
    // what processes that are gone left behind, and writing the list and the
    // markers again where they were missing, damaged or disagreed. Makes
    // nothing where there is no family. When a repair cannot be written, or
    // the lock cannot be had (held: another copy is changing the family), it
    // fails with the reason but still gives the children as the disk has
    // them, leaving the finishing and repairs to a load under the lock.
    FamilyOutcome load();

    // The family as the last load or change left it.
    const QList<Child> &children() const { return list_.children; }
    std::optional<Child> child(const QString &id) const;
    QString lastChosen() const { return list_.last; } // an id, or empty
    // Where the child `id` stands among children(); -1 for none.
    qsizetype indexOf(const QString &id) const { return list_.indexOf(id); }
    Start start() const;
    // The folder a child's results file is kept in; empty for no child's id.
    QString resultsFolder(const QString &id) const;

    // What is wrong with a listed child's folder. Such a child stays in the
    // list (so no sibling is taken for them), but cannot practise until a
    // parent puts the folder right.
    enum class Trouble {
        None,
        Missing,    // the folder is not there
        Link,       // a symbolic link has its name
        NotAFolder, // a file or something else has its name
    };
    Trouble trouble(const QString &id) const { return troubles_.value(id, Trouble::None); }

    // What is wrong with a name for a child of this family (for another child
    // than `exceptId`), for a window to say before it asks for a change.
    ChildName::Problem nameProblem(const QString &typed, const QString &exceptId = QString()) const;

    // Forms the family: its first child takes over the results file of the
    // data folder (when there is one) and the second starts afresh. Only while
    // there are no children, and never over a results name that is a link or
    // no file (its rows would stay behind a name no child sees). The outcome's
    // childId is the second child's.
    FamilyOutcome form(const QString &firstName, const QString &secondName);
    // A new child, at the end of the list; only once the family is formed.
    FamilyOutcome add(const QString &name);
    // A pupil of a class roster who practises on this computer for the first
    // time: a child of the roster's name, key and class (a school's PC).
    FamilyOutcome addPupil(const QString &name, const QString &pupilId, const QString &classId);
    // The child whose pupil's key this is.
    std::optional<Child> pupil(const QString &pupilId) const;
    FamilyOutcome rename(const QString &id, const QString &name);
    FamilyOutcome setRetryMissed(const QString &id, bool on);
    // The computer joins a school: each child without a pupil's key is given
    // one, made here, and the class their results are sent for. `joined`
    // receives the ids of the children given one now.
    FamilyOutcome joinSchool(const QString &classId, QStringList *joined = nullptr);
    // The child chosen last, who has the focus in the picker next time.
    FamilyOutcome choose(const QString &id);
    // Removes the child; their results file is kept in the data folder under a
    // name that says whose it was and when (the outcome's backup), beside a
    // small file with the child's name, never replacing one.
    FamilyOutcome remove(const QString &id);

    void setStepHook(StepHook hook) { hook_ = std::move(hook); }

    static inline const QString resultsFileName = QStringLiteral("ADO_ZEM.MDB");
    static inline const QString lockFileName = QStringLiteral(".children.json.lock");
    // "ADO_ZEM.removed-child-3-20261208.MDB", or for copy 2 on
    // "ADO_ZEM.removed-child-3-20261208-2.MDB".
    static QString backupName(const QString &id, const QDate &day, int copy);
    // The file beside a backup that says whose results it holds.
    static QString backupMarkerName(const QString &backup);

private:
    FamilyOutcome changing(const std::function<FamilyOutcome()> &change);
    // Within a change: the child `id` as `change` leaves it, written to its
    // marker first (where the two disagree, the next load goes by the
    // marker), then to the list.
    FamilyOutcome updateChild(const QString &id, const std::function<void(Child &)> &change);
    // Reads the family from the disk; with `repair`, under the lock, also
    // finishes moves and writes what disagrees. The first failure to write.
    QString reconcile(bool repair = true);
    // Moves the data folder's results into the first child's folder; the
    // caller holds the data folder's lock.
    QString finishAdoption(ChildMarker &marker);
    // Moves the results out, then writes `listed` without the child before the
    // marker goes, so that a kill at any step leaves the removal to finish.
    // The caller holds the folder's lock.
    QString finishRemoval(const ChildMarker &marker, ChildrenList listed);
    QString makeChild(const Child &child, bool adopts);
    // A new child, numbered next, made and entered in the list: the body of
    // add() and addPupil(), under the lock.
    FamilyOutcome enter(const QString &name, const QString &pupilId, const QString &classId);
    QString writeMarker(const ChildMarker &marker);
    QString writeList();
    QString write(const QString &path, const QByteArray &bytes);
    QString move(const QString &from, const QString &to, const char *step);
    QString path(const QString &name) const;
    QSet<QString> takenKeys(const QString &exceptId) const;
    void step(const char *name) const;

    QString folder_;
    int lockWaitMs_;
    ChildrenList list_;
    QHash<QString, Trouble> troubles_;
    QList<FamilyOutcome::Finished> finished_; // by the load under way
    StepHook hook_;
};
