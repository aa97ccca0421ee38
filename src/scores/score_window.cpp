#include "scores/score_window.h"

#include "platform/dialogs.h"
#include "platform/program_exit.h"
#include "platform/project_globals.h"
#include "platform/twips.h"
#include "store/connection_string.h"
#include "store/record_database.h"
#include "store/retention.h"

#include <QButtonGroup>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QStyle>
#include <QTableView>

namespace {
const QString gridFamily = QStringLiteral("ＭＳ Ｐゴシック");

struct OptionDesign
{
    const char16_t *caption;
    double top;
};

// Index order of the option buttons; the menu orders its drill buttons differently.
constexpr OptionDesign optionDesign[ScoreWindow::drillCount] = {
    {u"たしざん１０", 240},  {u"たして１０", 720},   {u"たしざん２０", 1200},
    {u"ひきざん１０", 1680}, {u"ひいて１０", 2160}, {u"ひきざん２０", 2640},
    {u"とけい", 3120},
};

QString databasePath()
{
    return ConnectionString::dataSourcePath(ProjectGlobals::instance().connectionString);
}

QString withReason(const QString &text, const QString &reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral("\n(") + reason + QStringLiteral(")");
}
} // namespace

ScoreWindow::ScoreWindow() : Form(QStringLiteral("得点"), QStringLiteral("得点"), 9210, 7410)
{
    Option1Group = new QButtonGroup(this);
    Option1Group->setExclusive(true);
    for (int i = 0; i < drillCount; ++i) {
        auto *option = new QRadioButton(QString::fromUtf16(optionDesign[i].caption), this);
        option->setObjectName(QStringLiteral("Option1_%1").arg(i));
        option->setAccessibleName(option->text());
        option->setFont(Twips::font(gridFamily, 9.75));
        option->setAutoFillBackground(true);
        QPalette pal = option->palette();
        pal.setColor(QPalette::Window, Form::background);
        pal.setColor(QPalette::Button, Form::background);
        option->setPalette(pal);
        place(option, 120, optionDesign[i].top, 1335, 495);
        Option1Group->addButton(option, i);
        Option1[i] = option;
    }
    connect(Option1Group, &QButtonGroup::idClicked, this,
            [this](int id) { Option1_Click(static_cast<qint16>(id)); });

    model_ = new QSqlQueryModel(this);
    DataGrid1 = new QTableView(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setAccessibleName(QStringLiteral("得点一覧"));
    DataGrid1->setFont(Twips::font(gridFamily, 9));
    DataGrid1->horizontalHeader()->setFont(Twips::font(gridFamily, 9));
    DataGrid1->verticalHeader()->setFont(Twips::font(gridFamily, 9));
    DataGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DataGrid1->verticalHeader()->setDefaultSectionSize(DataGrid1->fontMetrics().height() + 6);
    DataGrid1->verticalHeader()->hide();
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataGrid1->setWordWrap(false);
    DataGrid1->setModel(model_);
    place(DataGrid1, 1800, 120, 7335, 7215);

    Text1 = new QLineEdit(QStringLiteral("Text1"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("保存する日数"));
    place(Text1, 0, 6960, 855, 375);

    Command1 = new QPushButton(QStringLiteral("日分保存"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAccessibleName(Command1->text());
    place(Command1, 840, 6960, 975, 375);
    connect(Command1, &QPushButton::clicked, this, &ScoreWindow::Command1_Click);

    QWidget *previous = Option1[0];
    for (QWidget *next : {static_cast<QWidget *>(Option1[1]), static_cast<QWidget *>(Option1[2]),
                          static_cast<QWidget *>(Option1[3]), static_cast<QWidget *>(Option1[4]),
                          static_cast<QWidget *>(Option1[5]), static_cast<QWidget *>(Option1[6]),
                          static_cast<QWidget *>(DataGrid1), static_cast<QWidget *>(Text1),
                          static_cast<QWidget *>(Command1)}) {
        setTabOrder(previous, next);
        previous = next;
    }
}

ScoreWindow::~ScoreWindow()
{
    clearGrid();
}

QString ScoreWindow::gridQuery(const QString &drillName)
{
    return QStringLiteral("SELECT * FROM ") + ProjectGlobals::instance().resultsTableName
           + QStringLiteral(" WHERE 科目 = '") + drillName + QStringLiteral("'")
           + QStringLiteral(" ORDER BY 日時 DESC ;");
}

QString ScoreWindow::saveStatement(const QString &periodText)
{
    return QStringLiteral("UPDATE ") + ProjectGlobals::instance().settingsTableName
           + QStringLiteral(" SET SET_LOG = '") + periodText + QStringLiteral("' ;");
}

void ScoreWindow::Form_Load()
{
    Option1[0]->setChecked(true);
    Option1_Click(0);
}

void ScoreWindow::Option1_Click(qint16 Index)
{
    if (Index < 0 || Index >= drillCount)
        return;
    if (!Option1[Index]->isChecked())
        Option1[Index]->setChecked(true);
    ProjectGlobals::instance().currentDrillName = Option1[Index]->text();
    FORM_DSP();
}

void ScoreWindow::FORM_DSP()
{
    const QString path = databasePath();
    if (showStoredPeriod(path) == PeriodRead::Failed) {
        // The file cannot be read at all: nothing to list either.
        clearGrid();
        return;
    }
    QString error;
    if (!refreshGrid(path, &error)) {
        Dialogs::current().tell(withReason(
            ProjectGlobals::instance().resultsTableName + QStringLiteral("を読み出せませんでした"),
            error));
        return;
    }
    setColumnWidths();
}

ScoreWindow::PeriodRead ScoreWindow::showStoredPeriod(const QString &path)
{
    const ProjectGlobals &g = ProjectGlobals::instance();
    RecordDatabase db;
    if (!db.open(path)) {
        Text1->clear();
        Dialogs::current().tell(
            withReason(g.databaseFileName + QStringLiteral("を開けませんでした"), db.lastError()));
        return PeriodRead::Failed;
    }
    const auto rows = db.query(QStringLiteral("SELECT SET_LOG FROM ") + g.settingsTableName
                               + QStringLiteral(" ;"));
    if (!rows) {
        Text1->clear();
        Dialogs::current().tell(
            withReason(g.settingsTableName + QStringLiteral("を読み出せませんでした"), db.lastError()));
        return PeriodRead::Failed;
    }
    if (rows->empty() || rows->front().isEmpty()) {
        Dialogs::current().tell(g.settingsTableName
                                + QStringLiteral("ﾚｺｰﾄﾞがないため処理を続行できません"));
        db.close();
        ProgramExit::end(1);
    }
    Text1->setText(rows->front().front().toString().trimmed());
    return PeriodRead::Shown;
}

bool ScoreWindow::refreshGrid(const QString &path, QString *error)
{
    auto database = std::make_unique<RecordDatabase>();
    if (!database->open(path)) {
        *error = database->lastError();
        clearGrid();
        return false;
    }
    model_->setQuery(gridQuery(ProjectGlobals::instance().currentDrillName),
                     database->connection());
    // Show the first page at once when the grid is on screen: the sort of the
    // whole table is done by now, reading the remaining rows takes as long again.
    if (DataGrid1->isVisible() && !model_->lastError().isValid()) {
        setColumnWidths();
        DataGrid1->repaint();
    }
    // Read every row now. A statement left half-read keeps the file's shared
    // lock, and a drill window closing meanwhile could not write its result
    // until the list was scrolled to its end; read to the end, the statement
    // is reset and the lock is gone before control returns to the user.
    while (model_->canFetchMore())
        model_->fetchMore();
    if (model_->lastError().isValid() || model_->query().lastError().isValid()) {
        *error = model_->lastError().isValid() ? model_->lastError().text()
                                               : model_->query().lastError().text();
        clearGrid(); // before the new connection goes with this function
        return false;
    }
    // The previous connection goes only now that the model has let go of it.
    gridDatabase_ = std::move(database);
    return true;
}

void ScoreWindow::clearGrid()
{
    // An empty query bound to no connection: QSqlQueryModel::clear() would
    // keep a result made by the old connection's driver, which dies with it.
    model_->setQuery(QSqlQuery());
    gridDatabase_.reset();
}

void ScoreWindow::setColumnWidths()
{
    if (model_->columnCount() < 3)
        return;
    const double width = Twips::toTwips(DataGrid1->width());
    const double usable = width - 600;
    int dateWidth = Twips::toPixels(usable * 2500 / 9000);
    int drillWidth = Twips::toPixels(usable * 3000 / 9000);
    // The substitute font sets a full date and time wider than the designed
    // column; a parent must read the whole time, so the date column takes what
    // it needs from the drill column, which has room to spare.
    const int fullDate = DataGrid1->fontMetrics().horizontalAdvance(QStringLiteral("2000/00/00 00:00:00"))
                         + 2 * DataGrid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
    if (fullDate > dateWidth) {
        drillWidth -= fullDate - dateWidth;
        dateWidth = fullDate;
    }
    DataGrid1->setColumnWidth(0, dateWidth);
    DataGrid1->setColumnWidth(1, drillWidth);
    DataGrid1->setColumnWidth(2, Twips::toPixels(usable * 2000 / 9000));
}

void ScoreWindow::Command1_Click()
{
    const ProjectGlobals &g = ProjectGlobals::instance();
    const std::optional<QString> period = Retention::normalisedInput(Text1->text());
    if (!period) {
        Dialogs::current().tell(QStringLiteral("1以上の数字を入力してください"));
        return;
    }
    QString failure;
    int changed = 0;
    {
        RecordDatabase db;
        if (!db.open(databasePath())) {
            failure = db.lastError();
        } else {
            QSqlQuery update(db.connection());
            if (!update.exec(saveStatement(*period)))
                failure = update.lastError().text();
            else
                changed = update.numRowsAffected();
        }
    }
    if (!failure.isEmpty()) {
        Dialogs::current().tell(withReason(
            g.databaseFileName + QStringLiteral("に保存期間を保存できませんでした"), failure));
        return;
    }
    if (changed < 1) {
        // An UPDATE of an empty table succeeds without storing anything.
        Dialogs::current().tell(g.settingsTableName
                                + QStringLiteral("ﾚｺｰﾄﾞがないため保存期間を保存できませんでした"));
        return;
    }
    Dialogs::current().tell(QStringLiteral("保存期間を設定しました"));
}
