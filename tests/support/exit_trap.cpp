#include "support/exit_trap.h"

#include "platform/program_exit.h"

ExitTrap::ExitTrap()
{
    ProgramExit::setHandler([](int status) { throw ProgramEnded{status}; });
}

ExitTrap::~ExitTrap()
{
    ProgramExit::setHandler(nullptr);
    ProgramExit::setFarewell(nullptr);
}
