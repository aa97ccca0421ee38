#include "scores/score_window.h"

#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/program_exit.h"
#include "platform/project_globals.h"
#include "platform/twips.h"
#include "scores/score_chart_window.h"
#include "scores/drill_options.h"
#include "scores/kept_days.h"
#include "scores/score_list_model.h"
#include "store/store_messages.h"

#include <QAction>
#include <QButtonGroup>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableView>

namespace {
void tell(const QString &text)
{
    Dialogs::current().tell(text);
}

void tellUnread(const QString &reason)
{
    tell(StoreMessages::unreadResults(reason));
}
} // namespace

ScoreWindow::ScoreWindow(const ResultsLog &log)
    : Form(QStringLiteral("得点"), QStringLiteral("得点"), 9210, 7410), log_(log)
{
    setCaptionWithChild(objectName());
    Option1Group = new QButtonGroup(this);
    Option1 = DrillOptions::make(this, Option1Group, QStringLiteral("Option1_"));
    connect(Option1Group, &QButtonGroup::idClicked, this,
            [this](int id) { Option1_Click(static_cast<qint16>(id)); });

    model_ = new ScoreListModel(this);
    connect(model_, &ScoreListModel::pageFailed, this, &tellUnread);
    DataGrid1 = new QTableView(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setAccessibleName(QStringLiteral("得点一覧"));
    DataGrid1->setFont(Twips::font(Fonts::pGothic, 9));
    DataGrid1->horizontalHeader()->setFont(Twips::font(Fonts::pGothic, 9));
    DataGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DataGrid1->verticalHeader()->setDefaultSectionSize(DataGrid1->fontMetrics().height() + 6);
    DataGrid1->verticalHeader()->hide();
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataGrid1->setWordWrap(false);
    DataGrid1->setModel(model_);
    place(DataGrid1, 1800, 120, 7335, 7215);
    // The chart is offered where a parent reads the rows, and adds nothing
    // to the window's layout.
    chartAction = new QAction(QStringLiteral("グラフで見る"), DataGrid1);
    DataGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
    DataGrid1->addAction(chartAction);
    connect(chartAction, &QAction::triggered, this, &ScoreWindow::showChart);

    Text1 = new QLineEdit(QStringLiteral("Text1"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("保存する日数"));
    place(Text1, 0, 6960, 855, 375);

    Command1 = new QPushButton(QStringLiteral("日分保存"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAccessibleName(Command1->text());
    place(Command1, 840, 6960, 975, 375);
    connect(Command1, &QPushButton::clicked, this, &ScoreWindow::Command1_Click);

    // Tab order: the options top to bottom, the grid, the period and its button.
    QList<QWidget *> order(Option1.begin(), Option1.end());
    order << DataGrid1 << Text1 << Command1;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

ScoreWindow::~ScoreWindow() = default;

void ScoreWindow::Form_Load()
{
    Option1[0]->setChecked(true);
    Option1_Click(0);
}

void ScoreWindow::Option1_Click(qint16 Index)
{
    if (Index < 0 || Index >= Option1.size())
        return;
    if (!Option1[Index]->isChecked())
        Option1[Index]->setChecked(true);
    ProjectGlobals::instance().currentDrillName = Option1[Index]->text();
    FORM_DSP();
}

void ScoreWindow::FORM_DSP()
{
    if (!showStoredPeriod()) {
        // The file cannot be read at all: nothing to list either.
        model_->clear();
        return;
    }
    const StoreOutcome listed = model_->list(log_, ProjectGlobals::instance().currentDrillName);
    if (!listed) {
        tellUnread(listed.reason);
        return;
    }
    // A new list starts at its top; the grid would otherwise keep the last
    // list's scroll position and read further pages at once.
    DataGrid1->scrollToTop();
    setColumnWidths();
}

bool ScoreWindow::showStoredPeriod()
{
    using Status = ResultsLog::PeriodRead::Status;
    const ProjectGlobals &g = ProjectGlobals::instance();
    const ResultsLog::PeriodRead period = log_.readPeriod();
    switch (period.status) {
    case Status::Read:
        Text1->setText(period.text.trimmed());
        return true;
    case Status::NoRow:
        tell(StoreMessages::noSettingsRow());
        ProgramExit::end(1);
    case Status::FileUnusable:
        Text1->clear();
        tell(StoreMessages::withReason(g.databaseFileName + QStringLiteral("を開けませんでした"),
                                       period.reason));
        return false;
    case Status::QueryFailed:
        break;
    }
    Text1->clear();
    tell(StoreMessages::withReason(g.settingsTableName + QStringLiteral("を読み出せませんでした"),
                                   period.reason));
    return false;
}

void ScoreWindow::setColumnWidths()
{
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

ScoreChartWindow *ScoreWindow::chartWindow()
{
    if (!chart_)
        chart_ = std::make_unique<ScoreChartWindow>(log_);
    return chart_.get();
}

void ScoreWindow::showChart()
{
    chartWindow()->showDrill(static_cast<int>(Option1Group->checkedId()));
}

void ScoreWindow::Command1_Click()
{
    KeptDays::save(log_, Text1->text());
}
