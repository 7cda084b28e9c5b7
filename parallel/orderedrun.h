// Runs jobs on worker threads and hands their results back in the order the jobs were given,
// each as soon as every earlier one has been handed back. The submitting thread does the
// handing back (inside Submit and Finish), so a caller that prints results needs no lock, and
// a producer that finds its jobs lazily (a directory walk) simply calls Submit as it goes: at
// most Window jobs are between Submit and their result's emission, however long the list.
//
// With fewer than two threads nothing runs in the background: Submit runs the job and emits
// its result before it returns, which is the sequential program exactly.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
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
            closing_ = true;
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
        std::unique_lock lock(mutex_);
        // A full window waits until half of it is out: the submitting thread then wakes once
        // per many short jobs rather than once per job.
        if (!EmitReady(lock, slots_.size() < window_ ? slots_.size() : window_ / 2)) return false;
        slots_.push_back(Slot{std::move(Job), {}, {}});
        lock.unlock();
        workReady_.notify_one();
        return !Stopped();
    }

    // Waits for every job and emits the remaining results. False when stopped.
    bool Finish() {
        if (workers_.empty()) return !Stopped();
        std::unique_lock lock(mutex_);
        return EmitReady(lock, 0);
    }

    // From any thread: no further job starts, no further result is emitted, and Submit and
    // Finish return false at once (a Submit or Finish waiting on another thread wakes up).
    void Stop() {
        stop_.store(true);
        stop_.notify_all();
        { std::lock_guard lock(mutex_); }  // a waiter between its check and its wait sees it
        workReady_.notify_all();
        resultReady_.notify_all();
    }
    bool Stopped() const { return stop_.load(); }
    // Set by Stop (and notified, for std::atomic::wait); for the jobs' own work to watch.
    const std::atomic<bool>& StopFlag() const { return stop_; }

private:
    struct Slot {
        Work work;
        std::optional<Result> result;
        std::exception_ptr failure;
    };

    bool RunHere(Work& Job) {
        if (Stopped()) return false;
        Result r = Job();
        if (Stopped()) return false;
        emit_(r);
        return !Stopped();
    }

    static bool Done(const Slot& s) { return s.result || s.failure; }

    // The finished jobs at the front, counted up to Limit.
    size_t ReadyPrefix(size_t Limit) const {
        size_t n = 0;
        while (n < Limit && n < slots_.size() && Done(slots_[n]))
            ++n;
        return n;
    }

    // Emits the finished results at the front until at most Keep jobs are in flight, waiting
    // for them as needed. While it waits, results are emitted in batches: once enough are in
    // to reach Keep, or kLatency after the previous emission, whichever comes first; a job
    // that takes longer than that has its result out as soon as it is in. A job that threw
    // has its exception rethrown here, on the submitting thread.
    bool EmitReady(std::unique_lock<std::mutex>& lock, size_t Keep) {
        for (bool waited = false;; waited = true) {
            if (Stopped()) return false;
            const size_t need = slots_.size() > Keep ? slots_.size() - Keep : 0;
            const size_t ready = ReadyPrefix(slots_.size());
            const auto now = std::chrono::steady_clock::now();
            if (ready > 0 && (!waited || ready >= need || now >= lastEmit_ + kLatency)) {
                std::vector<Slot> out;
                out.reserve(ready);
                for (size_t i = 0; i < ready; ++i) {
                    out.push_back(std::move(slots_.front()));
                    slots_.pop_front();
                }
                started_ -= ready;
                lastEmit_ = now;
                lock.unlock();
                for (Slot& s : out) {
                    if (s.failure) std::rethrow_exception(s.failure);
                    if (Stopped()) return false;
                    emit_(*s.result);
                }
                lock.lock();
                continue;
            }
            if (need == 0) return true;
            // Woken by the worker that finishes the front job or completes the batch.
            need_ = need;
            waiting_ = true;
            if (ready > 0)
                resultReady_.wait_until(lock, lastEmit_ + kLatency);
            else
                resultReady_.wait(lock);
            waiting_ = false;
        }
    }

    void WorkerLoop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            workReady_.wait(lock,
                            [this] { return closing_ || Stopped() || started_ < slots_.size(); });
            if (closing_ || Stopped()) return;
            // Slots before started_ are taken; the deque keeps references to its elements
            // valid while others are added at the back or removed at the front, and a slot
            // leaves the front only once its result is in.
            Slot& s = slots_[started_++];
            Work work = std::move(s.work);
            lock.unlock();
            std::optional<Result> r;
            std::exception_ptr failure;
            try {
                r.emplace(work());
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            s.result = std::move(r);
            s.failure = failure;
            if (waiting_ && (&s == &slots_.front() || ReadyPrefix(need_) >= need_))
                resultReady_.notify_one();
        }
    }

    Emit emit_;
    const size_t window_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable workReady_, resultReady_;
    std::deque<Slot> slots_;
    size_t started_ = 0;  // slots_[0, started_) have been taken by a worker
    // The submitting thread waits for need_ finished jobs at the front.
    bool waiting_ = false;
    size_t need_ = 0;
    static constexpr std::chrono::microseconds kLatency{2000};
    std::chrono::steady_clock::time_point lastEmit_;
    bool closing_ = false;
    std::atomic<bool> stop_{false};
};

}  // namespace parallel
