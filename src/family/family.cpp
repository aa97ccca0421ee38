#include "family/family.h"

#include "family/child_marker.h"
#include "family/data_folder.h"
#include "family/family_files.h"
#include "files/file_lock.h"
#include "files/folder_entries.h"
#include "files/temporary_files.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
// Far more than a family's list or marker holds: a larger file is no such file.
constexpr qint64 listLimit = 1 << 20;
constexpr qint64 markerLimit = 64 << 10;

FamilyOutcome noChild(const QString &id)
{
    return FamilyOutcome::failed(QStringLiteral("%1 is no child of the family").arg(id));
}

// "ADO_ZEM.removed-child-3-20261208.MDB" and its copies; the older
// "ADO_ZEM.removed-child-3.MDB" too, for the numbers it has used.
const QRegularExpression &backupForm()
{
    static const QRegularExpression form(QRegularExpression::anchoredPattern(
        QStringLiteral("ADO_ZEM\\.removed-(child-[1-9][0-9]{0,8})(-[0-9]{8})?(-[1-9][0-9]{0,8})?\\.(MDB|json)")));
    return form;
}

QString journalOf(const QString &path)
{
    return path + QStringLiteral("-journal");
}

// A file of its own, not a link: a link moved into another folder could lead
// elsewhere from there.
bool isPlainFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

Family::Trouble troubleOf(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.isSymLink())
        return Family::Trouble::Link;
    if (!FolderEntries::exists(folder))
        return Family::Trouble::Missing;
    return info.isDir() ? Family::Trouble::None : Family::Trouble::NotAFolder;
}
} // namespace

Family::Family(QString dataFolder, int lockWaitMs) : folder_(std::move(dataFolder)), lockWaitMs_(lockWaitMs)
{
}

QString Family::backupName(const QString &id, const QDate &day, int copy)
{
    const QString stem = QStringLiteral("ADO_ZEM.removed-%1-%2").arg(id, day.toString(QStringLiteral("yyyyMMdd")));
    return copy <= 1 ? stem + QStringLiteral(".MDB") : QStringLiteral("%1-%2.MDB").arg(stem).arg(copy);
}

QString Family::backupMarkerName(const QString &backup)
{
    return QFileInfo(backup).completeBaseName() + QStringLiteral(".json");
}

QString Family::path(const QString &name) const
{
    return QDir(folder_).filePath(name);
}

QString Family::resultsFolder(const QString &id) const
{
    return Child::numberOf(id) > 0 ? path(id) : QString();
}

std::optional<Child> Family::child(const QString &id) const
{
    const qsizetype at = indexOf(id);
    return at < 0 ? std::nullopt : std::optional<Child>(list_.children.at(at));
}

Family::Start Family::start() const
{
    return list_.children.isEmpty() ? Start::DataFolder : list_.children.size() == 1 ? Start::OneChild : Start::Picker;
}

QSet<QString> Family::takenKeys(const QString &exceptId) const
{
    QSet<QString> keys;
    for (const Child &child : list_.children) {
        if (child.id != exceptId)
            keys.insert(ChildName::key(child.name));
    }
    return keys;
}

ChildName::Problem Family::nameProblem(const QString &typed, const QString &exceptId) const
{
    return ChildName::problemOf(typed, takenKeys(exceptId));
}

void Family::step(const char *name) const
{
    if (hook_)
        hook_(name);
}

FamilyOutcome Family::load()
{
    list_ = ChildrenList();
    // Where nothing of a family is, nothing is read, locked or written.
    const QStringList entries = QDir(folder_).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const bool traces = std::any_of(entries.cbegin(), entries.cend(), [](const QString &entry) {
        return entry == ChildrenList::fileName || entry == lockFileName || Child::numberOf(entry) > 0
               || TemporaryFiles::isTemporary(entry, {FamilyFiles::writing});
    });
    if (!traces) {
        // What a copy killed while making the results file left: nothing of a family.
        FamilyFiles::removeStaleTemporaries(folder_);
        return FamilyOutcome::ok();
    }
    return changing([] { return FamilyOutcome::ok(); });
}

