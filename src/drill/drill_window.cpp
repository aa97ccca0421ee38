#include "drill/drill_window.h"

DrillWindow::DrillWindow(const QString &windowName)
    : Form(windowName, windowName, 9090,
           windowName.endsWith(QStringLiteral("20")) ? 5385 : 4815)
{
}
