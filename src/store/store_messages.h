#pragma once

#include <QString>

// Texts about the results file that more than one window tells, so that the
// same situation always reads the same.
class StoreMessages
{
public:
    // "ENVﾚｺｰﾄﾞがないため処理を続行できません": the settings table has no row.
    static QString noSettingsRow();
    // "LOGを読み出せませんでした", with the engine's reason: the results cannot be read.
    static QString unreadResults(const QString &reason);
    // A message followed by the engine's reason on a line of its own, in brackets.
    static QString withReason(const QString &text, const QString &reason);
};