FamilyOutcome Family::changing(const std::function<FamilyOutcome()> &change)
{
    FileLock lock;
    finished_.clear();
    if (lock.takeFile(path(lockFileName), FileLock::Mode::Exclusive, lockWaitMs_) != FileLock::Status::Taken) {
        // The family as the disk has it, for the caller to go on with: only a
        // change under the lock finishes a move or repairs what it finds.
        reconcile(false);
        switch (lock.status()) {
        case FileLock::Status::Held:
            return FamilyOutcome::failed(QStringLiteral("another copy of the program is changing the children"), true);
        case FileLock::Status::InTheWay: {
            FamilyOutcome outcome = FamilyOutcome::failed(QStringLiteral("%1 is no lock").arg(path(lockFileName)));
            outcome.lockInTheWay = path(lockFileName);
            return outcome;
        }
        default:
            return FamilyOutcome::failed(lock.reason());
        }
    }
    const QString repairFailed = reconcile();
    if (!repairFailed.isEmpty()) {
        FamilyOutcome failed = FamilyOutcome::failed(repairFailed);
        failed.finished = finished_;
        return failed;
    }
    FamilyOutcome outcome = change();
    if (!outcome.done)
        reconcile(); // what the change left, as the next load sees it
    outcome.finished = finished_;
    return outcome;
}

