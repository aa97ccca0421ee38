// Runs the start-up step that reads the retention period and purges old rows,
// on ADO_ZEM.MDB in the current directory at 2001/04/27 15:00:00. Prints
// "ready" before and "done" after; messages go to stderr, and a step that
// would end the program ends this one with status 2.
#include "platform/dialogs.h"
#include "platform/program_exit.h"
#include "platform/system_clock.h"
#include "store/record_store.h"
#include "support/test_setup.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
class StderrDialogs : public Dialogs
{
public:
    void tell(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool ask(const QString &text) override { return tell(text), false; }
};

void say(const char *line)
{
    std::fputs(line, stdout);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestSetup::globals();
    Dialogs::install(std::make_unique<StderrDialogs>());
    ProgramExit::setHandler([](int) { std::_Exit(2); });
    SystemClock::setFixedNow(QDateTime(QDate(2001, 4, 27), QTime(15, 0, 0)));
    say("ready\n");
    RecordStore::SET_LOG_GET();
    say("done\n");
    return 0;
}
