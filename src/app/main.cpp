#include "app/menu_window.h"
#include "platform/app_setup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppSetup::configure(app);
    MenuWindow menu;
    menu.showForm();
    return app.exec();
}
