#include "platform/dialogs.h"

#include "platform/message_box_dialogs.h"

namespace {
std::unique_ptr<Dialogs> &installed()
{
    static std::unique_ptr<Dialogs> dialogs;
    return dialogs;
}
} // namespace

Dialogs &Dialogs::current()
{
    if (!installed())
        installed() = std::make_unique<MessageBoxDialogs>();
    return *installed();
}

void Dialogs::install(std::unique_ptr<Dialogs> dialogs)
{
    installed() = std::move(dialogs);
}
