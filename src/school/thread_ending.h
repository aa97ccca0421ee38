#pragma once

#include <mutex>
#include <thread>

// The end of a worker thread that talks to the school's server, for the
// object that owns it. The owner pointer is cleared under the mutex the
// thread emits under, so that nothing reaches the owner once it is going; a
// thread that finished is joined, and one still inside a call to the server
// is left to end on its own (the kernel closes its socket when the process
// ends).
template <class Shared>
void letThreadGo(Shared &shared, std::thread &thread, bool finished)
{
    {
        const std::lock_guard<std::mutex> held(shared.emitting);
        shared.owner = nullptr;
    }
    if (finished)
        thread.join();
    else
        thread.detach();
}
