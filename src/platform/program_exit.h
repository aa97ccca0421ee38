#pragma once

#include <functional>

// Ending the program from a handler: at once, without returning to the event
// loop. Before it ends, the registered farewell runs (open drill windows write
// their results rows), then the process exits with the given status.
class ProgramExit
{
public:
    [[noreturn]] static void end(int status);

    // Work to finish before the program ends (set by the menu).
    static void setFarewell(std::function<void()> farewell);
    // Replaces the final exit (tests throw instead of leaving the process).
    // The handler must not return.
    static void setHandler(std::function<void(int)> handler);
};