QString Family::reconcile(bool repair)
{
    QString failure;
    const auto failed = [&failure](const QString &why) {
        if (failure.isEmpty())
            failure = why;
    };
    if (repair)
        FamilyFiles::removeStaleTemporaries(folder_);

    const QString listPath = path(ChildrenList::fileName);
    const std::optional<QByteArray> listBytes = FamilyFiles::readSmall(listPath, listLimit);
    const bool listPresent = FolderEntries::exists(listPath);
    std::optional<ChildrenList> listed = listBytes ? ChildrenList::read(*listBytes) : std::nullopt;

    // Every number a child ever had: the list's count, the folders, the backups.
    int highest = listed ? listed->next - 1 : 0;
    QList<int> numbers;
    const QStringList entries = QDir(folder_).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const QRegularExpressionMatch backup = backupForm().match(entry);
        const int number = Child::numberOf(backup.hasMatch() ? backup.captured(1) : entry);
        highest = std::max(highest, number);
        const QFileInfo info(path(entry));
        if (number > 0 && !backup.hasMatch() && info.isDir() && !info.isSymLink())
            numbers << number;
    }
    std::sort(numbers.begin(), numbers.end());

    QList<Child> found;
    QHash<QString, QByteArray> markerBytes; // as each marker is on the disk
    QSet<QString> removalsLeft;             // a removal that could not be finished keeps its marker
    for (const int number : numbers) {
        const QString id = Child::idOf(number);
        const QString folder = path(id);
        if (repair)
            FamilyFiles::removeStaleTemporaries(folder);
        const std::optional<QByteArray> bytes =
            FamilyFiles::readSmall(QDir(folder).filePath(ChildMarker::fileName), markerLimit);
        std::optional<ChildMarker> marker = bytes ? ChildMarker::read(*bytes) : std::nullopt;
        markerBytes.insert(id, bytes.value_or(QByteArray()));
        if (marker && marker->child.id != id) {
            // A folder copied or renamed by hand: the name is taken, not the moves.
            marker->adopts = marker->removing = false;
        }
        if (marker && marker->removing) {
            // Begun, so finished (the child is not brought back), but never
            // from under a copy that still works with the child's results.
            FileLock inUse;
            const bool free = repair && inUse.takeFolder(folder, FileLock::Mode::Exclusive) != FileLock::Status::Held;
            const QString why = !repair ? QString()
                                : free  ? finishRemoval(*marker, listed.value_or(ChildrenList()))
                                        : QStringLiteral("another copy of the program works with the results of %1").arg(id);
            if (repair && why.isEmpty()) {
                if (listed)
                    listed->children.removeIf([&id](const Child &c) { return c.id == id; });
                const QString kept = marker->backup.isEmpty() || !FolderEntries::exists(path(marker->backup))
                                         ? QString()
                                         : path(marker->backup);
                finished_ << FamilyOutcome::Finished{FamilyOutcome::Finished::Kind::Removed, marker->child.name, kept};
                continue;
            }
            failed(why);
            removalsLeft.insert(id);
        }
        if (marker && marker->adopts && repair) {
            // Never from under a copy that works with the file: a later load finishes it.
            FileLock inUse;
            const QString why = inUse.takeFolder(folder_, FileLock::Mode::Exclusive) == FileLock::Status::Held
                                    ? QStringLiteral("another copy of the program works with the results to move")
                                    : finishAdoption(*marker);
            failed(why);
            if (why.isEmpty()) {
                markerBytes.insert(id, marker->bytes());
                finished_ << FamilyOutcome::Finished{FamilyOutcome::Finished::Kind::Formed, marker->child.name, QString()};
            }
        }
        const qsizetype at = listed ? listed->indexOf(id) : -1;
        const bool hasResults = !FolderEntries::inAnyCase(folder, resultsFileName).isEmpty()
                                || FolderEntries::exists(journalOf(QDir(folder).filePath(resultsFileName)));
        if (!marker && at < 0 && !hasResults) {
            // A child's making cut short before its marker, or a removal
            // after its list was written: nothing of a child is in it.
            if (repair)
                FamilyFiles::removeFolderIfEmpty(folder);
            continue;
        }
        Child child{id, marker ? marker->child.name : QString(),
                    marker ? marker->child.retryMissed : at >= 0 && listed->children.at(at).retryMissed};
        const Child *fromMarker = marker ? &marker->child : nullptr;
        const Child *fromList = at >= 0 ? &listed->children.at(at) : nullptr;
        for (const Child *known : {fromMarker, fromList}) {
            if (!known)
                continue;
            child.name = child.name.isEmpty() ? known->name : child.name;
            child.pupilId = child.pupilId.isEmpty() ? known->pupilId : child.pupilId;
            child.classId = child.classId.isEmpty() ? known->classId : child.classId;
        }
        found << child;
    }

    // The list's order, then the children it lacks by their number. A listed
    // child whose folder is gone or is no folder stays, marked.
    troubles_.clear();
    QList<Child> ordered;
    for (const Child &entry : listed ? listed->children : QList<Child>()) {
        const auto it = std::find_if(found.cbegin(), found.cend(), [&](const Child &c) { return c.id == entry.id; });
        if (it != found.cend()) {
            ordered << *it;
        } else if (const Trouble trouble = troubleOf(path(entry.id)); trouble != Trouble::None) {
            troubles_.insert(entry.id, trouble);
            ordered << entry;
        }
    }
    for (const Child &child : std::as_const(found)) {
        if (!std::any_of(ordered.cbegin(), ordered.cend(), [&](const Child &c) { return c.id == child.id; }))
            ordered << child;
    }
    // Of two children with one name the first keeps it; then whoever has no
    // name gets one that is free.
    // A pupil of a class roster is told apart by the key, not the name.
    QSet<QString> taken;
    for (Child &child : ordered) {
        if (!child.pupilId.isEmpty() && !child.name.isEmpty())
            continue;
        if (!child.name.isEmpty() && !taken.contains(ChildName::key(child.name)))
            taken.insert(ChildName::key(child.name));
        else
            child.name.clear();
    }
    for (Child &child : ordered) {
        if (child.name.isEmpty()) {
            child.name = ChildName::placeholder(taken);
            taken.insert(ChildName::key(child.name));
        }
        const ChildMarker marker{child, false, false, QString()};
        if (repair && !removalsLeft.contains(child.id) && !troubles_.contains(child.id)
            && markerBytes.value(child.id) != marker.bytes())
            failed(writeMarker(marker));
    }

    // A family whose list was lost or never written (a forming cut short) is
    // made again from its folders; said, unless the move it finished is.
    if (repair && !listed && !ordered.isEmpty() && finished_.isEmpty())
        finished_ << FamilyOutcome::Finished{FamilyOutcome::Finished::Kind::Rebuilt, QString(), QString()};
    const bool lastKept = std::any_of(ordered.cbegin(), ordered.cend(), [&](const Child &c) { return listed && c.id == listed->last; });
    list_.children = ordered;
    list_.last = lastKept ? listed->last : QString();
    list_.next = std::max(highest + 1, listed ? listed->next : 1);
    if (repair && (listPresent || !ordered.isEmpty()) && (!listBytes || *listBytes != list_.bytes()))
        failed(writeList());
    return failure;
}

