#include "family/parents_check.h"

#include <QtGlobal>

#include <utility>

ParentsCheck::ParentsCheck(Draw draw) : draw_(std::move(draw))
{
    drawQuestion();
}

void ParentsCheck::drawQuestion()
{
    tens_ = 10 + qBound(0, draw_(90), 89);
    ones_ = 2 + qBound(0, draw_(8), 7);
}

QString ParentsCheck::question() const
{
    return QStringLiteral("%1 × %2 ＝ ？").arg(tens_).arg(ones_);
}

ParentsCheck::State ParentsCheck::answer(const QString &typed)
{
    if (state_ != State::Asking)
        return state_;
    if (numberOf(typed) == static_cast<long long>(tens_) * ones_) {
        state_ = State::Passed;
    } else if (++wrong_ >= tries) {
        state_ = State::Closed;
    } else {
        drawQuestion();
    }
    return state_;
}

std::optional<long long> ParentsCheck::numberOf(const QString &typed)
{
    const QString text = typed.trimmed();
    // More digits than any product has are wrong, and cannot overflow.
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    long long number = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const int digit = u >= u'0' && u <= u'9'           ? u - u'0'
                          : u >= 0xFF10 && u <= 0xFF19 ? u - 0xFF10 // ０ … ９
                                                        : -1;
        if (digit < 0)
            return std::nullopt;
        number = number * 10 + digit;
    }
    return number;
}
