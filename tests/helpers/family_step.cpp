// family_step DATA K OPERATION [ARGUMENTS]: runs one change of the family in
// the data folder DATA (form FIRST SECOND, remove ID, or load) and kills
// itself (SIGKILL) right after the change's K-th step, as a power cut or a
// kill would stop it there. Ends with 0 when the change was done before its
// K-th step, 1 when it failed.
#include "family/family.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments().mid(1) + QStringList{QString(), QString(), QString(), QString()};
    Family family(a[0]);
    const int stopAt = a[1].toInt();
    int steps = 0;
    family.setStepHook([&](const char *) {
        if (++steps == stopAt)
            ::kill(::getpid(), SIGKILL);
    });
    const QString &op = a[2];
    const FamilyOutcome outcome = op == "form"     ? family.form(a[3], a[4])
                                  : op == "remove" ? family.remove(a[3])
                                                   : family.load();
    return outcome.done ? 0 : 1;
}
