#include "store/retention.h"

#include "store/leading_number.h"

#include <cmath>

namespace {
bool isBlank(QChar c)
{
    return c == QChar(0x3000) || (c.unicode() < 0x80 && c.isSpace());
}
} // namespace

std::optional<QDateTime> Retention::cutOff(const QDateTime &now, double periodDays)
{
    if (!std::isfinite(periodDays) || periodDays < 1.0)
        return std::nullopt;
    const QDate earliest(100, 1, 1);
    const double spanLimit = static_cast<double>(earliest.daysTo(now.date()));
    if (periodDays > spanLimit)
        return std::nullopt;
    const double wholeDays = std::floor(periodDays);
    const auto fractionSeconds =
        static_cast<qint64>(std::llround((periodDays - wholeDays) * 86400.0));
    // Subtract calendar days on the local date so the time of day is kept.
    QDateTime cut(now.date().addDays(-static_cast<qint64>(wholeDays)), now.time(), now.timeSpec());
    if (fractionSeconds > 0)
        cut = cut.addSecs(-fractionSeconds);
    if (!cut.isValid() || cut.date() < earliest)
        return std::nullopt;
    return cut;
}

std::optional<QString> Retention::normalisedInput(const QString &typed)
{
    int begin = 0;
    int end = typed.size();
    while (begin < end && isBlank(typed[begin]))
        ++begin;
    while (end > begin && isBlank(typed[end - 1]))
        --end;
    if (begin == end)
        return std::nullopt;
    QString digits;
    digits.reserve(end - begin);
    for (int i = begin; i < end; ++i) {
        const char16_t c = typed[i].unicode();
        if (c >= u'0' && c <= u'9')
            digits.append(QChar(c));
        else if (c >= u'０' && c <= u'９')
            digits.append(QChar(u'0' + (c - u'０')));
        else
            return std::nullopt;
    }
    // At least 1: some digit other than a leading zero.
    bool nonZero = false;
    for (QChar c : digits)
        nonZero = nonZero || c != QLatin1Char('0');
    if (!nonZero)
        return std::nullopt;
    return digits;
}

bool Retention::isTooLong(const QString &period)
{
    return LeadingNumber::of(period) > longestPeriodDays;
}
