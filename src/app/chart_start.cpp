#include "app/chart_start.h"

#include "app/wait_notice.h"
#include "platform/dialogs.h"
#include "platform/project_globals.h"
#include "scores/score_chart_window.h"
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
    const StoreOutcome opened = log.probe();
    if (!opened) {
        const QString why = RecordFile::existsInAnyCase(log.path()) ? QStringLiteral("を読めません")
                                                                    : QStringLiteral("が見つかりません");
        Dialogs::current().tell(StoreMessages::withReason(
            g.databaseFileName + why + QStringLiteral("､成績のグラフを表示できないので終了します"),
            opened.reason));
        return 1;
    }
    ScoreChartWindow chart(log);
    chart.showDrill(0);
    return QApplication::exec();
}
