#include <kxtapi/rtl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using namespace kxtapi;

namespace {

// Runs until terminated, waking on its own stop event as a port thread does.
class TStoppable : public TThread {
public:
    TStoppable() : FStop(CreateEvent(true, false)) {}
    ~TStoppable() override { TerminateAndWait(); }
    void Terminate() override
    {
        SetEvent(FStop.Get());
        TThread::Terminate();
    }
    std::atomic<int> Rounds{0};

protected:
    void Execute() override
    {
        while (!Terminated()) {
            WaitForSingleObject(FStop.Get(), INFINITE);
            ++Rounds;
        }
        SetReturnValue(42);
    }

private:
    TOwnedHandle FStop;
};

class TThrowing : public TThread {
protected:
    void Execute() override { throw std::runtime_error("boom"); }
};

class TSelfFreeing : public TThread {
public:
    explicit TSelfFreeing(std::atomic<bool>* Destroyed) : FDestroyed(Destroyed)
    {
        Set_FreeOnTerminate(true);
    }
    ~TSelfFreeing() override { *FDestroyed = true; }

protected:
    void Execute() override {}

private:
    std::atomic<bool>* FDestroyed;
};

} // namespace

TEST(Thread, RunsUntilTerminatedAndReportsItsEnd)
{
    TStoppable T;
    EXPECT_EQ(T.ThreadID(), 0u);
    EXPECT_TRUE(T.WaitForEnd(0));   // never started
    T.Set_Priority(tpLower);
    T.Start();
    EXPECT_THROW(T.Start(), Exception);
    EXPECT_FALSE(T.WaitForEnd(20));
    EXPECT_FALSE(T.Finished());
    T.Terminate();
    EXPECT_TRUE(T.WaitForEnd(5000));
    EXPECT_EQ(T.WaitFor(), 42);
    EXPECT_TRUE(T.Finished());
    EXPECT_NE(T.ThreadID(), 0u);
    EXPECT_EQ(T.Get_Priority(), tpLower);
    EXPECT_EQ(WaitForSingleObject(T.EndHandle(), 0), WAIT_OBJECT_0);
}

TEST(Thread, DestructorTerminatesAndJoins)
{
    auto* T = TThread::CreateStarted<TStoppable>();
    delete T;   // would hang or race if the destructor did not stop it
    SUCCEED();
}

TEST(Thread, EscapingExceptionEndsTheThreadAndIsKept)
{
    TThrowing T;
    T.Start();
    T.WaitFor();
    ASSERT_TRUE(T.FatalException());
    EXPECT_THROW(std::rethrow_exception(T.FatalException()), std::runtime_error);
}

TEST(Thread, FreeOnTerminateIsWaitedForThroughADuplicatedEndHandle)
{
    std::atomic<bool> Destroyed{false};
    auto* T = new TSelfFreeing(&Destroyed);
    TOwnedHandle End(DuplicateHandle(T->EndHandle()));
    ASSERT_TRUE(End);
    EXPECT_THROW(T->WaitFor(), Exception);
    T->Start();
    EXPECT_EQ(WaitForSingleObject(End.Get(), 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(Destroyed);
}

TEST(Thread, CurrentThreadNamesTheRunningObject)
{
    struct TProbe : TThread {
        TThread* Seen = nullptr;
        ~TProbe() override { TerminateAndWait(); }
        void Execute() override { Seen = CurrentThread(); }
    } P;
    EXPECT_EQ(TThread::CurrentThread(), nullptr);
    P.Start();
    P.WaitFor();
    EXPECT_EQ(P.Seen, &P);
}
