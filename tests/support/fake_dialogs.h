#pragma once

#include "platform/dialogs.h"

#include <QStringList>

#include <deque>

// Scripted message boxes: records every text shown, answers questions from a
// queue (OK when the queue is empty).
class FakeDialogs : public Dialogs
{
public:
    void tell(const QString &text) override;
    bool ask(const QString &text) override;

    QStringList told;
    QStringList asked;
    std::deque<bool> answers;

    // Installs a new FakeDialogs and returns it (owned by Dialogs).
    static FakeDialogs *install();
};
