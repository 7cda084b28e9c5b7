#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "interrupt.h"

namespace cli {

struct InterruptWatch::State {
    std::function<void()> onInterrupt;
    sigset_t previousMask;
    std::thread thread;
    std::atomic<bool> closing{false};
};

InterruptWatch::InterruptWatch(std::function<void()> OnInterrupt)
    : state_(std::make_unique<State>()) {
    state_->onInterrupt = std::move(OnInterrupt);
    // A SIGINT the process was started ignoring (a background job of a script) stays ignored:
    // a blocked signal is not discarded, so waiting for it would act on it.
    struct sigaction current;
    if (::sigaction(SIGINT, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
        state_.reset();
        return;
    }
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, &state_->previousMask);
    state_->thread = std::thread([s = state_.get(), set] {
        int signal = 0;
        sigwait(&set, &signal);
        if (s->closing) return;
        s->onInterrupt();
        // The main thread normally ends the process within microseconds of the stop.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        Die();
    });
}

InterruptWatch::~InterruptWatch() {
    if (!state_) return;
    state_->closing = true;
    pthread_kill(state_->thread.native_handle(), SIGINT);
    state_->thread.join();
    pthread_sigmask(SIG_SETMASK, &state_->previousMask, nullptr);
}

void InterruptWatch::Die() {
    ::signal(SIGINT, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(SIGINT);
    std::_Exit(130);  // not reached: SIGINT with its default action ends the process
}

}  // namespace cli
