// Ctrl+C for a run with worker threads. The default action would end the process at once,
// wherever each thread is; instead the interrupt stops the run (the engine's stop flag), the
// main thread writes out the result lines it has emitted (whole lines only) and the process
// then ends by the same signal, so the shell sees what it sees of an interrupted md5sum
// (status 130) and scripts that stop on it still do.
#pragma once

#include <functional>
#include <memory>

namespace cli {

class InterruptWatch {
public:
    // Blocks SIGINT in this thread and in the threads it starts from now on, and starts a
    // thread that waits for it. On the first interrupt it calls OnInterrupt, then gives the
    // main thread a moment to end the process with Die(); a main thread stuck in a read of a
    // pipe or a write to a full one doesn't get to, so the watch ends the process itself.
    explicit InterruptWatch(std::function<void()> OnInterrupt);
    // Stops the watch and lets SIGINT through again.
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // Ends the process by SIGINT with its default action.
    [[noreturn]] static void Die();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace cli
