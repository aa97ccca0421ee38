#include "app/chart_start.h"
#include "app/command_line.h"
#include "app/family_start.h"
#include "app/menu_window.h"
#include "app/quit_signals.h"
#include "platform/app_setup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // --help, --version and a wrong command line are answered before Qt
    // looks for a display.
    const CommandLine::Reading command = CommandLine::start(argc, argv);
    if (command.endStatus)
        return *command.endStatus;
    QApplication app(argc, argv);
    AppSetup::configure(app);
    QuitSignals::install();
    if (command.options.parents)
        return FamilyStart::parents();
    if (command.options.inDataFolder) {
        if (const std::optional<int> ended = FamilyStart::settle(command.options))
            return *ended;
    }
    if (command.options.chart)
        return ChartStart::run();
    MenuWindow menu;
    menu.showForm();
    return app.exec();
}