QString Family::finishAdoption(ChildMarker &marker)
{
    const QString folder = path(marker.child.id);
    const QString top = FolderEntries::inAnyCase(folder_, resultsFileName);
    // The journal goes first: a kill between the two moves leaves the file in
    // the data folder and its journal in the child's, and the next load moves
    // the file after it.
    if (!top.isEmpty() && isPlainFile(path(top)) && FolderEntries::inAnyCase(folder, resultsFileName).isEmpty()) {
        const QString target = QDir(folder).filePath(resultsFileName);
        if (FolderEntries::exists(journalOf(path(top))) && !FolderEntries::exists(journalOf(target))) {
            if (const QString why = move(journalOf(path(top)), journalOf(target), "journal taken over"); !why.isEmpty())
                return why;
        }
        if (const QString why = move(path(top), target, "results taken over"); !why.isEmpty())
            return why;
    }
    marker.adopts = false;
    return writeMarker(marker);
}

QString Family::finishRemoval(const ChildMarker &marker, ChildrenList listed)
{
    const QString id = marker.child.id;
    const QString folder = path(id);
    const QRegularExpressionMatch backup = backupForm().match(marker.backup);
    if (!marker.backup.isEmpty() && (!backup.hasMatch() || backup.captured(1) != id || backup.captured(4) != "MDB"))
        return QStringLiteral("%1: the removal names %2, which is no backup of its own").arg(id, marker.backup);
    const QString results = FolderEntries::inAnyCase(folder, resultsFileName);
    const QString journal = journalOf(QDir(folder).filePath(results.isEmpty() ? resultsFileName : results));
    if (marker.backup.isEmpty() && (!results.isEmpty() || FolderEntries::exists(journal)))
        return QStringLiteral("%1: results were made while it was being removed").arg(id);
    const bool moving = !results.isEmpty() || FolderEntries::exists(journal);
    if (moving) {
        // Whose results they are, beside them, before they get there.
        const QDate day = QDate::fromString(backup.captured(2).mid(1), QStringLiteral("yyyyMMdd"));
        const QJsonObject whose{{"id", id}, {"name", marker.child.name}, {"removed", day.toString(Qt::ISODate)}};
        if (const QString why = write(path(backupMarkerName(marker.backup)), QJsonDocument(whose).toJson());
            !why.isEmpty())
            return why;
    }
    // The journal first, as when a family is formed.
    if (FolderEntries::exists(journal)) {
        if (const QString why = move(journal, journalOf(path(marker.backup)), "journal kept"); !why.isEmpty())
            return why;
    }
    if (!results.isEmpty()) {
        if (const QString why = move(QDir(folder).filePath(results), path(marker.backup), "results kept"); !why.isEmpty())
            return why;
    }
    // The list without the child before the marker goes: a kill after this
    // leaves a folder that is no child's, never a child brought back.
    if (listed.indexOf(id) >= 0) {
        listed.children.removeAt(listed.indexOf(id));
        if (listed.last == id)
            listed.last.clear();
        if (const QString why = write(path(ChildrenList::fileName), listed.bytes()); !why.isEmpty())
            return why;
    }
    if (const QString why = FamilyFiles::removeFile(QDir(folder).filePath(ChildMarker::fileName)); !why.isEmpty())
        return why;
    step("marker removed");
    FamilyFiles::removeStaleTemporaries(folder);
    FamilyFiles::removeFolderIfEmpty(folder);
    step("folder removed");
    return QString();
}

QString Family::makeChild(const Child &child, bool adopts)
{
    if (const QString why = FamilyFiles::makeFolder(path(child.id)); !why.isEmpty())
        return why;
    step("folder made");
    return writeMarker(ChildMarker{child, adopts, false, QString()});
}

QString Family::writeMarker(const ChildMarker &marker)
{
    return write(QDir(path(marker.child.id)).filePath(ChildMarker::fileName), marker.bytes());
}

QString Family::writeList()
{
    return write(path(ChildrenList::fileName), list_.bytes());
}

QString Family::write(const QString &target, const QByteArray &bytes)
{
    const QString temporary = FamilyFiles::temporaryFor(target);
    if (const QString why = FamilyFiles::writeTemporary(temporary, bytes); !why.isEmpty())
        return why;
    step("written");
    if (const QString why = FamilyFiles::replace(temporary, target); !why.isEmpty())
        return why;
    step("put in place");
    return QString();
}

