#include "app/class_start.h"

#include "app/child_picker.h"
#include "app/parents_corner.h"
#include "app/record_file_naming.h"
#include "app/results_in_use.h"
#include "app/school_run.h"
#include "family/data_folder.h"
#include "family/family.h"
#include "platform/dialogs.h"
#include "platform/parents_approval.h"
#include "platform/project_globals.h"
#include "store/results_log.h"
#include "store/store_messages.h"
#include "teacher/teacher_login.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

namespace {
// What a child picks from: a class's pupils who have not left, as the picker shows them.
QList<PcRoster::Pupil> pickable(const PcRoster::Class *shown)
{
    QList<PcRoster::Pupil> pupils;
    for (const PcRoster::Pupil &pupil : shown ? shown->pupils : QList<PcRoster::Pupil>()) {
        if (!pupil.left)
            pupils << pupil;
    }
    return pupils;
}

QStringList labelsOf(const QList<PcRoster::Pupil> &pupils)
{
    QStringList labels;
    for (const PcRoster::Pupil &pupil : pupils)
        labels << QStringLiteral("%1  %2").arg(pupil.number).arg(pupil.name);
    return labels;
}

// The pupil's own folder on this PC, made on their first sitting here with
// a results file keeping the teacher's days; the teacher's days then hold.
std::optional<Child> folderOf(Family &family, const PcRoster::Pupil &pupil, const QString &classId, QString *why)
{
    std::optional<Child> child = family.pupil(pupil.id);
    if (!child) {
        const FamilyOutcome added = family.addPupil(pupil.name, pupil.id, classId);
        child = added ? family.child(added.childId) : std::nullopt;
        if (!child) {
            *why = added.reason;
            return std::nullopt;
        }
    }
    const ResultsLog log(QDir(family.resultsFolder(child->id)).filePath(Family::resultsFileName));
    const QString days = pupil.keptDays ? QString::number(*pupil.keptDays) : QString();
    if (!QFileInfo::exists(log.path())) {
        if (const StoreOutcome made = log.create(days); !made) {
            *why = made.reason;
            return std::nullopt;
        }
    } else if (!days.isEmpty() && log.readPeriod().text.trimmed() != days) {
        QString ignored;
        log.savePeriod(days, &ignored);
    }
    return child;
}
} // namespace

std::optional<int> ClassStart::settle(const CommandLine::Options &)
{
    ProjectGlobals &g = ProjectGlobals::instance();
    Dialogs &dialogs = Dialogs::current();
    ParentsApproval::lock(QStringLiteral("残す日数は先生が決めます"));
    if (const FamilyOutcome made = DataFolder::make(g.dataFolder); !made) {
        dialogs.tell(StoreMessages::withReason(QStringLiteral("成績を置くフォルダ%1を作れないために").arg(g.dataFolder)
                                                   + RecordFileNaming::cannotGoOn(),
                                               made.reason));
        return 1;
    }
    PcRoster roster = PcRoster::read(g.dataFolder).value_or(PcRoster());
    const QString pickClass = QStringLiteral("どの クラス？");
    const QString pickName = QStringLiteral("だれが れんしゅうする？");
    ChildPicker picker(pickName, {}, ChildPicker::noneChosen);
    picker.Command2->setText(QStringLiteral("先生へ"));
    QString classId; // the class chosen; empty while it is to be asked
    QList<PcRoster::Pupil> shown;
    const auto fill = [&] {
        if (classId.isEmpty() && roster.classes.size() == 1)
            classId = roster.classes.front().id;
        if (classId.isEmpty() && roster.classes.size() > 1) {
            QStringList names;
            for (const PcRoster::Class &c : roster.classes)
                names << (c.name.isEmpty() ? c.id : c.name);
            picker.Label1->setText(pickClass);
            picker.setNames(names, ChildPicker::noneChosen);
            shown.clear();
            return;
        }
        shown = pickable(roster.classOf(classId));
        picker.Label1->setText(shown.isEmpty() ? QStringLiteral("なまえの リストが まだ ありません､せんせいに いってね")
                                               : pickName);
        picker.setNames(labelsOf(shown), ChildPicker::noneChosen);
    };
    fill();
    SchoolRun::fetchRoster(g.dataFolder, &picker, [&](const PcRoster &fresh) {
        if (fresh == roster)
            return;
        roster = fresh;
        if (!classId.isEmpty() && !roster.classOf(classId))
            classId.clear();
        fill();
    });
    // 先生へ: only past the teacher's login on the school's server (children
    // share the PC room and could work a parents' sum out).
    const auto teacher = [&] {
        ClassServer::Opening opening;
        std::unique_ptr<ClassServer> server = TeacherLogin::ask(SchoolRun::settings().service(), &picker, &opening);
        if (!server)
            return;
        ParentsCorner corner(g.dataFolder);
        corner.teach(std::move(server), opening, classId);
        QEventLoop open;
        QObject::connect(&corner, &Form::unloaded, &open, &QEventLoop::quit);
        corner.showForm();
        if (corner.isLoaded())
            open.exec();
    };
    for (;;) {
        const std::optional<int> chosen = picker.choose(teacher);
        if (!chosen)
            return 0; // closed: nobody practises
        if (shown.isEmpty()) { // a class was chosen
            if (*chosen < roster.classes.size())
                classId = roster.classes[*chosen].id;
            fill();
            continue;
        }
        if (*chosen >= shown.size())
            continue;
        const PcRoster::Pupil pupil = shown[*chosen];
        Family family(g.dataFolder);
        family.load();
        QString why;
        const std::optional<Child> child = folderOf(family, pupil, classId, &why);
        if (!child) {
            dialogs.tell(StoreMessages::withReason(QStringLiteral("%1の せいせきの ばしょを つくれません､せんせいに いってね")
                                                       .arg(pupil.name),
                                                   why));
            continue;
        }
        const QString folder = family.resultsFolder(child->id);
        if (ResultsInUse::hold(folder) == FileLock::Status::Gone || !QDir::setCurrent(folder)) {
            dialogs.tell(QStringLiteral("%1の せいせきの ばしょに はいれません､せんせいに いってね").arg(pupil.name));
            continue;
        }
        g.childId = child->id;
        g.childName = child->name; // the child's name always shows on a PC many children share
        g.askMissedAgain = pupil.retryMissed.value_or(false);
        SchoolRun::prepare(g.dataFolder, family, *child);
        return std::nullopt;
    }
}
