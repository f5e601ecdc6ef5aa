#include <kxtapi/rtl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace kxtapi;

namespace {

class TPlainObject : public THandleObject {
public:
    explicit TPlainObject(std::atomic<int>* Closed) : FClosed(Closed) {}
    const char* HandleKind() const noexcept override { return "Plain"; }

protected:
    void LastHandleClosed() noexcept override { ++*FClosed; }

private:
    std::atomic<int>* FClosed;
};

} // namespace

TEST(Handles, DuplicatesShareTheObjectUntilTheLastCloses)
{
    std::atomic<int> Closed{0};
    auto Object = std::make_shared<TPlainObject>(&Closed);
    std::weak_ptr<TPlainObject> Watch = Object;
    THandle A = RegisterHandle(std::move(Object));
    ASSERT_NE(A, 0u);
    THandle B = DuplicateHandle(A);
    ASSERT_NE(B, 0u);
    EXPECT_NE(A, B);
    EXPECT_EQ(LookupHandle(A), LookupHandle(B));
    EXPECT_EQ(LookupHandle(A)->HandleCount(), 2u);

    EXPECT_TRUE(CloseHandle(A));
    EXPECT_EQ(Closed, 0);
    EXPECT_FALSE(Watch.expired());
    EXPECT_NE(LookupHandleAs<TPlainObject>(B), nullptr);

    // The closed value is stale now, for every operation.
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(A));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(DuplicateHandle(A), 0u);
    EXPECT_EQ(LookupHandle(A), nullptr);

    EXPECT_TRUE(CloseHandle(B));
    EXPECT_EQ(Closed, 1);
    EXPECT_TRUE(Watch.expired());
}

