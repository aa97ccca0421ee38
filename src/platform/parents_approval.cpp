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
