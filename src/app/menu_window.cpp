#include "app/menu_window.h"

#include "app/carry_over_window.h"
#include "app/parents_corner.h"
#include "app/parents_gate.h"
#include "app/face_icon.h"
#include "app/record_file_naming.h"
#include "app/results_in_use.h"
#include "app/school_run.h"
#include "app/wait_notice.h"
#include "clock/clock_window.h"
#include "family/data_folder.h"
#include "drill/drill_window.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/program_exit.h"
#include "platform/project_globals.h"
#include "platform/random_draw.h"
#include "platform/system_clock.h"
#include "platform/twips.h"
#include "scores/score_window.h"
#include "store/date_text.h"
#include "store/jet_carry_over.h"
#include "store/jet_file.h"
#include "store/leading_number.h"
#include "store/record_file.h"
#include "store/results_schema.h"
#include "store/retention.h"
#include "store/store_messages.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace {
constexpr double buttonWidth = 1335;
constexpr double buttonHeight = 615;
constexpr double menuWidth = 3720;
constexpr double menuHeight = 4125;
// The band the child's name takes above the buttons.
constexpr double nameBand = 720;

[[noreturn]] void stopWith(const QString &message)
{
    Dialogs::current().tell(message);
    ProgramExit::end(1);
}
} // namespace