TEST(Handles, ValuesAreNeverZeroNorReused)
{
    std::vector<THandle> Seen;
    for (int i = 0; i < 50; ++i) {
        THandle h = CreateEvent(true, false);
        ASSERT_NE(h, 0u);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        for (THandle s : Seen) ASSERT_NE(s, h);
        Seen.push_back(h);
        CloseHandle(h);
    }
    EXPECT_FALSE(SetEvent(Seen.front()));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(0));
    EXPECT_EQ(RegisterHandle(nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Handles, TypedLookupRejectsOtherKinds)
{
    TOwnedHandle Mutex(CreateMutex(false));
    EXPECT_EQ(LookupHandleAs<TEventObject>(Mutex.Get()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(SetEvent(Mutex.Get()));
    TOwnedHandle Event(CreateEvent(false, false));
    EXPECT_FALSE(ReleaseMutex(Event.Get()));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Waits, BadArgumentsFail)
{
    std::atomic<int> Closed{0};
    TOwnedHandle Plain(RegisterHandle(std::make_shared<TPlainObject>(&Closed)));
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(Plain.Get(), 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    THandle Stale = CreateEvent(true, true);
    CloseHandle(Stale);
    EXPECT_EQ(WaitForSingleObject(Stale, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    TOwnedHandle E(CreateEvent(true, true));
    THandle Twice[2] = {E.Get(), E.Get()};
    EXPECT_EQ(WaitForMultipleObjects(2, Twice, true, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WaitForMultipleObjects(2, Twice, false, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForMultipleObjects(0, Twice, false, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, Twice, false, 0), WAIT_FAILED);
}

TEST(Waits, LowestSignalledIndexWinsAndOnlyItIsTaken)
{
    TOwnedHandle E0(CreateEvent(false, false));
    TOwnedHandle E1(CreateEvent(false, true));
    TOwnedHandle E2(CreateEvent(false, true));
    THandle Set[3] = {E0.Get(), E1.Get(), E2.Get()};
    EXPECT_EQ(WaitForMultipleObjects(3, Set, false, 0), WAIT_OBJECT_0 + 1);
    // E2 was not taken by that wait; E1 was (auto-reset).
    EXPECT_EQ(WaitForMultipleObjects(3, Set, false, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForMultipleObjects(3, Set, false, 0), WAIT_TIMEOUT);
    SetEvent(E0.Get());
    SetEvent(E2.Get());
    EXPECT_EQ(WaitForMultipleObjects(3, Set, false, 0), WAIT_OBJECT_0);
}

TEST(Waits, AutoResetIsConsumedManualResetStays)
{
    TOwnedHandle Auto(CreateEvent(false, true));
    TOwnedHandle Manual(CreateEvent(true, true));
    EXPECT_EQ(WaitForSingleObject(Auto.Get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(Auto.Get(), 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(Manual.Get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(Manual.Get(), 0), WAIT_OBJECT_0);
    ResetEvent(Manual.Get());
    EXPECT_EQ(WaitForSingleObject(Manual.Get(), 0), WAIT_TIMEOUT);
}

TEST(Waits, WaitAllTakesNothingUntilEverythingIsSignalled)
{
    TOwnedHandle A(CreateEvent(false, true));
    TOwnedHandle B(CreateEvent(false, false));
    THandle Both[2] = {A.Get(), B.Get()};
    EXPECT_EQ(WaitForMultipleObjects(2, Both, true, 0), WAIT_TIMEOUT);
    // A must still be signalled: a failed wait-all consumed nothing.
    SetEvent(B.Get());
    EXPECT_EQ(WaitForMultipleObjects(2, Both, true, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(A.Get(), 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(B.Get(), 0), WAIT_TIMEOUT);
}

TEST(Waits, OneAutoResetSignalReleasesExactlyOneOfSeveralWaiters)
{
    TOwnedHandle Gate(CreateEvent(false, false));
    std::atomic<int> Passed{0};
    std::vector<std::thread> Waiters;
    for (int i = 0; i < 4; ++i)
        Waiters.emplace_back([&] {
            if (WaitForSingleObject(Gate.Get(), 5000) == WAIT_OBJECT_0) ++Passed;
        });
    for (int i = 0; i < 4; ++i) {
        SetEvent(Gate.Get());
        // Whoever took it, the event is reset again before the next round.
        while (Passed.load() < i + 1) std::this_thread::yield();
        EXPECT_EQ(Passed.load(), i + 1);
    }
    for (auto& T : Waiters) T.join();
    EXPECT_EQ(Passed, 4);
}

TEST(Waits, ManualResetReleasesEveryWaiterAndClosedHandleKeepsWaitAlive)
{
    THandle Gate = CreateEvent(true, false);
    THandle Keep = DuplicateHandle(Gate);
    std::atomic<int> Passed{0};
    std::atomic<int> Started{0};
    std::vector<std::thread> Waiters;
    for (int i = 0; i < 3; ++i)
        Waiters.emplace_back([&] {
            ++Started;
            if (WaitForSingleObject(Gate, INFINITE) == WAIT_OBJECT_0) ++Passed;
        });
    while (Started.load() != 3) std::this_thread::yield();
    SetEvent(Keep);
    for (auto& T : Waiters) T.join();
    EXPECT_EQ(Passed, 3);
    CloseHandle(Gate);
    CloseHandle(Keep);
}

TEST(Waits, TimeoutOnRealClockIsHonoured)
{
    TOwnedHandle Never(CreateEvent(true, false));
    uint32_t Start = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(Never.Get(), 30), WAIT_TIMEOUT);
    EXPECT_GE(GetTickCount() - Start, 29u);
}

TEST(Mutexes, RecursiveOwnershipNeedsOneReleasePerAcquire)
{
    TOwnedHandle M(CreateMutex(true));
    EXPECT_EQ(WaitForSingleObject(M.Get(), 0), WAIT_OBJECT_0);   // level 2
    auto OtherCanTake = [&] {
        uint32_t r = 0;
        std::thread T([&] {
            r = WaitForSingleObject(M.Get(), 0);
            if (r == WAIT_OBJECT_0) ReleaseMutex(M.Get());
        });
        T.join();
        return r == WAIT_OBJECT_0;
    };
    EXPECT_FALSE(OtherCanTake());
    EXPECT_TRUE(ReleaseMutex(M.Get()));
    EXPECT_FALSE(OtherCanTake());
    EXPECT_TRUE(ReleaseMutex(M.Get()));
    EXPECT_TRUE(OtherCanTake());
    SetLastError(0);
    EXPECT_FALSE(ReleaseMutex(M.Get()));
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
}

TEST(Mutexes, ReleaseByAnotherThreadFails)
{
    TOwnedHandle M(CreateMutex(true));
    bool Released = true;
    uint32_t Error = 0;
    std::thread T([&] {
        Released = ReleaseMutex(M.Get());
        Error = GetLastError();
    });
    T.join();
    EXPECT_FALSE(Released);
    EXPECT_EQ(Error, ERROR_NOT_OWNER);
    EXPECT_TRUE(ReleaseMutex(M.Get()));
}

TEST(Mutexes, OwnerEndingAbandonsToTheNextWaiter)
{
    TOwnedHandle Other(CreateEvent(true, false));
    TOwnedHandle M(CreateMutex(false));
    std::thread Owner([&] { ASSERT_EQ(WaitForSingleObject(M.Get(), 0), WAIT_OBJECT_0); });
    Owner.join();
    THandle Set[2] = {Other.Get(), M.Get()};
    EXPECT_EQ(WaitForMultipleObjects(2, Set, false, 1000), WAIT_ABANDONED_0 + 1);
    // Abandonment is reported once; the waiter owns it now.
    EXPECT_EQ(WaitForSingleObject(M.Get(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(M.Get()));
    EXPECT_TRUE(ReleaseMutex(M.Get()));
    EXPECT_FALSE(ReleaseMutex(M.Get()));
}

TEST(Mutexes, BlockedWaiterIsWokenByReleaseAndByAbandonment)
{
    TOwnedHandle M(CreateMutex(true));
    TOwnedHandle Go(CreateEvent(true, false));
    uint32_t Result = 0;
    std::thread Waiter([&] {
        SetEvent(Go.Get());
        Result = WaitForSingleObject(M.Get(), 5000);
        if (Result == WAIT_OBJECT_0) ReleaseMutex(M.Get());
    });
    WaitForSingleObject(Go.Get(), INFINITE);
    ReleaseMutex(M.Get());
    Waiter.join();
    EXPECT_EQ(Result, WAIT_OBJECT_0);

    TOwnedHandle Taken(CreateEvent(true, false));
    TOwnedHandle Finish(CreateEvent(true, false));
    std::thread Owner([&] {
        WaitForSingleObject(M.Get(), INFINITE);
        SetEvent(Taken.Get());
        WaitForSingleObject(Finish.Get(), INFINITE);
    });
    WaitForSingleObject(Taken.Get(), INFINITE);
    uint32_t Late = 0;
    std::thread Next([&] { Late = WaitForSingleObject(M.Get(), 5000); });
    SetEvent(Finish.Get());   // the owner ends while Next is blocked
    Owner.join();
    Next.join();
    EXPECT_EQ(Late, WAIT_ABANDONED);
}

TEST(LastError, IsPerThreadAndErrnoMapsToCodes)
{
    SetLastError(ERROR_IO_PENDING);
    uint32_t Other = 1;
    std::thread T([&] { Other = GetLastError(); });
    T.join();
    EXPECT_EQ(Other, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_EQ(ErrnoToLastError(EACCES), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ErrnoToLastError(EBUSY), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ErrnoToLastError(ENOENT), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ErrnoToLastError(EBADF), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SysErrorMessage(0), "The operation completed successfully.");
    EXPECT_EQ(SysErrorMessage(424242), "System error 424242.");
}
