#include "app/chart_start.h"

#include "app/record_file_naming.h"
#include "app/wait_notice.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"
#include "platform/project_globals.h"
#include "scores/score_chart_window.h"
#include "store/jet_file.h"
#include "store/record_file.h"
#include "store/results_log.h"
#include "store/results_schema.h"
#include "store/store_messages.h"

#include <QApplication>

int ChartStart::run()
{
    ProjectGlobals &g = ProjectGlobals::instance();
    g.setRecordNames(ResultsSchema::fileName, ResultsSchema::settingsTable, ResultsSchema::resultsTable);
    // Every read of the file another program holds says that it waits.
    WaitNotice notice(g.databaseFileName);
    notice.watchStore();
    const ResultsLog log(RecordFile::locate(ResultsSchema::fileName));
    if (const QString why = refusal(log.path()); !why.isEmpty()) {
        Dialogs::current().tell(why);
        return 1;
    }
    ScoreChartWindow chart(log);
    chart.showDrill(0);
    return QApplication::exec();
}

QString ChartStart::refusal(const QString &path)
{
    using Status = ResultsLog::PeriodRead::Status;
    const ProjectGlobals &g = ProjectGlobals::instance();
    // What start-up would set right: named, with what it would do.
    const auto startUpWould = [](const QString &named, const QString &would) {
        return named + QStringLiteral("､成績のグラフを表示できないので終了します\n(") + AppInfo::title()
               + QStringLiteral("を起動すると") + would + QStringLiteral(")");
    };
    if (!RecordFile::currentFolderExists())
        return RecordFileNaming::folderGone();
    const RecordFile::Kind kind = RecordFile::kindOf(path);
    if (kind == RecordFile::Kind::Missing)
        return startUpWould(RecordFileNaming::notFound(), QStringLiteral("新規作成できます"));
    if (kind != RecordFile::Kind::Regular)
        return RecordFileNaming::notAFile(kind);
    const ResultsLog log(path);
    if (const StoreOutcome opened = log.probe(); !opened) {
        if (JetFile::version(path))
            return startUpWould(RecordFileNaming::oldFormat(), QStringLiteral("今の形式に移せます"));
        return RecordFileNaming::unusable(path, opened);
    }
    const ResultsLog::PeriodRead period = log.readPeriod();
    switch (period.status) {
    case Status::FileUnusable:
        return RecordFileNaming::unusable(path, StoreOutcome::failed(period.reason, period.held));
    case Status::QueryFailed:
        return startUpWould(RecordFileNaming::missing(g.settingsTableName), QStringLiteral("新規作成します"));
    case Status::NoRow:
        return StoreMessages::noSettingsRow();
    case Status::Read:
        break;
    }
    if (log.resultsTableMissing())
        return startUpWould(RecordFileNaming::missing(g.resultsTableName), QStringLiteral("新規作成します"));
    return QString();
}
