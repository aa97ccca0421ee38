// family_step DATA K OPERATION [ARGUMENTS]: runs one change of the family in
// the data folder DATA (form FIRST SECOND, add NAME, remove ID, or load) and
// kills itself (SIGKILL) right after the change's K-th step, as a power cut or
// a kill would stop it there. Ends with 0 when the change was done before its
// K-th step, 1 when it failed; prints the reason of a failure.
//
// family_step FOLDER 0 hold: holds FOLDER as a running copy holds the folder
// of the results it works with, says "held" and waits to be killed.
#include "family/family.h"
#include "files/file_lock.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments().mid(1) + QStringList{QString(), QString(), QString(), QString()};
    const QString &op = a[2];
    if (op == "hold") {
        FileLock lock;
        if (lock.takeFolder(a[0], FileLock::Mode::Shared) != FileLock::Status::Taken)
            return 1;
        std::puts("held");
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    Family family(a[0]);
    const int stopAt = a[1].toInt();
    int steps = 0;
    family.setStepHook([&](const char *) {
        if (++steps == stopAt)
            ::kill(::getpid(), SIGKILL);
    });
    const FamilyOutcome outcome = op == "form"     ? family.form(a[3], a[4])
                                  : op == "add"    ? family.add(a[3])
                                  : op == "remove" ? family.remove(a[3])
                                                   : family.load();
    std::fputs(qPrintable(outcome.reason), stdout);
    return outcome.done ? 0 : 1;
}
