#pragma once

// `sansu-drill --chart`: the progress chart on its own, as the desktop menu's
// action opens it for a parent. Without the menu's start-up: the results
// file is found as the menu finds it, but never created, repaired, carried
// over or purged; a file that is missing or cannot be read is named, and the
// program ends.
class ChartStart
{
public:
    // Shows the chart and runs the event loop: the program's exit status.
    static int run();
};
