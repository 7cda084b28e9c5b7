// Runs jobs on worker threads and hands their results back in the order the jobs were given,
// each as soon as every earlier one has been handed back. The submitting thread does the
// handing back (inside Submit and Finish), so a caller that prints results needs no lock, and
// a producer that finds its jobs lazily (a directory walk) simply calls Submit as it goes: at
// most Window jobs are between Submit and their result's emission, however long the list.
//
// With fewer than two threads nothing runs in the background: Submit runs the job and emits
// its result before it returns, which is the sequential program exactly.
//
// The jobs sit in a ring of Window slots. A job of a few microseconds (a small file) must not
// cost a lock or a wake-up of its own, so the hand-offs go through atomics: the submitting
// thread publishes a slot by advancing a counter, workers claim slots by advancing another and
// mark each done; the lock and the condition variables are only for sleeping, and a thread
// sleeps only when there is nothing for it to do.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace parallel {

template <class Result>
class OrderedRun {
public:
    using Work = std::function<Result()>;
    using Emit = std::function<void(Result&)>;

    OrderedRun(unsigned Threads, size_t Window, Emit EmitResult)
        : emit_(std::move(EmitResult)), window_(Window < 1 ? 1 : Window) {
        if (Threads < 2) return;
        ring_ = std::make_unique<Slot[]>(window_);
        workers_.reserve(Threads);
        for (unsigned i = 0; i < Threads; ++i)
            workers_.emplace_back([this] { WorkerLoop(); });
    }
    OrderedRun(const OrderedRun&) = delete;
    OrderedRun& operator=(const OrderedRun&) = delete;

    // Jobs not started yet are dropped; running ones are waited for (their work should watch
    // StopFlag() to end promptly).
    ~OrderedRun() {
        {
            std::lock_guard lock(mutex_);
            closing_.store(true);
        }
        workReady_.notify_all();
        for (auto& t : workers_)
            t.join();
    }

    // Queues Job and emits, on this thread, every result whose predecessors are all emitted;
    // while Window jobs are in flight it waits, emitting as results come in. Returns false, and
    // queues nothing, once stopped.
    bool Submit(Work Job) {
        if (workers_.empty()) return RunHere(Job);
        // A full window waits until half of it is out: this thread then wakes once per many
        // short jobs rather than once per job.
        if (tail_ - head_ >= window_ && !EmitReady(window_ / 2)) return false;
        if (Stopped()) return false;
        Slot& s = ring_[tail_ % window_];
        s.work = std::move(Job);
        published_.store(++tail_);
        if (idle_.load() > 0) {
            { std::lock_guard lock(mutex_); }
            workReady_.notify_one();
        }
        return EmitReady(tail_ - head_);  // what is ready, without waiting
    }

    // Waits for every job and emits the remaining results. False when stopped.
    bool Finish() {
        if (workers_.empty()) return !Stopped();
        return EmitReady(0);
    }

    // From any thread: no further job starts, no further result is emitted, and Submit and
    // Finish return false at once (a Submit or Finish waiting on another thread wakes up).
    void Stop() {
        stop_.store(true);
        stop_.notify_all();
        { std::lock_guard lock(mutex_); }  // a sleeper between its check and its wait sees it
        workReady_.notify_all();
        resultReady_.notify_all();
    }
    bool Stopped() const { return stop_.load(); }
    // Set by Stop (and notified, for std::atomic::wait); for the jobs' own work to watch.
    const std::atomic<bool>& StopFlag() const { return stop_; }

private:
    // A slot belongs to the submitting thread until it is published, then to the worker that
    // claims it until that worker marks it done, then to the submitting thread again.
    struct Slot {
        Work work;
        std::optional<Result> result;
        std::exception_ptr failure;
        std::atomic<bool> done{false};
    };

    bool RunHere(Work& Job) {
        if (Stopped()) return false;
        Result r = Job();
        if (Stopped()) return false;
        emit_(r);
        return !Stopped();
    }

    bool Done(uint64_t Index) const { return ring_[Index % window_].done.load(); }

    // The finished jobs from From on, counted up to Limit.
    size_t ReadyFrom(uint64_t From, size_t Limit) const {
        size_t n = 0;
        while (n < Limit && Done(From + n))
            ++n;
        return n;
    }

