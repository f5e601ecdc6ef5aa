#include <kxtapi/rtl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace kxtapi;

TEST(Tick, DifferenceArithmeticSurvivesTheWrap)
{
    EXPECT_TRUE(TickElapsed(0xFFFFFF00u, 0x100, 0x00000000u));
    EXPECT_FALSE(TickElapsed(0xFFFFFF00u, 0x101, 0x00000000u));
    EXPECT_FALSE(TickElapsed(0xFFFFFF00u, INFINITE, 0xFFFFFEFFu));
    EXPECT_EQ(TickRemaining(0xFFFFFFF0u, 0x20, 0x00000008u), 8u);
    EXPECT_EQ(TickRemaining(0xFFFFFFF0u, 0x20, 0x00000010u), 0u);
    EXPECT_EQ(TickRemaining(5, INFINITE, 100), INFINITE);
}

TEST(TestClock, DriverSleepAndTimedWaitsAdvanceVirtualTime)
{
    TTestClock Clock(1000);
    EXPECT_TRUE(TestClockInstalled());
    EXPECT_TRUE(IsTestClockDriver());
    EXPECT_EQ(GetTickCount(), 1000u);
    Sleep(250);
    EXPECT_EQ(GetTickCount(), 1250u);

    TOwnedHandle Never(CreateEvent(true, false));
    EXPECT_EQ(WaitForSingleObject(Never.Get(), 60000), WAIT_TIMEOUT);
    EXPECT_EQ(GetTickCount(), 61250u);
    // A wait satisfied at once does not move the clock.
    SetEvent(Never.Get());
    EXPECT_EQ(WaitForSingleObject(Never.Get(), 60000), WAIT_OBJECT_0);
    EXPECT_EQ(GetTickCount(), 61250u);
}

TEST(TestClock, TimedWaitAcrossTheWrapEndsAtItsDeadline)
{
    TTestClock Clock(0xFFFFFF00u);
    TOwnedHandle Never(CreateEvent(true, false));
    EXPECT_EQ(WaitForSingleObject(Never.Get(), 0x300), WAIT_TIMEOUT);
    EXPECT_EQ(GetTickCount(), 0x200u);
    // A zero time-out only tests, and never advances.
    EXPECT_EQ(WaitForSingleObject(Never.Get(), 0), WAIT_TIMEOUT);
    EXPECT_EQ(GetTickCount(), 0x200u);
}

TEST(TestClock, ListenerSatisfiesDriverWaitDuringTheJump)
{
    TTestClock Clock(0);
    TOwnedHandle Reply(CreateEvent(true, false));
    std::vector<uint32_t> Seen;
    int Id = AddAdvanceListener([&](uint32_t Now) {
        Seen.push_back(Now);
        if (Now >= 300) SetEvent(Reply.Get());
    });
    // The way a synchronous request polls: short waits until the reply.
    uint32_t Result = WAIT_TIMEOUT;
    int Rounds = 0;
    while (Result == WAIT_TIMEOUT && Rounds++ < 100) Result = WaitForSingleObject(Reply.Get(), 10);
    RemoveAdvanceListener(Id);
    EXPECT_EQ(Result, WAIT_OBJECT_0);
    EXPECT_EQ(GetTickCount(), 300u);
    ASSERT_EQ(Seen.size(), 30u);
    EXPECT_EQ(Seen.front(), 10u);
    Sleep(10);
    EXPECT_EQ(Seen.size(), 30u);   // removed listeners are not called
}

