#pragma once

// While alive, ending the program throws ProgramEnded instead of leaving the
// process, so a test can check what happened before the end.
struct ProgramEnded
{
    int status;
};

class ExitTrap
{
public:
    ExitTrap();
    ~ExitTrap();
};
