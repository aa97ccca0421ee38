#include "platform/program_exit.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {
std::function<void()> &farewell()
{
    static std::function<void()> work;
    return work;
}

std::function<void(int)> &handler()
{
    static std::function<void(int)> exitHandler;
    return exitHandler;
}
} // namespace

void ProgramExit::end(int status)
{
    // Run the farewell once, even if it ends up here again.
    if (auto work = std::exchange(farewell(), nullptr))
        work();
    if (handler())
        handler()(status);
    std::fflush(nullptr);
    std::_Exit(status);
}

void ProgramExit::setFarewell(std::function<void()> work)
{
    farewell() = std::move(work);
}

void ProgramExit::setHandler(std::function<void(int)> exitHandler)
{
    handler() = std::move(exitHandler);
}
