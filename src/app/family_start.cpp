#include "app/family_start.h"

#include "app/child_picker.h"
#include "app/parents_corner.h"
#include "app/parents_gate.h"
#include "app/record_file_naming.h"
#include "family/data_folder.h"
#include "family/family.h"
#include "platform/dialogs.h"
#include "platform/project_globals.h"
#include "store/results_schema.h"
#include "store/store_messages.h"

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
} // namespace

std::optional<int> FamilyStart::settle(const CommandLine::Options &options)
{
    ProjectGlobals &g = ProjectGlobals::instance();
    g.dataFolder = dataFolder();
    if (g.dataFolder.isEmpty())
        return 1;
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
    if (const FamilyOutcome loaded = family.load(); !loaded && !loaded.held)
        Dialogs::current().tell(StoreMessages::withReason(QStringLiteral("子どもの一覧を直せませんでした"), loaded.reason));

    std::optional<Child> child;
    if (family.start() == Family::Start::OneChild) {
        child = family.children().front();
    } else if (family.start() == Family::Start::Picker) {
        ChildPicker picker(options.chart ? QStringLiteral("だれの グラフを みる？") : QStringLiteral("だれが れんしゅうする？"),
                           namesOf(family.children()), static_cast<int>(family.indexOf(family.lastChosen())));
        // The parents' corner may change the children meanwhile: the picker
        // shows them afresh, and a family left with one child needs no picker.
        bool one = false;
        const std::optional<int> chosen = picker.choose([&] {
            openParentsCorner(g.dataFolder);
            family.load();
            picker.setNames(namesOf(family.children()), static_cast<int>(family.indexOf(family.lastChosen())));
            if (family.start() != Family::Start::Picker) {
                one = true;
                picker.close();
            }
        });
        if (one && !family.children().isEmpty())
            child = family.children().front();
        else if (!chosen || *chosen >= family.children().size())
            return 0; // closed: nobody practises
        else
            child = family.children()[*chosen];
        if (family.lastChosen() != child->id)
            family.choose(child->id);
    }
    if (!child) {
        QDir::setCurrent(g.dataFolder);
        return std::nullopt;
    }
    g.childId = child->id;
    g.childName = family.children().size() >= 2 ? child->name : QString();
    g.askMissedAgain = child->retryMissed;
    if (!QDir::setCurrent(family.resultsFolder(child->id))) {
        Dialogs::current().tell(child->name + QStringLiteral("のフォルダ") + family.resultsFolder(child->id)
                                + QStringLiteral("に入れないために") + RecordFileNaming::cannotGoOn());
        return 1;
    }
    return std::nullopt;
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