    // Emits the finished results at the front until at most Keep jobs are in flight, waiting
    // for them as needed. While it waits, results are emitted in batches: once enough are in
    // to reach Keep, or kLatency after the previous emission, whichever comes first; a job
    // that takes longer than that has its result out as soon as it is in. A job that threw
    // has its exception rethrown here, on the submitting thread.
    bool EmitReady(size_t Keep) {
        for (bool waited = false;; waited = true) {
            if (Stopped()) return false;
            const size_t inFlight = tail_ - head_;
            const size_t need = inFlight > Keep ? inFlight - Keep : 0;
            const size_t ready = ReadyFrom(head_, inFlight);
            const auto now = std::chrono::steady_clock::now();
            if (ready > 0 && (!waited || ready >= need || now >= lastEmit_ + kLatency)) {
                lastEmit_ = now;
                for (size_t i = 0; i < ready; ++i) {
                    Slot& s = ring_[head_ % window_];
                    std::optional<Result> r = std::move(s.result);
                    std::exception_ptr failure = std::move(s.failure);
                    s.result.reset();
                    s.done.store(false);
                    StoreHead(head_ + 1);
                    if (failure) std::rethrow_exception(failure);
                    if (Stopped()) return false;
                    emit_(*r);
                }
                continue;
            }
            if (need == 0) return true;
            // Asleep until the front job is done (when none was), until enough are done, or
            // until the batch's time is up; the worker that completes a job checks what this
            // thread waits for.
            std::unique_lock lock(mutex_);
            need_.store(need);
            waiting_.store(true);
            const auto woken = [&] {
                return Stopped() || ReadyFrom(head_, need) >= need || (ready == 0 && Done(head_));
            };
            if (ready > 0)
                resultReady_.wait_until(lock, lastEmit_ + kLatency, woken);
            else
                resultReady_.wait(lock, woken);
            waiting_.store(false);
        }
    }

    void StoreHead(uint64_t Head) {
        head_ = Head;
        headShared_.store(Head);
    }

    void WorkerLoop() {
        for (;;) {
            uint64_t claim = claimed_.load();
            if (closing_.load() || Stopped()) return;
            if (claim < published_.load()) {
                if (!claimed_.compare_exchange_weak(claim, claim + 1)) continue;
                Run(claim);
                continue;
            }
            std::unique_lock lock(mutex_);
            idle_.fetch_add(1);
            workReady_.wait(lock, [this] {
                return closing_.load() || Stopped() || claimed_.load() < published_.load();
            });
            idle_.fetch_sub(1);
        }
    }

    void Run(uint64_t Index) {
        Slot& s = ring_[Index % window_];
        Work work = std::move(s.work);
        try {
            s.result.emplace(work());
        } catch (...) {
            s.failure = std::current_exception();
        }
        s.done.store(true);
        if (!waiting_.load()) return;
        const uint64_t head = headShared_.load();
        const size_t need = need_.load();
        if (Index == head || ReadyFrom(head, need) >= need) {
            { std::lock_guard lock(mutex_); }
            resultReady_.notify_one();
        }
    }

    Emit emit_;
    const size_t window_;
    std::unique_ptr<Slot[]> ring_;
    std::vector<std::thread> workers_;
    // The submitting thread's own: the next job to emit and the next slot to fill.
    uint64_t head_ = 0, tail_ = 0;
    std::chrono::steady_clock::time_point lastEmit_;
    static constexpr std::chrono::microseconds kLatency{2000};
    // Shared: jobs [0, published_) are filled, [0, claimed_) taken by a worker; head for the
    // workers' check of what the submitting thread waits for.
    std::atomic<uint64_t> published_{0}, claimed_{0}, headShared_{0};
    std::atomic<size_t> need_{0};
    std::atomic<bool> waiting_{false};  // the submitting thread sleeps on resultReady_
    std::atomic<unsigned> idle_{0};     // workers sleeping on workReady_
    std::mutex mutex_;                  // for sleeping only
    std::condition_variable workReady_, resultReady_;
    std::atomic<bool> closing_{false}, stop_{false};
};

}  // namespace parallel
