#include "app/chart_start.h"
#include "app/menu_window.h"
#include "platform/app_setup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppSetup::configure(app);
    if (ChartStart::asked(QApplication::arguments()))
        return ChartStart::run();
    MenuWindow menu;
    menu.showForm();
    return app.exec();
}
