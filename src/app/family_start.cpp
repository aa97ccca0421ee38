#include "app/family_start.h"

#include "app/child_picker.h"
#include "app/class_start.h"
#include "app/family_messages.h"
#include "app/results_in_use.h"
#include "app/school_run.h"
#include "app/parents_corner.h"
#include "app/parents_gate.h"
#include "app/record_file_naming.h"
#include "family/data_folder.h"
#include "family/family.h"
#include "platform/dialogs.h"
#include "platform/parents_approval.h"
#include "platform/project_globals.h"
#include "store/results_schema.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

namespace {
// The data folder, its warning told; empty (the problem told) when there is none.
QString dataFolder()
{
    const DataFolder::Resolution found = DataFolder::resolve();
    if (!found.warning.isEmpty())
        Dialogs::current().tell(found.warning);
    if (found.path.isEmpty())
        Dialogs::current().tell(found.problem + QStringLiteral("､成績を置くフォルダがないために") + RecordFileNaming::cannotGoOn());
    return found.path;
}

// The parents' corner, past the check, until it is closed.
void openParentsCorner(const QString &folder)
{
    if (!ParentsGate::pass())
        return;
    ParentsCorner corner(folder);
    QEventLoop open;
    QObject::connect(&corner, &Form::unloaded, &open, &QEventLoop::quit);
    corner.showForm();
    if (corner.isLoaded())
        open.exec();
}

QStringList namesOf(const QList<Child> &children)
{
    QStringList names;
    for (const Child &child : children)
        names << child.name;
    return names;
}

// Which of the children cannot practise, as the picker marks them.
QList<bool> troubledOf(const Family &family)
{
    QList<bool> troubled;
    for (const Child &child : family.children())
        troubled << (family.trouble(child.id) != Family::Trouble::None);
    return troubled;
}

// What a load of the family came to: a repair that failed, and each change a
// kill had cut short that it finished, in one line each.
void tellLoaded(const FamilyOutcome &loaded)
{
    QStringList lines = FamilyMessages::finished(loaded);
    if (!loaded && !loaded.held)
        lines << FamilyMessages::failure(loaded, QStringLiteral("子どもの一覧を直せませんでした"));
    if (!lines.isEmpty())
        Dialogs::current().tell(lines.join(QLatin1Char('\n')));
}
} // namespace

std::optional<int> FamilyStart::settle(const CommandLine::Options &options)
{
    ProjectGlobals &g = ProjectGlobals::instance();
    g.dataFolder = dataFolder();
    if (g.dataFolder.isEmpty())
        return 1;
    // A school's own PC opens on its class's picker.
    if (SchoolRun::settings().configured() && SchoolRun::settings().classroom())
        return ClassStart::settle(options);
    // What would remove results is a parent's act in every window of this run.
    ParentsApproval::install([] { return ParentsGate::pass(); });
    if (!QFileInfo(g.dataFolder).isDir()) {
        // Nothing has been kept yet: start-up asks before it makes anything.
        if (options.chart) {
            // Start-up has not named the results file yet: its name comes from the schema.
            Dialogs::current().tell(ResultsSchema::fileName
                                    + QStringLiteral("が見つかりません､成績のグラフを表示できないので終了します"));
            return 1;
        }
        g.folderToMake = g.dataFolder;
        return std::nullopt;
    }
    Family family(g.dataFolder);
    tellLoaded(family.load());

    ChildPicker picker(options.chart ? QStringLiteral("だれの グラフを みる？") : QStringLiteral("だれが れんしゅうする？"),
                       namesOf(family.children()), static_cast<int>(family.indexOf(family.lastChosen())),
                       troubledOf(family));
    for (;;) {
        if (family.start() == Family::Start::DataFolder) {
            // The data folder's own results, held; then looked at again, in
            // case a family was formed meanwhile and took them.
            ResultsInUse::hold(g.dataFolder);
            family.load();
            if (family.start() != Family::Start::DataFolder)
                continue;
            QDir::setCurrent(g.dataFolder);
            return std::nullopt;
        }
        std::optional<Child> child;
        if (family.start() == Family::Start::OneChild) {
            child = family.children().front();
        } else {
            picker.setNames(namesOf(family.children()), static_cast<int>(family.indexOf(family.lastChosen())),
                            troubledOf(family));
            // The parents' corner may change the children meanwhile: the
            // picker shows them afresh, and a family left with fewer than two
            // children needs no picker.
            bool changed = false;
            const std::optional<int> chosen = picker.choose([&] {
                openParentsCorner(g.dataFolder);
                family.load();
                picker.setNames(namesOf(family.children()), static_cast<int>(family.indexOf(family.lastChosen())),
                                troubledOf(family));
                if (family.start() != Family::Start::Picker) {
                    changed = true;
                    picker.close();
                }
            });
            if (changed)
                continue;
            if (!chosen || *chosen >= family.children().size())
                return 0; // closed: nobody practises
            child = family.children()[*chosen];
        }
        // The child's folder is held from now on, then looked at again: a
        // parent in another copy may have removed the child meanwhile.
        const QString folder = family.resultsFolder(child->id);
        const FileLock::Status held = family.trouble(child->id) == Family::Trouble::None
                                          ? ResultsInUse::hold(folder)
                                          : FileLock::Status::Gone;
        family.load();
        if (held == FileLock::Status::Gone || held == FileLock::Status::Held || !family.child(child->id)
            || family.trouble(child->id) != Family::Trouble::None) {
            ResultsInUse::release();
            Dialogs::current().tell(
                !family.child(child->id) ? QStringLiteral("%1は いちらんから はずされました").arg(child->name)
                : held == FileLock::Status::Held
                    ? QStringLiteral("%1の せいせきを いま うごかしています､すこし まってから もう一度してね").arg(child->name)
                    : FamilyMessages::trouble(*child, family.trouble(child->id), folder));
            if (family.start() == Family::Start::Picker)
                continue; // back to the picker
            if (family.start() == Family::Start::OneChild && family.child(child->id))
                return 1; // the one child's folder cannot be used: nothing to choose instead
            continue;
        }
        child = family.child(child->id);
        if (family.children().size() >= 2 && family.lastChosen() != child->id)
            family.choose(child->id);
        SchoolRun::prepare(g.dataFolder, family, *child);
        g.childId = child->id;
        g.childName = family.children().size() >= 2 ? child->name : QString();
        g.askMissedAgain = child->retryMissed;
        if (!QDir::setCurrent(folder)) {
            Dialogs::current().tell(child->name + QStringLiteral("のフォルダ") + folder
                                    + QStringLiteral("に入れないために") + RecordFileNaming::cannotGoOn());
            return 1;
        }
        return std::nullopt;
    }
}

int FamilyStart::parents()
{
    ProjectGlobals &g = ProjectGlobals::instance();
    g.dataFolder = dataFolder();
    if (g.dataFolder.isEmpty())
        return 1;
    openParentsCorner(g.dataFolder);
    return 0;
}
