#include "store/results_log.h"

#include "platform/dialogs.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "store/clear_count_text.h"
#include "store/database_file.h"
#include "store/date_text.h"
#include "store/leading_number.h"
#include "store/record_database.h"

QString ResultsLog::insertStatement(const QString &dateText, const QString &drillName,
                                    const QString &scoreText)
{
    const ProjectGlobals &g = ProjectGlobals::instance();
    return QStringLiteral("INSERT INTO ") + g.resultsTableName + QStringLiteral(" ( ")
           + QStringLiteral("日時,科目,得点") + QStringLiteral(" ) VALUES ( ") + QStringLiteral("'")
           + dateText + QStringLiteral("',") + QStringLiteral("'") + drillName
           + QStringLiteral("',") + QStringLiteral("'") + scoreText + QStringLiteral("'")
           + QStringLiteral(" );");
}

bool ResultsLog::append(const QString &dateText, const QString &drillName,
                        const QString &scoreText, QString *error)
{
    // The values stand between quotes unescaped; a quote would break the statement.
    for (const QString *value : {&dateText, &drillName, &scoreText}) {
        if (value->contains(QLatin1Char('\''))) {
            if (error)
                *error = QStringLiteral("a value holds a quote");
            return false;
        }
    }
    const ProjectGlobals &g = ProjectGlobals::instance();
    RecordDatabase db;
    if (!db.open(DatabaseFile::locate(g.databaseFileName))
        || !db.execute(insertStatement(dateText, drillName, scoreText))) {
        if (error)
            *error = db.lastError();
        return false;
    }
    return true;
}

bool ResultsLog::recordSitting(const QString &drillName, const QString &clearCountCaption)
{
    const QString score = ClearCountText::scoreText(clearCountCaption);
    if (LeadingNumber::of(score) == 0.0)
        return true;
    const QString when = DateText::of(SystemClock::now()).trimmed();
    QString error;
    if (append(when, drillName, score, &error))
        return true;
    const ProjectGlobals &g = ProjectGlobals::instance();
    Dialogs::current().tell(g.databaseFileName + QStringLiteral("に成績を保存できませんでした。\n")
                            + when + QStringLiteral("　") + drillName + QStringLiteral("　")
                            + score + QStringLiteral("\n(") + error + QStringLiteral(")"));
    return false;
}
