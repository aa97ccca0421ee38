#include "app/parents_gate.h"

#include "platform/dialogs.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"

#include <QRandomGenerator>

bool ParentsGate::pass(const ParentsCheck::Draw &draw)
{
    const QString &folder = ProjectGlobals::instance().dataFolder;
    if (const int left = ParentsCheck::pauseLeft(folder, SystemClock::now()); left > 0) {
        Dialogs::current().tell(
            QStringLiteral("答えが%1回ちがったので､あと%2秒たってからもう一度してください").arg(ParentsCheck::tries).arg(left));
        return false;
    }
    // Not the drills' generator: the check must not change the questions a
    // child is asked next.
    ParentsCheck check(draw ? draw : [](int k) { return static_cast<int>(QRandomGenerator::global()->bounded(k)); });
    QString wrong;
    while (check.state() == ParentsCheck::State::Asking) {
        const std::optional<QString> typed = Dialogs::current().askText(
            wrong + QStringLiteral("おうちのかたへ\n\nここから先は、おうちのかたが使うところです。\n"
                                   "次の計算の答えを入れてください。\n\n")
            + check.question());
        if (!typed)
            return false;
        if (check.answer(*typed) == ParentsCheck::State::Asking)
            wrong = QStringLiteral("答えがちがいます（あと%1回）\n\n").arg(check.triesLeft());
    }
    if (check.state() == ParentsCheck::State::Closed) {
        ParentsCheck::startPause(folder, SystemClock::now());
        Dialogs::current().tell(QStringLiteral("答えが%1回ちがったので閉じます､%2秒たつまで開けません")
                                    .arg(ParentsCheck::tries)
                                    .arg(ParentsCheck::pauseSeconds));
    }
    return check.state() == ParentsCheck::State::Passed;
}
