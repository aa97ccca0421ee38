#include "store/store_messages.h"

#include "platform/project_globals.h"

QString StoreMessages::noSettingsRow()
{
    return ProjectGlobals::instance().settingsTableName
           + QStringLiteral("ﾚｺｰﾄﾞがないため処理を続行できません");
}

QString StoreMessages::withReason(const QString &text, const QString &reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral("\n(") + reason + QStringLiteral(")");
}
