#include "clock/clock_window.h"

ClockWindow::ClockWindow() : Form(QStringLiteral("とけい"), QStringLiteral("とけい"), 6525, 8040) {}