MenuWindow::MenuWindow() : Form(QStringLiteral("MENU"), QStringLiteral("MENU"), menuWidth, menuHeight)
{
    nameLabel = new QLabel(this);
    nameLabel->setObjectName(QStringLiteral("nameLabel"));
    nameLabel->setAlignment(Qt::AlignCenter);
    nameLabel->setFont(Twips::font(Fonts::pGothic, 20));
    nameLabel->hide();
    setWindowIcon(FaceIcon::icon());
    // The drill table's order is the tab order; the index, not the position,
    // decides which window a button opens.
    Command1.resize(DrillTable::count());
    drills_.resize(DrillTable::count());
    QWidget *previous = nullptr;
    for (const DrillTable::Entry &drill : DrillTable::all()) {
        auto *button = new QPushButton(drill.name(), this);
        button->setObjectName(QStringLiteral("Command1_%1").arg(drill.menuIndex));
        const auto index = static_cast<qint16>(drill.menuIndex);
        connect(button, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
        Command1[drill.menuIndex] = button;
        if (previous)
            setTabOrder(previous, button);
        previous = button;
    }
    Command9 = new QPushButton(QStringLiteral("得点"), this);
    Command9->setObjectName(QStringLiteral("Command9"));
    placeButtons(0);
    connect(Command9, &QPushButton::clicked, this, &MenuWindow::Command9_Click);
    setTabOrder(previous, Command9);
}

MenuWindow::~MenuWindow()
{
    ProgramExit::setFarewell(nullptr);
}

void MenuWindow::placeButtons(double below)
{
    for (const DrillTable::Entry &drill : DrillTable::all())
        place(Command1[drill.menuIndex], drill.menuButton.left, below + drill.menuButton.top, buttonWidth, buttonHeight);
    place(Command9, 2040, below + 2880, buttonWidth, buttonHeight);
    setFixedSize(Twips::toPixels(menuWidth), Twips::toPixels(below + menuHeight));
}

void MenuWindow::showChildInCaption()
{
    Form::showChildInCaption();
    // The title bar cuts a long caption short: the name stands in the window too.
    const QString &name = ProjectGlobals::instance().childName;
    setCaption(nameLabel, name);
    nameLabel->setVisible(!name.isEmpty());
    place(nameLabel, 0, 120, menuWidth, nameBand - 120);
    placeButtons(name.isEmpty() ? 0 : nameBand);
}

void MenuWindow::Form_Load()
{
    setCaptionWithChild(AppInfo::versionCaption());
    ProjectGlobals &g = ProjectGlobals::instance();
    g.setRecordNames(ResultsSchema::fileName, ResultsSchema::settingsTable, ResultsSchema::resultsTable);
    // While a file another program holds is waited for, at start-up or later
    // by any window, a small window says so and the windows stay painted.
    notice_ = std::make_unique<WaitNotice>(g.databaseFileName);
    notice_->watchStore();
    DB_ALLOC();
    SET_LOG_GET();
    g.setConnectionString();
    RandomDraw::seedFromTimer();
    // A school's computer queues each sitting and sends in the background.
    SchoolRun::attach(*log_);
    // A sitting in progress is recorded even when a window ends the program,
    // and sent when the school's server answers at once.
    ProgramExit::setFarewell([this] {
        unloadDrills();
        SchoolRun::finish();
    });
    // The desktop start's family: the parents' corner from the context menu
    // (not on a school's own PC, where 先生へ is on the class's picker).
    if (!g.dataFolder.isEmpty() && actions().isEmpty() && !SchoolRun::settings().classroom()) {
        parentsAction = new QAction(QStringLiteral("おうちのかたへ"), this);
        connect(parentsAction, &QAction::triggered, this, &MenuWindow::openParentsCorner);
        addAction(parentsAction);
        setContextMenuPolicy(Qt::ActionsContextMenu);
    }
}

void MenuWindow::openParentsCorner()
{
    if (parents_ && parents_->isLoaded()) {
        parents_->showForm();
        return;
    }
    if (!ParentsGate::pass())
        return;
    if (!parents_) {
        parents_ = std::make_unique<ParentsCorner>(ProjectGlobals::instance().dataFolder);
        // Its changes reach this run's captions: a child renamed, or a family formed.
        connect(parents_.get(), &ParentsCorner::familyChanged, this, &Form::showChildInAllCaptions);
    }
    parents_->showForm();
}

void MenuWindow::DB_ALLOC()
{
    const QString name = ProjectGlobals::instance().databaseFileName;
    if (!ProjectGlobals::instance().folderToMake.isEmpty()) {
        // The results folder is not there yet, so neither is the file: asked
        // first, and the folder is made only then.
        log_.emplace(name);
        createRecordFile();
        return;
    }
    if (!RecordFile::currentFolderExists())
        stopWith(RecordFileNaming::folderGone());
    // What copies of the program that were stopped midway left behind.
    RecordFile::removeStaleTemporaries(name);
    // From now on this is the file of every window.
    const ResultsLog &log = log_.emplace(RecordFile::locate(name));
    const RecordFile::Kind kind = RecordFile::kindOf(log.path());
    if (kind == RecordFile::Kind::Missing) {
        createRecordFile();
        return;
    }
    if (kind != RecordFile::Kind::Regular)
        stopWith(RecordFileNaming::notAFile(kind));
    const StoreOutcome opened = log.probe();
    if (opened) {
        // What a write killed before its first sync left beside the file.
        log.removeStaleJournal();
        return;
    }
    // Only a file that does not open is looked at for the old format.
    if (JetFile::version(log.path())) {
        carryOverJetFile(log.path());
        return;
    }
    stopWith(RecordFileNaming::unusable(log.path(), opened));
}

void MenuWindow::createRecordFile()
{
    const QString name = ProjectGlobals::instance().databaseFileName;
    if (!Dialogs::current().ask(RecordFileNaming::notFound() + QStringLiteral("､新規作成しますか?")))
        stopWith(name + QStringLiteral("がないために") + RecordFileNaming::cannotGoOn());
    if (QString &folder = ProjectGlobals::instance().folderToMake; !folder.isEmpty()) {
        const FamilyOutcome folderMade = DataFolder::make(folder);
        if (!folderMade || !QDir::setCurrent(folder))
            stopWith(StoreMessages::withReason(
                QStringLiteral("成績を置くフォルダ%1を作れないために").arg(QDir::toNativeSeparators(folder))
                    + RecordFileNaming::cannotGoOn(),
                folderMade.reason));
        ResultsInUse::hold(folder);
        folder.clear();
    }
    const StoreOutcome made = log_->create();
    if (made)
        return;
    // Another copy of the program may have made it meanwhile: that file is
    // the one to go on with.
    if (!RecordFile::existsInAnyCase(name))
        stopWith(RecordFileNaming::cannotMake(made));
    log_.emplace(RecordFile::locate(name));
}

void MenuWindow::carryOverJetFile(const QString &path)
{
    using Status = JetCarryOver::Result::Status;
    const QString name = ProjectGlobals::instance().databaseFileName;
    const QString leftAsItIs = QStringLiteral("\n(") + name + QStringLiteral("はそのまま残しています)");
    const QString cannotGoOn = RecordFileNaming::cannotGoOn();
    CarryOverWindow progress(name);
    // Its tables are read first: only a results file is offered to be carried over.
    const JetFile::Listing tables = JetFile::tables(path, progress.looking());
    progress.done();
    switch (tables.status) {
    case JetFile::Status::Read:
        break;
    case JetFile::Status::ToolsMissing:
        stopWith(name + QStringLiteral("は以前の形式の成績ファイルですが､読むためのmdbtoolsがないために")
                 + cannotGoOn + QStringLiteral("\n(mdbtoolsを入れてから､もう一度起動してください)") + leftAsItIs);
    case JetFile::Status::Cancelled:
        stopWith(name + QStringLiteral("を調べるのをやめたために") + cannotGoOn + leftAsItIs);
    case JetFile::Status::Unreadable:
        stopWith(StoreMessages::withReason(name + QStringLiteral("を読めないために") + cannotGoOn + leftAsItIs,
                                           tables.detail));
    }
    if (!JetCarryOver::isResultsFile(tables))
        stopWith(name + QStringLiteral("は成績ファイルではないために") + cannotGoOn + leftAsItIs);
    if (!Dialogs::current().ask(RecordFileNaming::oldFormat()
                                + QStringLiteral("､今の形式に移しますか?\n(元のファイルは名前を変えて残します)")))
        stopWith(name + QStringLiteral("が以前の形式のために") + cannotGoOn + leftAsItIs);
    CarryOverWindow carrying(name);
    const JetCarryOver::Result carried = JetCarryOver::run(path, tables, carrying.carrying());
    carrying.done();
    switch (carried.status) {
    case Status::CarriedOver:
        break;
    case Status::AlreadyCarried:
        return; // another copy did it meanwhile: its file is the one to go on with
    case Status::InProgress:
        stopWith(name + QStringLiteral("はほかのさんすうドリルが今の形式に移しているところです､") + cannotGoOn
                 + leftAsItIs);
    case Status::NoPermission:
        stopWith(QStringLiteral("このフォルダに書き込む権限がないために") + name + QStringLiteral("を今の形式に移せません､")
                 + cannotGoOn + leftAsItIs);
    case Status::LockInTheWay:
        stopWith(RecordFileNaming::lockInTheWay(carried.lock, carried.lockKind) + leftAsItIs);
    case Status::Cancelled:
        stopWith(name + QStringLiteral("を今の形式に移すのをやめたために") + cannotGoOn + leftAsItIs);
    case Status::Unreadable:
        stopWith(StoreMessages::withReason(name + QStringLiteral("を読めないために") + cannotGoOn + leftAsItIs,
                                           carried.reason));
    case Status::Failed:
        stopWith(StoreMessages::withReason(
            name + QStringLiteral("を今の形式に移せないために") + cannotGoOn + leftAsItIs, carried.reason));
    }
    QString message = name + QStringLiteral("の成績%1件を今の形式に移しました､元のファイルは%2として残しています")
                                 .arg(carried.carried)
                                 .arg(QFileInfo(carried.keptAs).fileName());
    if (!carried.misfits.isEmpty()) {
        // Rows whose date is no date are named, so that a parent can find
        // them in the kept file.
        constexpr int named = 10;
        message += QStringLiteral("\n\n移せなかった成績%1件:").arg(carried.misfits.size());
        for (const QString &row : carried.misfits.mid(0, named))
            message += QStringLiteral("\n") + row;
        if (carried.misfits.size() > named)
            message += QStringLiteral("\nほか%1件").arg(carried.misfits.size() - named);
    }
    Dialogs::current().tell(message);
}

void MenuWindow::SET_LOG_GET()
{
    using Status = ResultsLog::PeriodRead::Status;
    const ProjectGlobals &g = ProjectGlobals::instance();
    const ResultsLog &store = *log_;
    ResultsLog::PeriodRead period = store.readPeriod();
    if (period.status == Status::FileUnusable)
        stopWith(period.held ? RecordFileNaming::unusable(store.path(), StoreOutcome::failed(period.reason, true))
                             : RecordFileNaming::missing(g.databaseFileName));
    if (period.status == Status::QueryFailed) {
        Dialogs::current().tell(RecordFileNaming::missing(g.settingsTableName) + QStringLiteral("､新規作成します"));
        const StoreOutcome repaired = store.repairSettings();
        period = store.readPeriod();
        if (period.status == Status::FileUnusable)
            stopWith(RecordFileNaming::missing(g.databaseFileName));
        if (period.status == Status::QueryFailed) {
            stopWith(StoreMessages::withReason(
                g.databaseFileName + QStringLiteral("の") + g.settingsTableName
                    + QStringLiteral("を作成できないため処理を続行できません"),
                repaired ? period.reason : repaired.reason));
        }
    }
    if (period.status == Status::NoRow)
        stopWith(StoreMessages::noSettingsRow());

    // The results table gone on its own is made again, as the settings table
    // is: without it no sitting could be stored and nothing listed.
    if (store.resultsTableMissing()) {
        Dialogs::current().tell(RecordFileNaming::missing(g.resultsTableName) + QStringLiteral("､新規作成します"));
        const StoreOutcome made = store.createResultsTable();
        if (!made) {
            Dialogs::current().tell(StoreMessages::withReason(
                g.databaseFileName + QStringLiteral("の") + g.resultsTableName
                    + QStringLiteral("を作成できませんでした"),
                made.reason));
        }
        return;
    }

    const auto cut = Retention::cutOff(SystemClock::now(), LeadingNumber::of(period.text));
    if (!cut)
        return;
    const StoreOutcome purged = store.purge(DateText::of(*cut));
    if (!purged) {
        // Not fatal: the old rows stay until a later start can delete them.
        Dialogs::current().tell(StoreMessages::withReason(
            g.databaseFileName + QStringLiteral("の古い成績を削除できませんでした"), purged.reason));
    }
}

Form *MenuWindow::drillWindow(int index)
{
    const DrillTable::Entry *drill = DrillTable::atMenuIndex(index);
    if (!drill || !log_)
        return nullptr;
    std::unique_ptr<Form> &window = drills_[static_cast<size_t>(index)];
    if (!window) {
        if (drill->isClock())
            window = std::make_unique<ClockWindow>(*drill, *log_);
        else
            window = std::make_unique<DrillWindow>(*drill, *log_);
    }
    return window.get();
}

Form *MenuWindow::scoreWindow()
{
    if (!scores_ && log_)
        scores_ = std::make_unique<ScoreWindow>(*log_);
    return scores_.get();
}

void MenuWindow::Command1_Click(qint16 Index)
{
    Form *window = drillWindow(Index);
    if (!window)
        return;
    ProjectGlobals::instance().currentDrillName = Command1[static_cast<size_t>(Index)]->text();
    window->showForm();
}

void MenuWindow::Command9_Click()
{
    if (Form *window = scoreWindow())
        window->showForm();
}

void MenuWindow::unloadDrills()
{
    for (auto &drill : drills_) {
        if (drill && drill->isLoaded())
            drill->unloadForm();
    }
}
