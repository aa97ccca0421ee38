#pragma once

#include "platform/form.h"

// A small window that says the program is waiting for the results file
// another program holds, so that a parent neither thinks it hangs nor starts
// it a second time. It shows for as long as a wait lasts: at start-up, and
// whenever a window reads or writes results later.
class WaitNotice : public Form
{
    Q_OBJECT
public:
    explicit WaitNotice(const QString &fileName);
    // Stops watching the store's waits, when it does.
    ~WaitNotice() override;

    // From now until this notice is gone, every wait of the store for a held
    // file shows it, whichever window the wait is for.
    void watchStore();

    // One more moment of waiting shows the window and keeps the program's
    // windows painted; the end of the wait hides it. Clicks and keys meanwhile
    // wait their turn: a window in the middle of a read or a write is not
    // closed or used under it.
    void waiting(bool stillWaiting);

private:
    bool watching_ = false;
};
