#include "app/chart_start.h"
#include "app/menu_window.h"
#include "app/quit_signals.h"
#include "platform/app_setup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppSetup::configure(app);
    QuitSignals::install();
    if (ChartStart::asked(QApplication::arguments()))
        return ChartStart::run();
    MenuWindow menu;
    menu.showForm();
    return app.exec();
}
