#include "app/quit_signals.h"

#include "platform/program_exit.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {
int wakeUp[2] = {-1, -1}; // read end, write end
volatile std::sig_atomic_t caughtSignal = 0;
int deferrals = 0;

// Only what is safe in a signal handler: note the signal, wake the loop.
void onSignal(int signal)
{
    if (caughtSignal == 0)
        caughtSignal = signal;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeUp[1], &byte, 1);
    errno = saved;
}

void endNow()
{
    char bytes[16];
    while (::read(wakeUp[0], bytes, sizeof bytes) > 0) {
    }
    if (deferrals == 0)
        ProgramExit::end(QuitSignals::status());
}
} // namespace

void QuitSignals::install()
{
    if (wakeUp[0] >= 0 || ::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { endNow(); });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction before = {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

int QuitSignals::caught()
{
    return caughtSignal;
}

int QuitSignals::status()
{
    return 128 + caughtSignal;
}

void QuitSignals::defer()
{
    ++deferrals;
}

void QuitSignals::resume()
{
    if (deferrals > 0)
        --deferrals;
    if (deferrals == 0 && caughtSignal != 0)
        ProgramExit::end(status());
}
