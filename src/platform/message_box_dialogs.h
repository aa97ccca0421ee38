#pragma once

#include "platform/dialogs.h"

// The real dialogs: QMessageBox without icon, titled with the application title.
class MessageBoxDialogs : public Dialogs
{
public:
    void tell(const QString &text) override;
    bool ask(const QString &text) override;
    std::optional<QString> askText(const QString &text, const QString &initial) override;
};
