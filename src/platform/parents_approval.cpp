#include "platform/parents_approval.h"

namespace {
std::function<bool()> &installed()
{
    static std::function<bool()> check;
    return check;
}
} // namespace

void ParentsApproval::install(std::function<bool()> check)
{
    installed() = std::move(check);
}

bool ParentsApproval::pass()
{
    return !installed() || installed()();
}

namespace {
QString &lockedBecause()
{
    static QString why;
    return why;
}
} // namespace

void ParentsApproval::lock(const QString &why)
{
    lockedBecause() = why;
}

QString ParentsApproval::locked()
{
    return lockedBecause();
}
