#include "app/parents_corner.h"

#include "app/chart_start.h"
#include "app/family_messages.h"
#include "app/results_in_use.h"
#include "app/school_run.h"
#include "teacher/class_window.h"
#include "teacher/teacher_login.h"
#include "family/data_folder.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/project_globals.h"
#include "platform/twips.h"
#include "scores/kept_days.h"
#include "scores/score_chart_window.h"
#include "store/store_messages.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>

#include <functional>

namespace {
constexpr double buttonLeft = 6840;
constexpr double buttonWidth = 2250;
constexpr double buttonHeight = 495;

enum Column { NameColumn, DaysColumn, RetryColumn };

// A name typed that `problemOf` finds nothing wrong with; each one refused is
// told and asked again with what was typed, so nothing typed is lost;
// nothing on キャンセル.
std::optional<QString> askName(const QString &question, const std::function<ChildName::Problem(const QString &)> &problemOf,
                               QString initial = QString())
{
    for (;;) {
        const std::optional<QString> typed = Dialogs::current().askText(
            question + QStringLiteral("\n(ひらがなかカタカナで%1文字まで)").arg(ChildName::maxLength), initial);
        if (!typed)
            return std::nullopt;
        const ChildName::Problem problem = problemOf(*typed);
        if (problem == ChildName::Problem::None)
            return typed;
        Dialogs::current().tell(ChildName::message(problem));
        initial = *typed;
    }
}
} // namespace

