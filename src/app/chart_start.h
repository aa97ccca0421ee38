#pragma once

#include <QString>

// `sansu-drill --chart`: the progress chart on its own, as the desktop menu's
// action opens it for a parent. Without the menu's start-up: the results
// file is found as the menu finds it, but never created, repaired, carried
// over or purged; a file it cannot show is named as start-up names it, and
// the program ends.
class ChartStart
{
public:
    // Shows the chart and runs the event loop: the program's exit status.
    static int run();
    // What keeps the chart from the results file at `path`, named as
    // start-up names it, with what start-up would do about it; empty when
    // the chart can show it. Changes nothing.
    static QString refusal(const QString &path);
};
