#include "platform/system_clock.h"

namespace {
std::optional<QDateTime> &fixedNow()
{
    static std::optional<QDateTime> moment;
    return moment;
}
} // namespace

QDateTime SystemClock::now()
{
    if (fixedNow())
        return *fixedNow();
    return QDateTime::currentDateTime();
}

void SystemClock::setFixedNow(std::optional<QDateTime> moment)
{
    fixedNow() = std::move(moment);
}
