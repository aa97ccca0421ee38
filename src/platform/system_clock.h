#pragma once

#include <QDateTime>

#include <optional>

// The present moment of the system clock; tests may fix it.
class SystemClock
{
public:
    static QDateTime now();
    static void setFixedNow(std::optional<QDateTime> moment);
};
