#include "drill/drill_kind.h"

#include "platform/random_draw.h"

namespace {
// A caption read back as its decimal number; nothing for anything else.
std::optional<int> numberIn(const QString &caption)
{
    bool ok = false;
    const int value = caption.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

QString text(int number)
{
    return QString::number(number);
}
} // namespace

const QString DrillKind::questionMark = QStringLiteral("？");
const QString DrillKind::equalsSign = QStringLiteral("＝");

DrillKind::DrillKind(const DrillTable::Entry &drill) : drill_(&drill)
{
    Q_ASSERT(!drill.isClock());
}

DrillKind::Equation DrillKind::initialEquation() const
{
    const QString ten = QStringLiteral("10");
    return {ten, ten, drill_->posing == Posing::MakeTen ? ten : questionMark};
}

DrillKind::Equation DrillKind::pose(const Equation &shown) const
{
    const int limit = drill_->limit;
    Equation next = shown;
    switch (drill_->posing) {
    case Posing::SumWithin: {
        const int a = RandomDraw::modulo(limit + 1);
        // The first number at the limit leaves only 0: no draw is taken.
        const int b = a == limit ? 0 : RandomDraw::modulo(limit + 1 - a);
        next.first = text(a);
        next.second = text(b);
        next.result = questionMark;
        break;
    }
    case Posing::DifferenceWithin: {
        const int a = RandomDraw::modulo(limit + 1);
        int b = 0;
        if (a == 1)
            b = RandomDraw::modulo(2);
        else if (a >= 2)
            b = RandomDraw::modulo(a); // 0 to a - 1: the answer is never 0 here
        next.first = text(a);
        next.second = text(b);
        next.result = questionMark;
        break;
    }
    case Posing::MakeTen: {
        const int given = RandomDraw::modulo(2);
        const int g = RandomDraw::modulo(10); // 0 to 9: the answer runs from 1 to 10
        next.first = given == 0 ? text(g) : questionMark;
        next.second = given == 0 ? questionMark : text(g);
        break;
    }
    case Posing::TenMinus:
        next.second = text(RandomDraw::modulo(11));
        next.result = questionMark;
        break;
    case Posing::Clock:
        break;
    }
    return next;
}

std::optional<DrillKind::Unknown> DrillKind::openQuestion(const Equation &shown) const
{
    if (drill_->posing == Posing::MakeTen) {
        Box box;
        std::optional<int> given;
        if (shown.first == questionMark) {
            box = Box::First;
            given = numberIn(shown.second);
        } else if (shown.second == questionMark) {
            box = Box::Second;
            given = numberIn(shown.first);
        } else {
            return std::nullopt;
        }
        if (!given)
            return std::nullopt;
        return Unknown{box, 10 - *given};
    }

    if (shown.result != questionMark)
        return std::nullopt;
    const std::optional<int> a = numberIn(shown.first);
    const std::optional<int> b = numberIn(shown.second);
    if (!a || !b)
        return std::nullopt;
    int answer = 0;
    switch (drill_->posing) {
    case Posing::SumWithin:
        answer = *a + *b;
        break;
    case Posing::DifferenceWithin:
        answer = *a - *b;
        break;
    case Posing::TenMinus:
        answer = 10 - *b;
        break;
    case Posing::MakeTen:
    case Posing::Clock:
        return std::nullopt;
    }
    return Unknown{Box::Result, answer};
}
