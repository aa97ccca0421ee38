#include "scores/kept_days.h"

#include "platform/dialogs.h"
#include "platform/parents_approval.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "store/date_text.h"
#include "store/leading_number.h"
#include "store/retention.h"
#include "store/store_messages.h"

bool KeptDays::save(const ResultsLog &log, const QString &typed, bool parentsChecked)
{
    const ProjectGlobals &g = ProjectGlobals::instance();
    Dialogs &dialogs = Dialogs::current();
    if (const QString why = ParentsApproval::locked(); !why.isEmpty()) {
        dialogs.tell(why);
        return false;
    }
    const std::optional<QString> period = Retention::normalisedInput(typed);
    if (!period) {
        dialogs.tell(QStringLiteral("1以上の数字を入力してください"));
        return false;
    }
    if (Retention::isTooLong(*period)) {
        dialogs.tell(QStringLiteral("保存できるのは%1日(100年)までです､%1以下の数字を入力してください")
                         .arg(Retention::longestPeriodDays));
        return false;
    }
    if (!removalAgreed(log, *period, parentsChecked))
        return false;
    QString reason;
    switch (log.savePeriod(*period, &reason)) {
    case ResultsLog::PeriodSave::Saved:
        dialogs.tell(QStringLiteral("保存期間を設定しました"));
        return true;
    case ResultsLog::PeriodSave::NoRow:
        dialogs.tell(g.settingsTableName + QStringLiteral("ﾚｺｰﾄﾞがないため保存期間を保存できませんでした"));
        return false;
    case ResultsLog::PeriodSave::Failed:
        break;
    }
    dialogs.tell(StoreMessages::withReason(g.databaseFileName + QStringLiteral("に保存期間を保存できませんでした"),
                                           reason));
    return false;
}

bool KeptDays::removalAgreed(const ResultsLog &log, const QString &period, bool parentsChecked)
{
    // The cut-offs of the new period and of the stored one, by the purge's
    // rule; a period it does not cut by keeps everything.
    const QDateTime now = SystemClock::now();
    const std::optional<QDateTime> cut = Retention::cutOff(now, LeadingNumber::of(period));
    if (!cut)
        return true;
    const ResultsLog::PeriodRead stored = log.readPeriod();
    if (stored.status == ResultsLog::PeriodRead::Status::Read) {
        const std::optional<QDateTime> storedCut = Retention::cutOff(now, LeadingNumber::of(stored.text));
        if (storedCut && *storedCut >= *cut)
            return true; // raised, or kept as it is
    }
    qint64 removed = 0;
    const StoreOutcome counted = log.countPurged(DateText::of(*cut), &removed);
    if (!counted) {
        Dialogs::current().tell(StoreMessages::withReason(
            ProjectGlobals::instance().databaseFileName
                + QStringLiteral("の成績を数えられないため保存期間を保存しませんでした"),
            counted.reason));
        return false;
    }
    if (removed == 0)
        return true;
    if (!parentsChecked && !ParentsApproval::pass())
        return false;
    return Dialogs::current().ask(QStringLiteral("保存期間を%1日にすると､次に起動したときに古い成績%2件が削除されます｡\n"
                                                 "保存しますか?")
                                      .arg(period.toInt())
                                      .arg(removed));
}
