// The ordered run's contract: results in submission order whatever order the jobs finish in,
// never more than the window in flight, stop from any thread. Waits are on conditions only.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

#include "orderedrun.h"

namespace {

using parallel::OrderedRun;

TEST(OrderedRun, EmitsInOrderWithinTheWindow) {
    struct Case {
        unsigned threads;
        size_t window;
    };
    for (const Case c : {Case{1, 1}, Case{2, 1}, Case{2, 3}, Case{4, 16}, Case{8, 64}}) {
        SCOPED_TRACE(testing::Message() << c.threads << " threads, window " << c.window);
        std::vector<int> emitted;
        std::atomic<int> running{0}, mostRunning{0};
        OrderedRun<int> run(c.threads, c.window, [&](int& r) { emitted.push_back(r); });
        const int jobs = 300;
        for (int i = 0; i < jobs; ++i) {
            ASSERT_TRUE(run.Submit([&, i] {
                const int now = ++running;
                for (int m = mostRunning; now > m && !mostRunning.compare_exchange_weak(m, now);) {
                }
                --running;
                return i;
            }));
            EXPECT_LE(size_t(i + 1) - emitted.size(), c.window);
        }
        ASSERT_TRUE(run.Finish());
        ASSERT_EQ(emitted.size(), size_t(jobs));
        for (int i = 0; i < jobs; ++i)
            EXPECT_EQ(emitted[i], i);
        EXPECT_LE(mostRunning, int(std::max(c.threads, 1u)));
    }
}

// Job 0 finishes only after job 3 has: the results still come out 0, 1, 2, 3, ...
TEST(OrderedRun, ALateFirstJobHoldsBackTheLaterResults) {
    std::promise<void> thirdDone;
    std::shared_future<void> third = thirdDone.get_future().share();
    std::vector<int> emitted;
    OrderedRun<int> run(4, 8, [&](int& r) { emitted.push_back(r); });
    ASSERT_TRUE(run.Submit([third] {
        third.wait();
        return 0;
    }));
    ASSERT_TRUE(run.Submit([] { return 1; }));
    ASSERT_TRUE(run.Submit([] { return 2; }));
    ASSERT_TRUE(run.Submit([&] {
        thirdDone.set_value();
        return 3;
    }));
    ASSERT_TRUE(run.Finish());
    EXPECT_EQ(emitted, (std::vector<int>{0, 1, 2, 3}));
}

// A Submit waiting for a full window returns false when another thread stops the run; the job
// that filled the window ends by watching the stop flag. Nothing is emitted after the stop.
TEST(OrderedRun, StopWakesAWaitingSubmitAndEmitsNothingMore) {
    std::vector<int> emitted;
    OrderedRun<int> run(2, 1, [&](int& r) { emitted.push_back(r); });
    ASSERT_TRUE(run.Submit([&] {
        run.StopFlag().wait(false);
        return 0;
    }));
    std::thread stopper([&] { run.Stop(); });
    EXPECT_FALSE(run.Submit([] { return 1; }));
    stopper.join();
    EXPECT_FALSE(run.Finish());
    EXPECT_FALSE(run.Submit([] { return 2; }));
    EXPECT_TRUE(emitted.empty());
}

TEST(OrderedRun, StopFromTheEmitterEndsTheRunInEveryMode) {
    for (unsigned threads : {1u, 2u}) {
        std::vector<int> emitted;
        OrderedRun<int> run(threads, 4, [&](int& r) {
            emitted.push_back(r);
            if (r == 2) run.Stop();
        });
        bool accepted = true;
        for (int i = 0; i < 50 && accepted; ++i)
            accepted = run.Submit([i] { return i; });
        EXPECT_FALSE(accepted);
        EXPECT_FALSE(run.Finish());
        EXPECT_EQ(emitted, (std::vector<int>{0, 1, 2}));
    }
}

// A stop during a job: its result is not emitted, with or without workers.
TEST(OrderedRun, AStopDuringAJobEmitsNothing) {
    for (unsigned threads : {1u, 2u}) {
        std::vector<int> emitted;
        OrderedRun<int> run(threads, 4, [&](int& r) { emitted.push_back(r); });
        run.Submit([&] {
            run.Stop();
            return 0;
        });
        EXPECT_FALSE(run.Finish());
        EXPECT_TRUE(emitted.empty()) << threads;
    }
}

TEST(OrderedRun, AJobsExceptionReachesTheSubmitter) {
    OrderedRun<int> run(2, 4, [](int&) {});
    // From Submit or from Finish, depending on when the job ends.
    EXPECT_THROW(
        {
            run.Submit([]() -> int { throw std::runtime_error("job failed"); });
            run.Finish();
        },
        std::runtime_error);
}

}  // namespace