QString Family::move(const QString &from, const QString &to, const char *stepName)
{
    const QString why = FamilyFiles::move(from, to);
    if (why.isEmpty())
        step(stepName);
    return why;
}

FamilyOutcome Family::form(const QString &firstName, const QString &secondName)
{
    if (const ChildName::Problem problem = ChildName::problemOf(firstName); problem != ChildName::Problem::None)
        return FamilyOutcome::refused(problem);
    if (const ChildName::Problem problem = ChildName::problemOf(secondName, {ChildName::key(firstName)});
        problem != ChildName::Problem::None)
        return FamilyOutcome::refused(problem);
    if (const FamilyOutcome made = DataFolder::make(folder_); !made)
        return made;
    return changing([&] {
        if (!list_.children.isEmpty())
            return FamilyOutcome::failed(QStringLiteral("the family has its children already"));
        if (list_.next + 1 > Child::highestNumber)
            return FamilyOutcome::failed(QStringLiteral("no child numbers are left"));
        const QString top = FolderEntries::inAnyCase(folder_, resultsFileName);
        if (!top.isEmpty() && !isPlainFile(path(top))) {
            FamilyOutcome refused = FamilyOutcome::failed(QStringLiteral("%1 is no file of its own").arg(path(top)));
            refused.resultsNotAFile = path(top);
            return refused;
        }
        // No copy of the program may work with the file while it moves.
        FileLock inUse;
        if (inUse.takeFolder(folder_, FileLock::Mode::Exclusive) == FileLock::Status::Held)
            return FamilyOutcome::usedElsewhere(QString());
        const Child first{Child::idOf(list_.next), ChildName::normalised(firstName), false};
        const Child second{Child::idOf(list_.next + 1), ChildName::normalised(secondName), false};
        ChildMarker adopting{first, !top.isEmpty(), false, QString()};
        QString why = makeChild(first, adopting.adopts);
        if (why.isEmpty() && adopting.adopts)
            why = finishAdoption(adopting);
        if (why.isEmpty())
            why = makeChild(second, false);
        if (!why.isEmpty())
            return FamilyOutcome::failed(why);
        list_.children = {first, second};
        list_.last = first.id;
        list_.next += 2;
        FamilyOutcome outcome = FamilyOutcome::from(writeList());
        outcome.childId = second.id;
        return outcome;
    });
}

FamilyOutcome Family::add(const QString &name)
{
    if (const ChildName::Problem problem = ChildName::problemOf(name); problem != ChildName::Problem::None)
        return FamilyOutcome::refused(problem);
    return changing([&] {
        if (list_.children.isEmpty())
            return FamilyOutcome::failed(QStringLiteral("a family is formed with its first two children"));
        if (takenKeys(QString()).contains(ChildName::key(name)))
            return FamilyOutcome::refused(ChildName::Problem::Taken);
        return enter(ChildName::normalised(name), QString(), QString());
    });
}

FamilyOutcome Family::enter(const QString &name, const QString &pupilId, const QString &classId)
{
    // Checked before anything is made: a number past the last would be no id.
    if (list_.next > Child::highestNumber)
        return FamilyOutcome::failed(QStringLiteral("no child numbers are left"));
    const Child child{Child::idOf(list_.next), name, false, pupilId, classId};
    if (const QString why = makeChild(child, false); !why.isEmpty())
        return FamilyOutcome::failed(why);
    list_.children << child;
    ++list_.next;
    FamilyOutcome outcome = FamilyOutcome::from(writeList());
    outcome.childId = child.id;
    return outcome;
}

FamilyOutcome Family::addPupil(const QString &name, const QString &pupilId, const QString &classId)
{
    if (!ChildName::isPupilName(name) || QUuid::fromString(pupilId).isNull())
        return FamilyOutcome::refused(ChildName::Problem::NotKana);
    return changing([&] {
        // Another copy made the pupil's folder a moment ago: that one is theirs.
        if (const std::optional<Child> made = pupil(pupilId)) {
            FamilyOutcome outcome = FamilyOutcome::ok();
            outcome.childId = made->id;
            return outcome;
        }
        return enter(name, pupilId, classId);
    });
}

