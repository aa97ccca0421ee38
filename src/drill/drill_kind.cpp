#include "drill/drill_kind.h"

#include "platform/random_draw.h"

namespace {
using Op = DrillKind::Operation;
using Posing = DrillKind::Posing;

constexpr DrillKind kinds[] = {
    {0, Op::Add, Posing::MakeTen, 10, 6360, 3960, 495},
    {1, Op::Add, Posing::SumWithin, 10, 6480, 3960, 615},
    {2, Op::Add, Posing::SumWithin, 20, 6360, 4560, 615},
    {3, Op::Subtract, Posing::DifferenceWithin, 10, 6480, 3960, 615},
    {4, Op::Subtract, Posing::TenMinus, 10, 6360, 3960, 495},
    {5, Op::Subtract, Posing::DifferenceWithin, 20, 6360, 4560, 615},
};

constexpr double clearCountWidth = 2055;

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

std::span<const DrillKind> DrillKind::all()
{
    return kinds;
}

QString DrillKind::sign() const
{
    return operation_ == Operation::Add ? QStringLiteral("＋") : QStringLiteral("－");
}

QString DrillKind::smallWord() const
{
    return operation_ == Operation::Add ? QStringLiteral("たす") : QStringLiteral("ひく");
}

double DrillKind::clientHeight() const
{
    return limit_ == 20 ? 5385 : 4815;
}

double DrillKind::nextButtonTop() const
{
    return limit_ == 20 ? 4440 : 3840;
}

DrillKind::Placement DrillKind::clearCountPlacement() const
{
    return {clearLeft_, clearTop_, clearCountWidth, clearHeight_};
}

DrillKind::Equation DrillKind::initialEquation() const
{
    const QString ten = QStringLiteral("10");
    return {ten, ten, posing_ == Posing::MakeTen ? ten : questionMark};
}

DrillKind::Equation DrillKind::pose(const Equation &shown) const
{
    Equation next = shown;
    switch (posing_) {
    case Posing::SumWithin: {
        const int a = RandomDraw::modulo(limit_ + 1);
        // The first number at the limit leaves only 0: no draw is taken.
        const int b = a == limit_ ? 0 : RandomDraw::modulo(limit_ + 1 - a);
        next.first = text(a);
        next.second = text(b);
        next.result = questionMark;
        break;
    }
    case Posing::DifferenceWithin: {
        const int a = RandomDraw::modulo(limit_ + 1);
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
    }
    return next;
}

std::optional<DrillKind::Unknown> DrillKind::openQuestion(const Equation &shown) const
{
    if (posing_ == Posing::MakeTen) {
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
    switch (posing_) {
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
        break;
    }
    return Unknown{Box::Result, answer};
}
