#include "store/store_messages.h"

#include "store/results_schema.h"

QString StoreMessages::noSettingsRow()
{
    return ResultsSchema::settingsTable + QStringLiteral("ﾚｺｰﾄﾞがないため処理を続行できません");
}

QString StoreMessages::withReason(const QString &text, const QString &reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral("\n(") + reason + QStringLiteral(")");
}

QString StoreMessages::unreadResults(const QString &reason)
{
    return withReason(ResultsSchema::resultsTable + QStringLiteral("を読み出せませんでした"), reason);
}
