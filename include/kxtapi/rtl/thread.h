// Worker threads with a terminate flag, a priority and a bounded wait for
// their end.
#pragma once

#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/object.h"
#include "kxtapi/rtl/tick.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kxtapi {

class TEventObject;

/// Scheduling priorities; mapped to nice values (19, 10, 5, 0, -5, -10,
/// -20). Raising a priority needs privileges the process may lack; that
/// failure is ignored and the thread runs at the priority it has.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

/// A worker thread. Derive, implement Execute, and call Start: at the end of
/// the derived constructor for a thread that is to run at once, or later. A
/// thread is always created suspended, because the base constructor cannot
/// start Execute before the derived object is complete; `CreateStarted`
/// constructs and starts in one step.
///
/// Execute must return soon after Terminated() becomes true; a thread that
/// blocks elsewhere overrides Terminate to wake itself (setting its own
/// stop event, for instance) and calls the inherited Terminate. Terminate
/// also releases a SendMessage the thread is blocked in.
///
/// Destruction terminates the thread and waits for its end. Because a
/// derived object is already gone when the base destructor runs, a derived
/// class whose Execute uses its own members calls TerminateAndWait() in its
/// own destructor. With FreeOnTerminate the thread deletes itself when
/// Execute has returned; to wait for such a thread's end, duplicate
/// EndHandle() before starting it and wait on the duplicate.
///
/// An exception escaping Execute ends the thread; it is kept and can be
/// read with FatalException() (null otherwise).
class TThread : public TObject {
public:
    TThread();
    ~TThread() override;

    /// Constructs a T (derived from TThread) with Args and starts it.
    template <typename T, typename... A>
    static T* CreateStarted(A&&... Args)
    {
        T* Thread = new T(static_cast<A&&>(Args)...);
        Thread->Start();
        return Thread;
    }
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    std::string ClassName() const override { return "TThread"; }

    /// Starts the thread; raises Exception when it was started already.
    void Start();

    /// Marks the thread terminated and releases a SendMessage it waits in.
    /// It does not wait for the end. From any thread.
    virtual void Terminate();
    bool Terminated() const noexcept { return FTerminated.load(std::memory_order_acquire); }

    /// Waits without limit for the end and returns ReturnValue. Raises
    /// Exception when called on the thread itself or on a FreeOnTerminate
    /// thread.
    int32_t WaitFor();
    /// Waits up to Timeout ms for the end; true when it has ended (or never
    /// started). Does not join; the destructor does that.
    bool WaitForEnd(uint32_t Timeout);
    /// Terminate, then wait for the end (for derived destructors).
    void TerminateAndWait();
    /// True once Execute has returned.
    bool Finished() const noexcept { return FFinished.load(std::memory_order_acquire); }

    bool Get_FreeOnTerminate() const noexcept { return FFreeOnTerminate.load(); }
    void Set_FreeOnTerminate(bool Value) noexcept { FFreeOnTerminate.store(Value); }

    TThreadPriority Get_Priority() const noexcept { return FPriority.load(); }
    /// Applies at once on a running thread, otherwise when it starts.
    void Set_Priority(TThreadPriority Value) noexcept;

    /// The system thread id (0 before the thread started).
    uint32_t ThreadID() const noexcept { return FThreadID.load(std::memory_order_acquire); }
    int32_t ReturnValue() const noexcept { return FReturnValue.load(); }
    std::exception_ptr FatalException() const;

    /// A handle to a manual-reset event that becomes signalled when the
    /// thread has ended (after a FreeOnTerminate thread deleted itself). It is
    /// closed with the TThread; duplicate it to keep it longer.
    THandle EndHandle() const noexcept { return FEndHandle; }

    /// The TThread running the calling thread, or null.
    static TThread* CurrentThread() noexcept;

    /// Runs Method on the main thread and waits for it to return (directly
    /// when called on the main thread). Returns false, without running it,
    /// when the calling TThread is told to stop before the main thread
    /// started Method; once started, it always waits for its return. An
    /// exception from Method is rethrown in the caller.
    static bool Synchronize(std::function<void()> Method);
    /// Queues Method to run on the main thread and returns at once. Queued
    /// methods of a TThread that are still waiting when it is destroyed are
    /// dropped.
    static void Queue(std::function<void()> Method);

protected:
    virtual void Execute() = 0;
    void SetReturnValue(int32_t Value) noexcept { FReturnValue.store(Value); }

private:
    void Body();
    void ApplyPriority() noexcept;

    std::thread FThread;
    std::shared_ptr<TEventObject> FTerminateEvent;   // for SendMessage release
    std::shared_ptr<TEventObject> FEndEvent;
    THandle FEndHandle = 0;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FStarted{false};
    std::atomic<bool> FFreeOnTerminate{false};
    std::atomic<TThreadPriority> FPriority{tpNormal};
    std::atomic<uint32_t> FThreadID{0};
    std::atomic<int32_t> FReturnValue{0};
    mutable std::mutex FLock;   // Start against the thread's first step; FFatal
    std::mutex FJoinLock;       // FThread: starting, joining, detaching
    std::exception_ptr FFatal;

    friend struct TThreadAccess;
};

} // namespace kxtapi
