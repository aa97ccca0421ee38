#include "app/chart_start.h"
#include "app/command_line.h"
#include "app/family_start.h"
#include "app/menu_window.h"
#include "app/quit_signals.h"
#include "app/results_in_use.h"
#include "app/school_run.h"
#include "school/school_settings.h"
#include "platform/app_setup.h"
#include "teacher/class_window.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {
CommandLine::Language messagesLanguage = CommandLine::Language::English;
QtMessageHandler qtHandler = nullptr;

// While the application connects to the display: a display that cannot be
// reached is said in one line and ends the program with status 1 (Qt would
// abort after several lines); the platform plugin's own lines are left out.
void whileConnecting(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        const QByteArray line = CommandLine::noDisplay(messagesLanguage).toLocal8Bit();
        std::fputs(line.constData(), stderr);
        std::fflush(stderr);
        ::_exit(1);
    }
    if (context.category && std::strncmp(context.category, "qt.qpa", 6) == 0)
        return;
    qtHandler(type, context, message);
}
} // namespace

int main(int argc, char *argv[])
{
    // --help, --version and a wrong command line are answered before Qt
    // looks for a display.
    const CommandLine::Reading command = CommandLine::start(argc, argv);
    if (command.endStatus)
        return *command.endStatus;
    messagesLanguage = command.language;
    qtHandler = qInstallMessageHandler(whileConnecting);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    AppSetup::configure(app);
    QuitSignals::install();
    // The school's sender and roster are given a last try of about two
    // seconds; one left inside a call to the server must not meet the
    // destructors of an ending program.
    const auto ending = [](int status) {
        if (!SchoolRun::finish()) {
            std::fflush(nullptr);
            std::_Exit(status);
        }
        return status;
    };
    if (command.options.classView)
        return ending(ClassWindow::run());
    if (command.options.parents)
        return ending(FamilyStart::parents());
    for (;;) {
        if (command.options.inDataFolder) {
            if (const std::optional<int> ended = FamilyStart::settle(command.options))
                return ending(*ended);
        } else {
            // A start from a terminal works in the folder it was started in.
            ResultsInUse::hold(QDir::currentPath());
        }
        if (command.options.chart)
            return ending(ChartStart::run());
        const int status = [] {
            MenuWindow menu;
            menu.showForm();
            return QApplication::exec();
        }();
        // A school's own PC: once a child closes the menu, the picker comes
        // back for the next child, and no child practises under another's name.
        const SchoolSettings school = SchoolRun::settings();
        if (!command.options.inDataFolder || !school.configured() || !school.classroom())
            return ending(status);
    }
}