std::optional<Child> Family::pupil(const QString &pupilId) const
{
    const auto it = std::find_if(list_.children.cbegin(), list_.children.cend(),
                                 [&](const Child &c) { return !pupilId.isEmpty() && c.pupilId == pupilId; });
    return it == list_.children.cend() ? std::nullopt : std::optional<Child>(*it);
}

FamilyOutcome Family::rename(const QString &id, const QString &name)
{
    if (const ChildName::Problem problem = ChildName::problemOf(name); problem != ChildName::Problem::None)
        return FamilyOutcome::refused(problem);
    return changing([&] {
        if (indexOf(id) >= 0 && takenKeys(id).contains(ChildName::key(name)))
            return FamilyOutcome::refused(ChildName::Problem::Taken);
        return updateChild(id, [&](Child &child) { child.name = ChildName::normalised(name); });
    });
}

FamilyOutcome Family::joinSchool(const QString &classId, QStringList *joined)
{
    return changing([&] {
        for (const Child &child : QList<Child>(list_.children)) {
            if (!child.pupilId.isEmpty() || trouble(child.id) != Trouble::None)
                continue;
            const FamilyOutcome given = updateChild(child.id, [&classId](Child &c) {
                c.pupilId = QUuid::createUuid().toString(QUuid::WithoutBraces);
                c.classId = classId;
            });
            if (!given)
                return given;
            if (joined)
                *joined << child.id;
        }
        return FamilyOutcome::ok();
    });
}

FamilyOutcome Family::setRetryMissed(const QString &id, bool on)
{
    return changing([&] { return updateChild(id, [on](Child &child) { child.retryMissed = on; }); });
}

FamilyOutcome Family::updateChild(const QString &id, const std::function<void(Child &)> &change)
{
    const qsizetype at = indexOf(id);
    if (at < 0)
        return noChild(id);
    Child changed = list_.children.at(at);
    change(changed);
    QString why = writeMarker(ChildMarker{changed, false, false, QString()});
    if (why.isEmpty()) {
        list_.children[at] = changed;
        why = writeList();
    }
    return FamilyOutcome::from(why);
}

FamilyOutcome Family::choose(const QString &id)
{
    return changing([&] {
        if (indexOf(id) < 0)
            return noChild(id);
        list_.last = id;
        return FamilyOutcome::from(writeList());
    });
}

FamilyOutcome Family::remove(const QString &id)
{
    return changing([&] {
        const qsizetype at = indexOf(id);
        if (at < 0)
            return noChild(id);
        const Child child = list_.children.at(at);
        const QString folder = path(id);
        // A copy practising as the child keeps the folder's lock for its whole run.
        FileLock inUse;
        if (inUse.takeFolder(folder, FileLock::Mode::Exclusive) == FileLock::Status::Held)
            return FamilyOutcome::usedElsewhere(child.name);
        if (trouble(id) != Trouble::None) {
            // No folder of the child's to empty: whatever has its name is left as it is.
            list_.children.removeAt(at);
            if (list_.last == id)
                list_.last.clear();
            return FamilyOutcome::from(writeList());
        }
        const QString results = FolderEntries::inAnyCase(folder, resultsFileName);
        ChildMarker removing{child, false, true, QString()};
        if (!results.isEmpty() || FolderEntries::exists(journalOf(QDir(folder).filePath(resultsFileName)))) {
            // A name free in any letter case, for the file, its journal and its marker.
            const QDate today = QDate::currentDate();
            for (int copy = 1; removing.backup.isEmpty(); ++copy) {
                const QString name = backupName(id, today, copy);
                if (FolderEntries::inAnyCase(folder_, name).isEmpty()
                    && FolderEntries::inAnyCase(folder_, journalOf(name)).isEmpty()
                    && FolderEntries::inAnyCase(folder_, backupMarkerName(name)).isEmpty())
                    removing.backup = name;
            }
        }
        QString why = writeMarker(removing);
        if (why.isEmpty())
            why = finishRemoval(removing, list_);
        if (!why.isEmpty())
            return FamilyOutcome::failed(why);
        list_.children.removeAt(at);
        if (list_.last == id)
            list_.last.clear();
        FamilyOutcome outcome = FamilyOutcome::ok();
        outcome.backup = removing.backup.isEmpty() ? QString() : path(removing.backup);
        return outcome;
    });
}
