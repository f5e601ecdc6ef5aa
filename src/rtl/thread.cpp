#include "kxtapi/rtl/thread.h"
#include "kxtapi/rtl/sync.h"
#include "message_loop_internal.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kxtapi {

namespace {

thread_local TThread* tCurrentThread = nullptr;

int NiceOf(TThreadPriority Priority) noexcept
{
    switch (Priority) {
    case tpIdle: return 19;
    case tpLowest: return 10;
    case tpLower: return 5;
    case tpNormal: return 0;
    case tpHigher: return -5;
    case tpHighest: return -10;
    case tpTimeCritical: return -20;
    }
    return 0;
}

} // namespace

TThread::TThread()
    : FTerminateEvent(std::make_shared<TEventObject>(true, false)),
      FEndEvent(std::make_shared<TEventObject>(true, false))
{
    FEndHandle = RegisterHandle(FEndEvent);
}

TThread::~TThread()
{
    if (tCurrentThread == this) {
        // Deleted by its own thread (FreeOnTerminate, or from Execute): it
        // cannot join itself.
        if (FThread.joinable()) FThread.detach();
    } else {
        TThread::Terminate();
        std::lock_guard<std::mutex> Guard(FJoinLock);
        if (FThread.joinable()) FThread.join();
    }
    detail::Loop().RemoveQueued(this);
    if (FEndHandle) CloseHandle(FEndHandle);
}

void TThread::Start()
{
    if (FStarted.exchange(true)) throw Exception("Thread already started");
    // The new thread begins by taking FLock, so it runs only once FThread
    // has been assigned.
    std::lock_guard<std::mutex> Guard(FLock);
    std::lock_guard<std::mutex> Join(FJoinLock);
    FThread = std::thread([this] { Body(); });
}

void TThread::Body()
{
    {
        std::lock_guard<std::mutex> Guard(FLock);
    }
    tCurrentThread = this;
    FThreadID.store(static_cast<uint32_t>(::syscall(SYS_gettid)), std::memory_order_release);
    ApplyPriority();
    try {
        Execute();
    } catch (...) {
        std::lock_guard<std::mutex> Guard(FLock);
        FFatal = std::current_exception();
    }
    // Copied first: with FreeOnTerminate the object is gone before the end
    // is announced.
    std::shared_ptr<TEventObject> End = FEndEvent;
    FFinished.store(true, std::memory_order_release);
    if (FFreeOnTerminate.load()) delete this;
    tCurrentThread = nullptr;
    End->Set();
}

void TThread::Terminate()
{
    FTerminated.store(true, std::memory_order_release);
    FTerminateEvent->Set();
}

int32_t TThread::WaitFor()
{
    if (tCurrentThread == this) throw Exception("Thread cannot wait for itself");
    if (FFreeOnTerminate.load()) throw Exception("Cannot wait for a thread that frees itself");
    std::lock_guard<std::mutex> Guard(FJoinLock);
    if (FThread.joinable()) FThread.join();
    return FReturnValue.load();
}

bool TThread::WaitForEnd(uint32_t Timeout)
{
    if (!FStarted.load()) return true;
    TWaitableObject* End = FEndEvent.get();
    return WaitForObjects(&End, 1, false, Timeout) == WAIT_OBJECT_0;
}

void TThread::TerminateAndWait()
{
    Terminate();
    if (tCurrentThread == this || !FStarted.load() || FFreeOnTerminate.load()) return;
    std::lock_guard<std::mutex> Guard(FJoinLock);
    if (FThread.joinable()) FThread.join();
}

void TThread::Set_Priority(TThreadPriority Value) noexcept
{
    FPriority.store(Value);
    if (FThreadID.load(std::memory_order_acquire) != 0 && !Finished()) ApplyPriority();
}

void TThread::ApplyPriority() noexcept
{
    uint32_t Id = FThreadID.load(std::memory_order_acquire);
    if (Id == 0) return;
    // Raising the priority needs privileges; without them the thread keeps
    // the one it has.
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(Id), NiceOf(FPriority.load()));
}

std::exception_ptr TThread::FatalException() const
{
    std::lock_guard<std::mutex> Guard(FLock);
    return FFatal;
}

TThread* TThread::CurrentThread() noexcept { return tCurrentThread; }

bool TThread::Synchronize(std::function<void()> Method)
{
    return detail::Loop().Synchronize(std::move(Method));
}

void TThread::Queue(std::function<void()> Method)
{
    detail::Loop().Queue(std::move(Method), tCurrentThread);
}

} // namespace kxtapi