TEST(TestClock, DriverWaitsForAMutexAnotherThreadHoldsInRealTime)
{
    TTestClock Clock(1000);
    TOwnedHandle Mutex(CreateMutex(false));
    std::atomic<bool> Taken{false};
    std::thread Holder([&] {
        ASSERT_EQ(WaitForSingleObject(Mutex.Get(), 0), WAIT_OBJECT_0);
        Taken = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ReleaseMutex(Mutex.Get());
    });
    while (!Taken) std::this_thread::yield();
    // Held for 30 ms of real time: the driver gets it without the virtual
    // clock moving (it used to jump 1000 ms and fail the wait).
    EXPECT_EQ(WaitForSingleObject(Mutex.Get(), 1000), WAIT_OBJECT_0);
    EXPECT_EQ(GetTickCount(), 1000u);
    ReleaseMutex(Mutex.Get());
    Holder.join();

    // A mutex that stays held times out after the time-out in real time.
    std::atomic<bool> Done{false};
    std::thread Keeper([&] {
        ASSERT_EQ(WaitForSingleObject(Mutex.Get(), 0), WAIT_OBJECT_0);
        Taken = false;
        while (!Done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ReleaseMutex(Mutex.Get());
    });
    while (Taken) std::this_thread::yield();
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(Mutex.Get(), 50), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(50));
    Done = true;
    Keeper.join();
}

TEST(TestClock, ListenersRunInOrderAndMayRemoveThemselves)
{
    TTestClock Clock(0);
    std::vector<int> Calls;
    int Second = 0;
    int First = AddAdvanceListener([&](uint32_t) {
        Calls.push_back(1);
        RemoveAdvanceListener(First);
    });
    Second = AddAdvanceListener([&](uint32_t) { Calls.push_back(2); });
    AdvanceTestClock(5);
    AdvanceTestClock(5);
    RemoveAdvanceListener(Second);
    EXPECT_EQ(Calls, (std::vector<int>{1, 2, 2}));
}

TEST(TestClock, OtherThreadsWaitUntilAdvancePassesTheirDeadline)
{
    TTestClock Clock(0xFFFFFFF0u);
    TOwnedHandle Never(CreateEvent(true, false));
    std::atomic<bool> Done{false};
    uint32_t Began = 0, Ended = 0, Result = 0;
    std::thread Worker([&] {
        Began = GetTickCount();
        Result = WaitForSingleObject(Never.Get(), 500);
        Ended = GetTickCount();
        Done = true;
    });
    while (!Done.load()) {
        AdvanceTestClock(50);
        std::this_thread::yield();
    }
    Worker.join();
    EXPECT_EQ(Result, WAIT_TIMEOUT);
    EXPECT_GE(static_cast<uint32_t>(Ended - Began), 500u);
}

TEST(TestClock, SleepOnAnotherThreadFollowsTheClock)
{
    TTestClock Clock(0);
    std::atomic<bool> Done{false};
    uint32_t Woke = 0;
    std::thread Sleeper([&] {
        Sleep(1000);
        Woke = GetTickCount();
        Done = true;
    });
    while (!Done.load()) {
        AdvanceTestClock(100);
        std::this_thread::yield();
    }
    Sleeper.join();
    EXPECT_GE(Woke, 1000u);
}

TEST(TestClock, SignalStillWakesOtherThreadsAtOnce)
{
    TTestClock Clock(0);
    TOwnedHandle Go(CreateEvent(false, false));
    uint32_t Result = 0;
    std::thread Worker([&] { Result = WaitForSingleObject(Go.Get(), 1000); });
    SetEvent(Go.Get());
    Worker.join();
    EXPECT_EQ(Result, WAIT_OBJECT_0);
    EXPECT_EQ(GetTickCount(), 0u);
}

TEST(TestClock, OnlyOneAtATimeAndRealTimeReturns)
{
    {
        TTestClock Clock(7);
        EXPECT_THROW(TTestClock Second(8), Exception);
        EXPECT_EQ(GetTickCount(), 7u);
    }
    EXPECT_FALSE(TestClockInstalled());
    EXPECT_FALSE(IsTestClockDriver());
    AdvanceTestClock(10);   // without a test clock: nothing
}

TEST(TestClock, NowFollowsVirtualTime)
{
    TTestClock Clock(0);
    TDateTime Start = Now();
    AdvanceTestClock(12 * 3600 * 1000);
    EXPECT_NEAR(Now() - Start, 0.5, 1e-9);
}
