#pragma once

// SIGTERM, SIGINT and SIGHUP end the program the way its close box does,
// never in the middle of a step: the signal handler only writes to a pipe,
// and the event loop, woken by it, ends the program through ProgramExit (so
// that open drill windows record their sittings first). While work that
// winds itself down is under way (a carry-over: its tools stopped, its
// temporary file removed, the old file left as it was), a signal only asks
// it to stop, and the program ends when the work is over.
class QuitSignals
{
public:
    // Handles the three signals from here on, except one that the program
    // was started with ignored (as nohup does). Once, after the application
    // object exists.
    static void install();

    // The signal that asked the program to end, or 0.
    static int caught();
    // The status the program ends with after one: 128 + the signal's number.
    static int status();

    // Work that watches caught() and winds itself down is under way.
    static void defer();
    // That work is over: the program ends now when a signal came meanwhile.
    static void resume();
};
