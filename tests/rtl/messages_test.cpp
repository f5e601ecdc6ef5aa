#include <kxtapi/rtl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace kxtapi;

namespace {

// Blocks until the loop has something to handle (bounded).
bool WaitForQueued(int TimeoutMs = 5000)
{
    pollfd P{Application()->PollFd(), POLLIN, 0};
    return ::poll(&P, 1, TimeoutMs) == 1;
}

bool Readable()
{
    pollfd P{Application()->PollFd(), POLLIN, 0};
    return ::poll(&P, 1, 0) == 1;
}

struct TRecorder {
    std::vector<std::pair<uint32_t, LPARAM>> Seen;   // main thread only
    HWND Wnd = 0;
    TRecorder()
    {
        Wnd = AllocateHWnd([this](TMessage& M) {
            Seen.emplace_back(M.Msg, M.LParam);
            M.Result = M.LParam * 2;
        });
    }
    ~TRecorder() { DeallocateHWnd(Wnd); }
};

class Messages : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application()->ProcessMessages();
    }
    void TearDown() override
    {
        Application()->OnException = nullptr;
        Application()->ProcessMessages();
    }
};

// A TThread running a function, for the tests that need Terminate.
class TFuncThread : public TThread {
public:
    explicit TFuncThread(std::function<void(TFuncThread&)> F) : FFunc(std::move(F)) {}
    ~TFuncThread() override { TerminateAndWait(); }

protected:
    void Execute() override { FFunc(*this); }

private:
    std::function<void(TFuncThread&)> FFunc;
};

} // namespace

TEST_F(Messages, PostsAndSendsFromSeveralThreadsKeepArrivalOrderPerSender)
{
    TRecorder R;
    constexpr int Threads = 4, PerThread = 200;
    std::vector<std::thread> Workers;
    std::atomic<int> Finished{0};
    for (int t = 0; t < Threads; ++t)
        Workers.emplace_back([&, t] {
            for (int i = 0; i < PerThread; ++i) {
                LPARAM Tag = t * 10000 + i;
                if (i % 10 == 9)
                    EXPECT_EQ(SendMessage(R.Wnd, WM_USER + 1, 0, Tag), Tag * 2);
                else
                    EXPECT_TRUE(PostMessage(R.Wnd, WM_USER, 0, Tag));
            }
            ++Finished;
        });
    while (Finished.load() < Threads || Application()->MessagesWaiting())
        Application()->HandleMessage(5);
    for (auto& W : Workers) W.join();

    ASSERT_EQ(R.Seen.size(), size_t(Threads * PerThread));
    std::vector<int> Next(Threads, 0);
    for (auto& [Msg, Tag] : R.Seen) {
        int t = static_cast<int>(Tag / 10000), i = static_cast<int>(Tag % 10000);
        EXPECT_EQ(i, Next[t]) << "sender " << t;
        EXPECT_EQ(Msg, i % 10 == 9 ? WM_USER + 1 : WM_USER);
        Next[t] = i + 1;
    }
}

TEST_F(Messages, PostedBeforeSentIsHandledFirst)
{
    TRecorder R;
    std::thread Worker([&] {
        PostMessage(R.Wnd, WM_USER, 0, 1);
        SendMessage(R.Wnd, WM_USER, 0, 2);
        PostMessage(R.Wnd, WM_USER, 0, 3);
    });
    while (R.Seen.size() < 3) Application()->HandleMessage(5000);
    Worker.join();
    ASSERT_EQ(R.Seen.size(), 3u);
    EXPECT_EQ(R.Seen[0].second, 1);
    EXPECT_EQ(R.Seen[1].second, 2);
    EXPECT_EQ(R.Seen[2].second, 3);
}

TEST_F(Messages, CrossThreadSendBlocksUntilHandledAndReturnsResult)
{
    std::atomic<bool> Returned{false};
    bool ReturnedDuringHandler = true;
    HWND Wnd = AllocateHWnd([&](TMessage& M) {
        ReturnedDuringHandler = Returned.load();
        M.Result = 77;
    });
    LRESULT Got = 0;
    std::thread Worker([&] {
        Got = SendMessage(Wnd, WM_USER, 0, 0);
        Returned = true;
    });
    ASSERT_TRUE(WaitForQueued());
    EXPECT_FALSE(Returned.load());
    Application()->ProcessMessages();
    Worker.join();
    EXPECT_FALSE(ReturnedDuringHandler);
    EXPECT_EQ(Got, 77);
    DeallocateHWnd(Wnd);
}

