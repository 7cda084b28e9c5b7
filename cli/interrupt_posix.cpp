#include <pthread.h>
#include <signal.h>

#include <cstdlib>
#include <thread>

#include "interrupt.h"
#include "output.h"

namespace cli {

void WatchInterrupts() {
    sigset_t set;
    sigemptyset(&set);
    bool any = false;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A blocked signal is not discarded, so waiting for an ignored one would act on it.
        struct sigaction current;
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        sigaddset(&set, signal);
        any = true;
    }
    if (!any) return;
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // Detached: it waits until the process ends, by the signal or by exit.
    std::thread([set] {
        int signal = 0;
        while (sigwait(&set, &signal) != 0) {
        }
        output::FlushBeforeExit();
        ::signal(signal, SIG_DFL);
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, signal);
        pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
        ::raise(signal);
        std::_Exit(128 + signal);  // not reached: the signal's default action ends the process
    }).detach();
}

}  // namespace cli
