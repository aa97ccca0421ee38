#include "app/parents_gate.h"

#include "platform/dialogs.h"

#include <QRandomGenerator>

bool ParentsGate::pass(const ParentsCheck::Draw &draw)
{
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
    if (check.state() == ParentsCheck::State::Closed)
        Dialogs::current().tell(QStringLiteral("答えが%1回ちがったので閉じます").arg(ParentsCheck::tries));
    return check.state() == ParentsCheck::State::Passed;
}