ParentsCorner::ParentsCorner(const QString &dataFolder)
    : Form(QStringLiteral("ParentsCorner"), QStringLiteral("おうちのかたへ"), 9210, 6240), family_(dataFolder)
{
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(Twips::font(Fonts::pGothic, 9.75));
    Label1->setWordWrap(true);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    place(Label1, 120, 120, 8970, 720);

    Grid1 = new QTableWidget(0, 3, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setFont(Twips::font(Fonts::pGothic, 10.5));
    Grid1->setHorizontalHeaderLabels({QStringLiteral("名前"), QStringLiteral("成績を残す日数"),
                                      QStringLiteral("まちがえた もんだいを\nもういちど")});
    Grid1->setAccessibleName(QStringLiteral("子どもの一覧"));
    Grid1->setTabKeyNavigation(false); // Tab goes on to the buttons
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->verticalHeader()->hide();
    Grid1->horizontalHeader()->setStretchLastSection(true);
    Grid1->setColumnWidth(NameColumn, Twips::toPixels(2700));
    Grid1->setColumnWidth(DaysColumn, Twips::toPixels(1500));
    place(Grid1, 120, 960, 6600, 3840);
    connect(Grid1, &QTableWidget::itemChanged, this, &ParentsCorner::retryChanged);

    const std::pair<QPushButton **, const char16_t *> buttons[] = {
        {&Command1, u"子どもを加える(&A)"}, {&Command2, u"名前を変える(&N)"}, {&Command3, u"子どもを外す(&R)"},
        {&Command4, u"残す日数を変える(&D)"}, {&Command5, u"グラフで見る(&G)"}, {&Command7, u"学校(&S)"},
        {&Command6, u"閉じる(&C)"}};
    double top = 960;
    int number = 1;
    for (const auto &[button, caption] : buttons) {
        *button = new QPushButton(QString::fromUtf16(caption), this);
        (*button)->setObjectName(QStringLiteral("Command%1").arg(*button == Command7 ? 7 : number++));
        place(*button, buttonLeft, top, buttonWidth, buttonHeight);
        top += buttonHeight + 120;
    }
    place(Command6, buttonLeft, 6120 - buttonHeight, buttonWidth, buttonHeight);
    connect(Command1, &QPushButton::clicked, this, &ParentsCorner::addChild);
    connect(Command2, &QPushButton::clicked, this, &ParentsCorner::renameChild);
    connect(Command3, &QPushButton::clicked, this, &ParentsCorner::removeChild);
    connect(Command4, &QPushButton::clicked, this, &ParentsCorner::setKeptDays);
    connect(Command5, &QPushButton::clicked, this, &ParentsCorner::showChart);
    connect(Command7, &QPushButton::clicked, this, &ParentsCorner::joinSchool);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(Twips::font(Fonts::pGothic, 9.75));
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    place(Label2, 120, 4920, 6600, 1200);
    connect(Command6, &QPushButton::clicked, this, &QWidget::close);
    // The keyboard reaches every button: the grid, then each button in turn;
    // Escape closes, as 閉じる does.
    QWidget *previous = Grid1;
    for (QPushButton *button : {Command1, Command2, Command3, Command4, Command5, Command7, Command6}) {
        setTabOrder(previous, button);
        previous = button;
    }
    auto *escape = new QAction(this);
    escape->setShortcut(Qt::Key_Escape);
    escape->setShortcutContext(Qt::WindowShortcut);
    connect(escape, &QAction::triggered, this, &QWidget::close);
    addAction(escape);
}

ParentsCorner::~ParentsCorner() = default;

void ParentsCorner::teach(std::unique_ptr<ClassServer> server, const ClassServer::Opening &opening,
                          const QString &classId)
{
    teacherServer_ = std::move(server);
    teacherOpening_ = opening;
    teacherClass_ = classId;
    teaching_ = true;
    setWindowTitle(QStringLiteral("先生へ"));
    for (QPushButton *button : {Command1, Command2, Command3, Command4})
        button->hide();
    Command7->setText(QStringLiteral("クラスのようす(&K)"));
    disconnect(Command7, nullptr, this, nullptr);
    connect(Command7, &QPushButton::clicked, this, [this] {
        if (classWindow_ && classWindow_->isLoaded())
            return classWindow_->showForm();
        if (!teacherServer_) // once closed, the view asks for the login again
            teacherServer_ = TeacherLogin::ask(SchoolRun::settings().service(), this, &teacherOpening_);
        if (!teacherServer_)
            return;
        classWindow_ = std::make_unique<ClassWindow>(std::move(teacherServer_), teacherOpening_.classes,
                                                     teacherOpening_.allClasses, teacherClass_);
        classWindow_->showForm();
    });
}

void ParentsCorner::Form_Load()
{
    refresh();
    Grid1->selectRow(0);
    SchoolRun::onStatusChanged(this, [this] { refreshSchool(); });
}

void ParentsCorner::Form_Unload()
{
    chart_.reset();
    chartLog_.reset();
}

void ParentsCorner::refresh()
{
    const FamilyOutcome loaded = family_.load();
    QStringList said = FamilyMessages::finished(loaded);
    if (!loaded && !loaded.held)
        said << FamilyMessages::failure(loaded, QStringLiteral("子どもの一覧を直せませんでした"));
    if (!said.isEmpty())
        Dialogs::current().tell(said.join(QLatin1Char('\n')));
    // The folder as a parent finds it, from the home folder.
    QString folder = QDir::toNativeSeparators(family_.dataFolder());
    if (const QString home = QDir::toNativeSeparators(QDir::homePath()); folder.startsWith(home + QDir::separator()))
        folder = QStringLiteral("~") + folder.mid(home.size());
    Label1->setText(QStringLiteral("子どもごとに、成績を分けて残します。名前は子どもが読めるように、ひらがなかカタカナで。\n"
                                   "成績のフォルダ: ")
                    + folder);
    filling_ = true;
    const QList<Child> &children = family_.children();
    const bool haveFile = QFileInfo::exists(resultsPath(0));
    Grid1->setRowCount(children.isEmpty() ? (haveFile ? 1 : 0) : static_cast<int>(children.size()));
    for (int row = 0; row < Grid1->rowCount(); ++row) {
        const bool child = !children.isEmpty();
        auto *name = new QTableWidgetItem(child ? children[row].name : QStringLiteral("（まだ名前がありません）"));
        const ResultsLog::PeriodRead period = ResultsLog(resultsPath(row)).readPeriod();
        auto *days = new QTableWidgetItem(period.status == ResultsLog::PeriodRead::Status::Read
                                              ? period.text.trimmed() + QStringLiteral("日")
                                              : QStringLiteral("－"));
        auto *retry = new QTableWidgetItem(child ? QStringLiteral("する") : QString());
        retry->setFlags(child && !teaching_ ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable
                                            : Qt::ItemIsSelectable);
        if (child)
            retry->setCheckState(children[row].retryMissed ? Qt::Checked : Qt::Unchecked);
        Grid1->setItem(row, NameColumn, name);
        Grid1->setItem(row, DaysColumn, days);
        Grid1->setItem(row, RetryColumn, retry);
    }
    filling_ = false;
    const bool any = Grid1->rowCount() > 0;
    Command2->setEnabled(!children.isEmpty());
    Command3->setEnabled(!children.isEmpty());
    Command4->setEnabled(any);
    Command5->setEnabled(any);
    refreshSchool();
}

namespace {
// The sender's state in a parent's words.
QString serverState(const SenderStatus &status)
{
    using State = SenderStatus::State;
    const QString words = status.detail.isEmpty() ? QString() : QStringLiteral("（%1）").arg(status.detail.simplified());
    switch (status.state) {
    case State::NotConfigured:
    case State::Stopped:
        return QStringLiteral("送っていません");
    case State::NoDriver:
        return QStringLiteral("PostgreSQLにつなぐ部品(libqt6sql6-psql)がないため送れません") + words;
    case State::Connecting:
        return QStringLiteral("つないでいます");
    case State::Sending:
        return QStringLiteral("送っています");
    case State::AllSent:
        return QStringLiteral("すべて送りました");
    case State::WaitingToRetry:
        return QStringLiteral("つながりません､%1にもう一度送ります").arg(status.retryAt.toString(QStringLiteral("H:mm"))) + words;
    case State::LoginRefused:
        return QStringLiteral("ログインを断られました(パスワードを確かめてください)､%1にもう一度ためします")
                   .arg(status.retryAt.toString(QStringLiteral("H:mm")))
               + words;
    case State::SchemaNewer:
        return QStringLiteral("サーバーのデータベースがこのさんすうドリルより新しい形式のため送れません､"
                              "さんすうドリルを新しくしてください")
               + words;
    }
    return QString();
}
} // namespace

void ParentsCorner::refreshSchool()
{
    const SchoolSettings school = SchoolRun::settings();
    const QString where = QDir::toNativeSeparators(school.path());
    if (school.path().isEmpty()) {
        Label2->setText(QStringLiteral("学校: 参加していません(成績はこのコンピューターの中だけにあります)"));
        return;
    }
    if (!school.configured() || (school.classId().isEmpty() && !school.classroom())) {
        Label2->setText(StoreMessages::withReason(
            QStringLiteral("学校: 設定%1にサービスかクラスがないか､読めないため送っていません").arg(where), school.detail()));
        return;
    }
    const std::optional<SenderStatus> status = SchoolRun::status();
    const ResultsLog::QueueCounts counts = SchoolRun::counts(family_);
    QString text = QStringLiteral("学校: サービス %1・クラス %2 (設定: %3)\nサーバー: %4\n送信待ち %5件・送信済み %6件")
                       .arg(school.service(), school.classroom() ? QStringLiteral("名簿のとおり") : school.classId(), where,
                            status ? serverState(*status)
                                   : QStringLiteral("このウィンドウからは送っていません(れんしゅうのときに送ります)"))
                       .arg(counts.waiting)
                       .arg(counts.sent);
    if (counts.refused > 0) {
        QStringList reasons;
        for (const auto &[why, count] : counts.refusedReasons)
            reasons << QStringLiteral("%1件: %2").arg(count).arg(why);
        text += QStringLiteral("・サーバーが受け取らなかった %1件 (%2)").arg(counts.refused).arg(reasons.join(QStringLiteral("; ")));
    }
    Label2->setText(text);
}

void ParentsCorner::joinSchool()
{
    const SchoolSettings school = SchoolRun::settings();
    Dialogs &dialogs = Dialogs::current();
    const std::optional<QString> service = dialogs.askText(
        QStringLiteral("学校のサーバーの名前(pg_service.confのサービス名)を入れてください\n"
                       "(学校から知らされた名前です､パスワードはここには入れません)"),
        school.service());
    if (!service || service->trimmed().isEmpty())
        return;
    const std::optional<QString> classId =
        dialogs.askText(QStringLiteral("クラスの名前を入れてください(学校から知らされたもの)"), school.classId());
    if (!classId || classId->trimmed().isEmpty())
        return;
    const bool earlier = dialogs.ask(QStringLiteral("いままでの成績も学校に送りますか?\n"
                                                    "(キャンセルにすると､これから練習した成績だけを送ります)"));
    if (const QString why = SchoolRun::join(family_.dataFolder(), service->trimmed(), classId->trimmed(), earlier);
        !why.isEmpty()) {
        dialogs.tell(StoreMessages::withReason(QStringLiteral("学校の設定を保存できませんでした"), why));
        return;
    }
    dialogs.tell(QStringLiteral("このコンピューターは学校に参加しました､成績は%1に送ります").arg(service->trimmed()));
    SchoolRun::onStatusChanged(this, [this] { refreshSchool(); });
    refresh();
}

QString ParentsCorner::resultsPath(int row) const
{
    const QList<Child> &children = family_.children();
    const QString folder = children.isEmpty() ? family_.dataFolder()
                           : row >= 0 && row < children.size() ? family_.resultsFolder(children[row].id)
                                                                : QString();
    return QDir(folder).filePath(Family::resultsFileName);
}

std::optional<Child> ParentsCorner::chosenChild()
{
    const int row = Grid1->currentRow();
    if (row < 0 || row >= family_.children().size()) {
        Dialogs::current().tell(QStringLiteral("一覧から子どもを選んでください"));
        return std::nullopt;
    }
    return family_.children()[row];
}

bool ParentsCorner::made(const FamilyOutcome &outcome)
{
    if (!outcome)
        Dialogs::current().tell(FamilyMessages::failure(outcome, QStringLiteral("子どもの一覧を変えられませんでした")));
    return outcome.done;
}

void ParentsCorner::addChild()
{
    family_.load();
    if (family_.children().isEmpty()) {
        // The family is formed: the results kept so far become the first
        // child's, and the new child starts afresh.
        const bool kept = QFileInfo::exists(resultsPath(0)) || QFileInfo(resultsPath(0)).isSymLink();
        const std::optional<QString> first =
            askName(kept ? QStringLiteral("いままでの成績は、どの子のものですか？\nその子の名前を入れてください")
                         : QStringLiteral("1人目の子どもの名前を入れてください"),
                    [this](const QString &name) { return family_.nameProblem(name); });
        if (!first)
            return;
        const std::optional<QString> second =
            askName(kept ? QStringLiteral("新しく加える子どもの名前を入れてください")
                         : QStringLiteral("2人目の子どもの名前を入れてください"),
                    [&first](const QString &name) { return ChildName::problemOf(name, {ChildName::key(*first)}); });
        if (!second)
            return;
        // A write killed midway is rolled back before the file moves, so that
        // it never moves without the journal it needs.
        if (kept)
            ResultsLog(resultsPath(0)).probe();
        // This copy's own hold on the results gives way to the move; another
        // copy's refuses it.
        const bool heldHere = ResultsInUse::folder() == QDir(family_.dataFolder()).absolutePath();
        if (heldHere)
            ResultsInUse::release();
        const FamilyOutcome formed = family_.form(*first, *second);
        if (heldHere && !formed)
            ResultsInUse::hold(family_.dataFolder());
        if (!made(formed))
            return;
    } else {
        const std::optional<QString> name = askName(QStringLiteral("新しく加える子どもの名前を入れてください"),
                                                    [this](const QString &typed) { return family_.nameProblem(typed); });
        if (!name || !made(family_.add(*name)))
            return;
    }
    // A new child's results file is made now, so that the child is not asked
    // about a file at the first start, and the days it keeps can be set.
    family_.load();
    for (int row = 0; row < family_.children().size(); ++row) {
        if (!QFileInfo::exists(resultsPath(row))) {
            if (const StoreOutcome made = ResultsLog(resultsPath(row)).create(); !made)
                Dialogs::current().tell(StoreMessages::withReason(
                    QStringLiteral("%1の成績ファイルを作れませんでした").arg(family_.children()[row].name), made.reason));
        }
    }
    follow();
    refresh();
    Grid1->selectRow(Grid1->rowCount() - 1);
}

void ParentsCorner::renameChild()
{
    const std::optional<Child> child = chosenChild();
    if (!child)
        return;
    const std::optional<QString> name =
        askName(QStringLiteral("%1の新しい名前を入れてください").arg(child->name),
                [this, &child](const QString &typed) { return family_.nameProblem(typed, child->id); }, child->name);
    if (!name || *name == child->name || !made(family_.rename(child->id, *name)))
        return;
    follow();
    refresh();
}

void ParentsCorner::removeChild()
{
    const std::optional<Child> child = chosenChild();
    if (!child)
        return;
    if (child->id == ProjectGlobals::instance().childId) {
        Dialogs::current().tell(QStringLiteral("%1はいまれんしゅうしているので外せません､"
                                               "さんすうドリルを閉じてから外してください")
                                    .arg(child->name));
        return;
    }
    if (!Dialogs::current().ask(QStringLiteral("%1を一覧から外しますか?\n(%1の成績はデータのフォルダに残します)")
                                    .arg(child->name)))
        return;
    const FamilyOutcome removed = family_.remove(child->id);
    if (!made(removed))
        return;
    Dialogs::current().tell(removed.backup.isEmpty()
                                ? QStringLiteral("%1を外しました(成績はまだありませんでした)").arg(child->name)
                                : QStringLiteral("%1を外しました､成績は次のファイルに残しています:\n%2")
                                      .arg(child->name, QDir::toNativeSeparators(removed.backup)));
    follow();
    refresh();
}

void ParentsCorner::setKeptDays()
{
    const int row = Grid1->currentRow();
    if (row < 0)
        return;
    const QString path = resultsPath(row);
    const QString who = Grid1->item(row, NameColumn)->text();
    if (!QFileInfo::exists(path)) {
        Dialogs::current().tell(QStringLiteral("%1の成績はまだありません､はじめて練習したあとで決められます").arg(who));
        return;
    }
    const ResultsLog log(path);
    const ResultsLog::PeriodRead stored = log.readPeriod();
    const std::optional<QString> typed = Dialogs::current().askText(
        QStringLiteral("%1の成績を何日分残しますか?").arg(who), stored.text.trimmed());
    if (typed && KeptDays::save(log, *typed, true))
        refresh();
}

void ParentsCorner::showChart()
{
    const int row = Grid1->currentRow();
    if (row < 0)
        return;
    const QString path = resultsPath(row);
    // The chart shows only what start-up would open as it is.
    if (const QString why = ChartStart::refusal(path); !why.isEmpty()) {
        Dialogs::current().tell(why);
        return;
    }
    chart_.reset();
    chartLog_ = std::make_unique<ResultsLog>(path);
    chart_ = std::make_unique<ScoreChartWindow>(*chartLog_);
    chart_->setChild(family_.children().isEmpty() ? QString() : Grid1->item(row, NameColumn)->text());
    chart_->showDrill(0);
}

void ParentsCorner::retryChanged(QTableWidgetItem *item)
{
    if (filling_ || item->column() != RetryColumn || item->row() >= family_.children().size())
        return;
    const Child child = family_.children()[item->row()];
    const bool on = item->checkState() == Qt::Checked;
    if (on == child.retryMissed)
        return;
    if (made(family_.setRetryMissed(child.id, on)))
        follow();
    refresh();
}

void ParentsCorner::follow()
{
    ProjectGlobals &g = ProjectGlobals::instance();
    const QList<Child> &children = family_.children();
    // A run that kept its results in the data folder itself goes on with the
    // first child, who took them over.
    if (g.dataFolder == family_.dataFolder() && g.childId.isEmpty() && g.folderToMake.isEmpty()
        && !children.isEmpty() && QDir::current() == QDir(family_.dataFolder())) {
        g.childId = children.front().id;
        QDir::setCurrent(family_.resultsFolder(g.childId));
        ResultsInUse::hold(family_.resultsFolder(g.childId));
    }
    if (const std::optional<Child> child = family_.child(g.childId); child && g.dataFolder == family_.dataFolder()) {
        g.childName = children.size() >= 2 ? child->name : QString();
        g.askMissedAgain = child->retryMissed;
    }
    emit familyChanged();
}
