// What the tests run as a process of its own, to kill it, to have it die, or
// to end it with a signal; the first argument says which:
//
// append TAG COUNT: once its standard input closes (so that several writers
//   can be let go at one moment), appends COUNT results rows (drill name TAG,
//   scores 1, 2, …) one at a time to ADO_ZEM.MDB in the current folder through
//   the program's own store, and prints each score once its append has
//   returned. Ends with status 1 and the reason on stderr at the first append
//   that fails.
// die creating|carrying: in the current folder, starts the temporary file that
//   creating the results file, or carrying an old one over, builds
//   (".ADO_ZEM.MDB.PID.creating" or ".carrying"), as those do, and is killed
//   halfway through writing it, inside its transaction: the file and its
//   journal stay behind as they would after a power cut. Carrying over, it
//   holds the carry-over's lock too.
// family DATA K OPERATION [ARGUMENTS]: runs one change of the family in the
//   data folder DATA (form FIRST SECOND, add NAME, remove ID, or load) and
//   kills itself (SIGKILL) right after the change's K-th step, as a power cut
//   or a kill would stop it there. Ends with 0 when the change was done before
//   its K-th step, 1 when it failed; prints the reason of a failure.
// hold FOLDER: holds FOLDER as a running copy holds the folder of the results
//   it works with, says "held" and waits to be killed.
// until-signalled carrying|sitting: the program's start-up in the current
//   folder, with its signal handling, every question answered OK and no sound.
//   "carrying": ADO_ZEM.MDB is an old Jet file, and start-up waits in the
//   carry-over on the tools found first on the search path. "sitting": opens
//   たしざん１０, answers its first question right, prints "ready" and waits.
//   Either way it runs until a signal ends it.
#include "app/menu_window.h"
#include "app/quit_signals.h"
#include "drill/drill_window.h"
#include "family/family.h"
#include "files/file_lock.h"
#include "platform/app_setup.h"
#include "platform/random_draw.h"
#include "store/record_database.h"
#include "store/record_file.h"
#include "store/results_log.h"
#include "store/results_schema.h"
#include "store/statements.h"
#include "support/fake_dialogs.h"
#include "support/recording_sound.h"
#include "support/scripted_random.h"

#include <QApplication>
#include <QLockFile>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
int append(const QStringList &a)
{
    const ResultsLog log(RecordFile::locate(ResultsSchema::fileName));
    QTextStream(stdin).readAll();
    for (int n = 1; n <= a[1].toInt(); ++n) {
        const StoreOutcome outcome = log.append({"2001/04/27 9:05:03", a[0], QString::number(n)});
        if (!outcome) {
            QTextStream(stderr) << "row " << n << ": " << outcome.reason << Qt::endl;
            return 1;
        }
        QTextStream(stdout) << n << Qt::endl;
    }
    return 0;
}

int die(const QString &what)
{
    QLockFile lock(RecordFile::lockName(ResultsSchema::fileName));
    if (what == QLatin1String("carrying") && !lock.tryLock(0))
        return 1;
    RecordDatabase().build(RecordFile::temporaryName(ResultsSchema::fileName, what), [](RecordDatabase &building) {
        building.transaction();
        building.execute(Statements::createSettingsTable());
        ::kill(::getpid(), SIGKILL);
        return true;
    });
    return 1;
}

int family(const QStringList &a)
{
    Family family(a[0]);
    int steps = 0;
    family.setStepHook([&](const char *) {
        if (++steps == a[1].toInt())
            ::kill(::getpid(), SIGKILL);
    });
    const FamilyOutcome outcome = a[2] == "form"     ? family.form(a[3], a[4])
                                  : a[2] == "add"    ? family.add(a[3])
                                  : a[2] == "remove" ? family.remove(a[3])
                                                     : family.load();
    std::fputs(qPrintable(outcome.reason), stdout);
    return outcome.done ? 0 : 1;
}

int hold(const QString &folder)
{
    FileLock lock;
    if (lock.takeFolder(folder, FileLock::Mode::Shared) != FileLock::Status::Taken)
        return 1;
    std::puts("held");
    std::fflush(stdout);
    for (;;)
        ::pause();
}

int untilSignalled(int argc, char **argv)
{
    QApplication app(argc, argv);
    AppSetup::configure(app);
    QuitSignals::install();
    FakeDialogs::installed();
    SoundDevice::setFactory([] { return std::make_unique<RecordingSound>(); });
    auto draws = std::make_unique<ScriptedRandom>();
    draws->draws({3, 4}); // たしざん１０ asks 3 ＋ 4
    RandomDraw::setSource(std::move(draws));
    MenuWindow menu;
    menu.showForm();
    if (app.arguments().value(2) == "sitting") {
        menu.Command1_Click(1);
        auto *drill = static_cast<DrillWindow *>(menu.drillWindow(1));
        drill->Label6_Click(7);
        if (drill->Timer1->isActive())
            drill->Timer1_Timer();
    }
    QTextStream(stdout) << "ready" << Qt::endl;
    return app.exec();
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "until-signalled")
        return untilSignalled(argc, argv);
    QCoreApplication app(argc, argv);
    const QString mode = app.arguments().value(1);
    const QStringList a = app.arguments().mid(2) + QStringList{QString(), QString(), QString(), QString(), QString()};
    return mode == "append" ? append(a) : mode == "die" ? die(a[0]) : mode == "family" ? family(a) : hold(a[0]);
}
