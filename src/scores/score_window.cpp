#include "scores/score_window.h"

ScoreWindow::ScoreWindow() : Form(QStringLiteral("得点"), QStringLiteral("得点"), 9210, 7410) {}
