#pragma once

#include "platform/form.h"

// A small window that says start-up is waiting for the results file another
// program holds, so that a parent does not start the program a second time.
// It shows for as long as the wait lasts.
class WaitNotice : public Form
{
    Q_OBJECT
public:
    explicit WaitNotice(const QString &fileName);
    ~WaitNotice() override;

    // One more moment of waiting shows the window and keeps it painted; the
    // end of the wait hides it.
    void waiting(bool stillWaiting);
};
