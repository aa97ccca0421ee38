#include "app/chart_start.h"
#include "app/command_line.h"
#include "app/family_start.h"
#include "app/menu_window.h"
#include "app/quit_signals.h"
#include "app/results_in_use.h"
#include "platform/app_setup.h"
#include "teacher/class_window.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
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
    if (command.options.classView)
        return ClassWindow::run();
    if (command.options.parents)
        return FamilyStart::parents();
    if (command.options.inDataFolder) {
        if (const std::optional<int> ended = FamilyStart::settle(command.options))
            return *ended;
    } else {
        // A start from a terminal works in the folder it was started in.
        ResultsInUse::hold(QDir::currentPath());
    }
    if (command.options.chart)
        return ChartStart::run();
    MenuWindow menu;
    menu.showForm();
    return app.exec();
}
