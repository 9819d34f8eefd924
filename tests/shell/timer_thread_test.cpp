#include "shell/TimerThread.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

// Also built with ThreadSanitizer by scripts/test.

namespace {
using namespace std::chrono_literals;

template <class F> bool WaitFor(F condition)
{
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}
} // namespace

TEST(TimerThread, PausesResumesAndStopsStepping)
{
    std::atomic<int> ticks{0};
    TTimerThread thread([&] { ++ticks; }, 1, true);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks.load(), 0) << "started paused";
    EXPECT_TRUE(thread.Paused());

    thread.Resume();
    ASSERT_TRUE(WaitFor([&] { return ticks.load() >= 5; }));

    thread.Pause();
    const int paused = ticks.load();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks.load(), paused) << "no step once Pause has returned";
    EXPECT_EQ(thread.Ticks(), paused);

    thread.Resume();
    ASSERT_TRUE(WaitFor([&] { return ticks.load() > paused; }));

    thread.Detach();
    const int detached = ticks.load();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks.load(), detached) << "a detached thread takes no step";
    EXPECT_TRUE(thread.Detached());
}

TEST(TimerThread, IntervalChangesAndShutdownWakeTheWait)
{
    std::atomic<int> ticks{0};
    auto thread = std::make_unique<TTimerThread>([&] { ++ticks; }, 60000, false);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ticks.load(), 0);
    // Destroyed in the middle of a one-minute wait: it ends at once.
    const auto start = std::chrono::steady_clock::now();
    thread.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

    TTimerThread fast([&] { ++ticks; }, 1000, false);
    fast.SetInterval(1);
    fast.Pause();
    fast.Resume(); // restarts the wait with the new interval
    ASSERT_TRUE(WaitFor([&] { return ticks.load() >= 3; }));
    fast.Terminate();
    const int stopped = ticks.load();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks.load(), stopped);
}

TEST(TimerThread, ManyThreadsStartAndStopWhileTicking)
{
    std::atomic<int> ticks{0};
    for (int round = 0; round < 50; ++round) {
        TTimerThread t([&] { ++ticks; }, 0, round % 2 == 1);
        if (round % 3 == 0)
            t.Resume();
        if (round % 5 == 0)
            t.Pause();
    }
    // Every thread has ended with its object: no step happens any more.
    const int after = ticks.load();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks.load(), after);
}