TEST_F(Messages, SendOnMainThreadCallsDirectlyAndPropagatesExceptions)
{
    int Depth = 0;
    HWND Wnd = AllocateHWnd([&](TMessage& M) {
        ++Depth;
        if (M.Msg == WM_USER + 9) throw Exception("direct");
        M.Result = M.WParam + 1;
    });
    EXPECT_EQ(SendMessage(Wnd, WM_USER, 41, 0), 42);
    EXPECT_EQ(Depth, 1);
    EXPECT_THROW(SendMessage(Wnd, WM_USER + 9, 0, 0), Exception);
    DeallocateHWnd(Wnd);
    SetLastError(0);
    EXPECT_EQ(SendMessage(Wnd, WM_USER, 1, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(Messages, WaitingSenderIsReleasedWhenItsThreadIsTerminated)
{
    int Handled = 0;
    HWND Wnd = AllocateHWnd([&](TMessage&) { ++Handled; });
    LRESULT Got = -1;
    TFuncThread Worker([&](TFuncThread&) { Got = SendMessage(Wnd, WM_USER, 0, 5); });
    Worker.Start();
    ASSERT_TRUE(WaitForQueued());
    Worker.Terminate();
    ASSERT_TRUE(Worker.WaitForEnd(5000));
    EXPECT_EQ(Got, 0);
    // The message was taken back: it is never handled.
    Application()->ProcessMessages();
    EXPECT_EQ(Handled, 0);
    EXPECT_FALSE(Readable());
    DeallocateHWnd(Wnd);
}

TEST_F(Messages, TerminatedThreadDoesNotSendAtAll)
{
    int Handled = 0;
    HWND Wnd = AllocateHWnd([&](TMessage&) { ++Handled; });
    TOwnedHandle Go(CreateEvent(true, false));
    LRESULT Got = -1;
    TFuncThread Worker([&](TFuncThread& Self) {
        while (!Self.Terminated()) WaitForSingleObject(Go.Get(), 5000);
        Got = SendMessage(Wnd, WM_USER, 0, 5);
    });
    Worker.Start();
    Worker.Terminate();
    SetEvent(Go.Get());
    ASSERT_TRUE(Worker.WaitForEnd(5000));
    Application()->ProcessMessages();
    EXPECT_EQ(Got, 0);
    EXPECT_EQ(Handled, 0);
    DeallocateHWnd(Wnd);
}

TEST_F(Messages, HandlerThatStopsTheSendingThreadDoesNotDeadlock)
{
    // A port closed from one of its own event handlers: the handler stops
    // and joins the thread that is blocked sending to it.
    TFuncThread* Sender = nullptr;
    bool Joined = false;
    HWND Wnd = AllocateHWnd([&](TMessage&) {
        Sender->Terminate();
        Joined = Sender->WaitForEnd(5000);
    });
    TFuncThread Worker([&](TFuncThread&) { SendMessage(Wnd, WM_USER, 0, 0); });
    Sender = &Worker;
    Worker.Start();
    ASSERT_TRUE(WaitForQueued());
    Application()->ProcessMessages();
    EXPECT_TRUE(Joined);
    DeallocateHWnd(Wnd);
}

TEST_F(Messages, WaitingSenderIsReleasedWhenTheWindowGoes)
{
    int Handled = 0;
    HWND Wnd = AllocateHWnd([&](TMessage&) { ++Handled; });
    LRESULT Got = -1;
    std::thread Worker([&] { Got = SendMessage(Wnd, WM_USER, 0, 5); });
    ASSERT_TRUE(WaitForQueued());
    DeallocateHWnd(Wnd);
    Worker.join();
    EXPECT_EQ(Got, 0);
    EXPECT_EQ(Handled, 0);
    EXPECT_FALSE(Readable());
}

TEST_F(Messages, CancellableSendIsReleasedByItsEvent)
{
    HWND Wnd = AllocateHWnd([](TMessage& M) { M.Result = 9; });
    TOwnedHandle Cancel(CreateEvent(true, false));
    bool Handled = true;
    uint32_t Error = 0;
    std::thread Worker([&] {
        LRESULT R = 1;
        Handled = SendMessageCancellable(Wnd, WM_USER, 0, 0, Cancel.Get(), R);
        Error = GetLastError();
        EXPECT_EQ(R, 0);
    });
    ASSERT_TRUE(WaitForQueued());
    SetEvent(Cancel.Get());
    Worker.join();
    EXPECT_FALSE(Handled);
    EXPECT_EQ(Error, ERROR_CANCELLED);

    ResetEvent(Cancel.Get());
    LRESULT R = 0;
    std::thread Second([&] { Handled = SendMessageCancellable(Wnd, WM_USER, 0, 0, Cancel.Get(), R); });
    ASSERT_TRUE(WaitForQueued());
    Application()->ProcessMessages();
    Second.join();
    EXPECT_TRUE(Handled);
    EXPECT_EQ(R, 9);
    DeallocateHWnd(Wnd);
}

TEST_F(Messages, ReentrantProcessMessagesHandlesEachMessageOnceInOrder)
{
    std::vector<LPARAM> Started, Completed;
    HWND Wnd = 0;
    Wnd = AllocateHWnd([&](TMessage& M) {
        Started.push_back(M.LParam);
        if (M.LParam == 2 || M.LParam == 3) Application()->ProcessMessages();
        Completed.push_back(M.LParam);
    });
    for (LPARAM i = 1; i <= 6; ++i) PostMessage(Wnd, WM_USER, 0, i);
    Application()->ProcessMessages();
    EXPECT_EQ(Started, (std::vector<LPARAM>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Completed, (std::vector<LPARAM>{1, 4, 5, 6, 3, 2}));
    DeallocateHWnd(Wnd);
}

TEST_F(Messages, ProcessMessagesLeavesWhatArrivesMeanwhileForTheNextCall)
{
    std::vector<LPARAM> Seen;
    HWND Wnd = 0;
    Wnd = AllocateHWnd([&](TMessage& M) {
        Seen.push_back(M.LParam);
        PostMessage(Wnd, WM_USER, 0, M.LParam + 1);   // would never end otherwise
    });
    PostMessage(Wnd, WM_USER, 0, 1);
    Application()->ProcessMessages();
    EXPECT_EQ(Seen, (std::vector<LPARAM>{1}));
    EXPECT_TRUE(Readable());
    Application()->ProcessMessages();
    EXPECT_EQ(Seen, (std::vector<LPARAM>{1, 2}));
    DeallocateHWnd(Wnd);
    EXPECT_FALSE(Readable());
}

TEST_F(Messages, DeallocatedWindowReceivesNothingMore)
{
    std::vector<LPARAM> Seen;
    HWND Wnd = 0;
    const std::string Tag = "still alive after deallocation";
    Wnd = AllocateHWnd([&, Tag](TMessage& M) {
        Seen.push_back(M.LParam);
        DeallocateHWnd(Wnd);
        // The handler runs on safely after its window is gone.
        EXPECT_EQ(Tag, "still alive after deallocation");
    });
    SetTimer(Wnd, 1, 1);
    for (LPARAM i = 1; i <= 3; ++i) PostMessage(Wnd, WM_USER, 0, i);
    Application()->ProcessMessages();
    EXPECT_EQ(Seen, (std::vector<LPARAM>{1}));
    EXPECT_FALSE(IsWindow(Wnd));
    SetLastError(0);
    EXPECT_FALSE(PostMessage(Wnd, WM_USER, 0, 4));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(SetTimer(Wnd, 1, 10));
    EXPECT_FALSE(KillTimer(Wnd, 1));
    EXPECT_FALSE(Application()->HandleMessage(20));
    EXPECT_EQ(Seen.size(), 1u);

    HWND Next = AllocateHWnd([](TMessage&) {});
    EXPECT_NE(Next, Wnd);
    EXPECT_NE(Next, 0u);
    DeallocateHWnd(Next);
}

TEST_F(Messages, PollFdReadableWhileAMessageWaits)
{
    TRecorder R;
    EXPECT_FALSE(Readable());
    PostMessage(R.Wnd, WM_USER, 0, 1);
    EXPECT_TRUE(Readable());
    EXPECT_TRUE(Application()->MessagesWaiting());
    EXPECT_EQ(Application()->NextTimeout(), 0u);
    Application()->ProcessMessages();
    EXPECT_FALSE(Readable());
    std::thread Worker([&] { PostMessage(R.Wnd, WM_USER, 0, 2); });
    EXPECT_TRUE(WaitForQueued());
    Worker.join();
    Application()->ProcessMessages();
    EXPECT_EQ(R.Seen.size(), 2u);
}

TEST_F(Messages, PollFdReadableWhenARealTimerFallsDue)
{
    int Ticks = 0;
    HWND Wnd = AllocateHWnd([&](TMessage& M) {
        if (M.Msg == WM_TIMER && M.WParam == 3) ++Ticks;
    });
    uint32_t Start = GetTickCount();
    ASSERT_TRUE(SetTimer(Wnd, 3, 200));
    EXPECT_FALSE(Readable());
    uint32_t Left = Application()->NextTimeout();
    EXPECT_GT(Left, 0u);
    EXPECT_LE(Left, 200u);
    ASSERT_TRUE(WaitForQueued());
    EXPECT_GE(GetTickCount() - Start, 200u);
    Application()->ProcessMessages();
    EXPECT_EQ(Ticks, 1);
    EXPECT_FALSE(Readable());
    KillTimer(Wnd, 3);
    DeallocateHWnd(Wnd);
}

TEST_F(Messages, TimersFollowTheTestClockAcrossTheWrap)
{
    TTestClock Clock(0xFFFFFFC0u);
    std::vector<std::pair<uintptr_t, uint32_t>> Fired;
    HWND Wnd = AllocateHWnd([&](TMessage& M) {
        if (M.Msg == WM_TIMER) Fired.emplace_back(M.WParam, GetTickCount());
    });
    ASSERT_TRUE(SetTimer(Wnd, 7, 100));
    AdvanceTestClock(99);
    Application()->ProcessMessages();
    EXPECT_TRUE(Fired.empty());
    EXPECT_FALSE(Readable());
    AdvanceTestClock(1);
    EXPECT_TRUE(Readable());
    Application()->ProcessMessages();
    ASSERT_EQ(Fired.size(), 1u);
    EXPECT_EQ(Fired[0], (std::pair<uintptr_t, uint32_t>{7, 0x24u}));

    // Unhandled expirations coalesce into one WM_TIMER.
    AdvanceTestClock(1000);
    Application()->ProcessMessages();
    EXPECT_EQ(Fired.size(), 2u);

    // A waiting WM_TIMER is withdrawn by KillTimer.
    AdvanceTestClock(100);
    EXPECT_TRUE(KillTimer(Wnd, 7));
    Application()->ProcessMessages();
    EXPECT_EQ(Fired.size(), 2u);
    EXPECT_FALSE(KillTimer(Wnd, 7));
    DeallocateHWnd(Wnd);
}

TEST_F(Messages, HandleMessageOnTheDriverJumpsToTheNextTimer)
{
    TTestClock Clock(500);
    std::vector<uint32_t> Fired;
    HWND Wnd = AllocateHWnd([&](TMessage& M) {
        if (M.Msg == WM_TIMER) Fired.push_back(GetTickCount());
    });
    SetTimer(Wnd, 1, 250);
    EXPECT_TRUE(Application()->HandleMessage());
    EXPECT_TRUE(Application()->HandleMessage(1000));
    EXPECT_EQ(Fired, (std::vector<uint32_t>{750, 1000}));
    KillTimer(Wnd, 1);
    EXPECT_FALSE(Application()->HandleMessage(5000));
    EXPECT_EQ(GetTickCount(), 6000u);
    DeallocateHWnd(Wnd);
}

TEST_F(Messages, ResettingATimerRestartsItsInterval)
{
    TTestClock Clock(0);
    int Ticks = 0;
    HWND Wnd = AllocateHWnd([&](TMessage& M) {
        if (M.Msg == WM_TIMER) ++Ticks;
    });
    SetTimer(Wnd, 1, 100);
    AdvanceTestClock(80);
    SetTimer(Wnd, 1, 100);
    AdvanceTestClock(80);
    Application()->ProcessMessages();
    EXPECT_EQ(Ticks, 0);
    AdvanceTestClock(20);
    Application()->ProcessMessages();
    EXPECT_EQ(Ticks, 1);
    DeallocateHWnd(Wnd);
}

TEST_F(Messages, HandlerExceptionsNeverEscapeTheLoop)
{
    std::vector<std::string> Reported;
    std::vector<LPARAM> Seen;
    HWND Wnd = AllocateHWnd([&](TMessage& M) {
        Seen.push_back(M.LParam);
        if (M.LParam == 1) throw Exception("library");
        if (M.LParam == 2) throw std::runtime_error("foreign");
    });
    for (LPARAM i = 1; i <= 3; ++i) PostMessage(Wnd, WM_USER, 0, i);
    EXPECT_NO_THROW(Application()->ProcessMessages());   // default policy
    EXPECT_EQ(Seen.size(), 3u);

    Application()->OnException = [&](TObject* Sender, std::exception_ptr E) {
        EXPECT_EQ(Sender, Application());
        try {
            std::rethrow_exception(E);
        } catch (const std::exception& X) {
            Reported.push_back(X.what());
        }
        throw std::logic_error("from the hook");   // dropped
    };
    for (LPARAM i = 1; i <= 3; ++i) PostMessage(Wnd, WM_USER, 0, i);
    EXPECT_NO_THROW(Application()->ProcessMessages());
    EXPECT_EQ(Reported, (std::vector<std::string>{"library", "foreign"}));
    EXPECT_EQ(Seen.size(), 6u);
    DeallocateHWnd(Wnd);
}

TEST_F(Messages, RunEndsWhenAnotherThreadTerminatesIt)
{
    TRecorder R;
    std::thread Worker([&] {
        SendMessage(R.Wnd, WM_USER, 0, 1);
        Application()->Terminate();
    });
    Application()->Run();
    Worker.join();
    EXPECT_EQ(R.Seen.size(), 1u);
    EXPECT_FALSE(Application()->Terminated());
}

TEST_F(Messages, PumpingFromAnotherThreadIsRefused)
{
    TRecorder R;   // makes sure the main thread is fixed
    bool Refused = false;
    std::thread Worker([&] {
        try {
            Application()->ProcessMessages();
        } catch (const Exception&) {
            Refused = true;
        }
        EXPECT_FALSE(IsMainThread());
    });
    Worker.join();
    EXPECT_TRUE(Refused);
    EXPECT_TRUE(IsMainThread());
}

TEST_F(Messages, SynchronizeRunsOnTheMainThreadAndRethrows)
{
    bool OnMain = false;
    bool Ran = false;
    bool Rethrown = false;
    TFuncThread Worker([&](TFuncThread&) {
        Ran = TThread::Synchronize([&] { OnMain = IsMainThread(); });
        try {
            TThread::Synchronize([] { throw std::runtime_error("x"); });
        } catch (const std::runtime_error&) {
            Rethrown = true;
        }
    });
    Worker.Start();
    while (!Worker.Finished()) Application()->HandleMessage(10);
    Worker.WaitFor();
    EXPECT_TRUE(Ran);
    EXPECT_TRUE(OnMain);
    EXPECT_TRUE(Rethrown);
}

TEST_F(Messages, QueuedCallsOfAFreedThreadAreDropped)
{
    int Calls = 0;
    {
        TFuncThread Worker([&](TFuncThread&) {
            TThread::Queue([&] { ++Calls; });
            TThread::Queue([&] { ++Calls; });
        });
        Worker.Start();
        Worker.WaitFor();
        EXPECT_TRUE(Readable());
    }
    Application()->ProcessMessages();
    EXPECT_EQ(Calls, 0);

    std::thread Plain([&] { TThread::Queue([&] { ++Calls; }); });
    Plain.join();
    Application()->ProcessMessages();
    EXPECT_EQ(Calls, 1);
}
