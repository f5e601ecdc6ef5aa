// The SIP provider's own thread. libre is not thread-safe: every libre object
// of the provider is made, used and released on this thread, which runs
// libre's main loop. Other threads hand it commands (Post); it reports to
// the telephony service under the service lock (ToService).
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

struct mqueue;
struct tmr;

namespace kxtapi::service::sip {

class TSipEngine {
public:
    TSipEngine() = default;
    ~TSipEngine();
    TSipEngine(const TSipEngine&) = delete;
    TSipEngine& operator=(const TSipEngine&) = delete;

    /// Starts the thread and runs Setup there before its loop. Waits for
    /// Setup: when it throws, the thread ends and Start throws the same.
    /// Teardown runs on the thread when its loop has ended (or Setup
    /// failed), to let go of the libre objects that are left.
    void Start(std::function<void()> Setup, std::function<void()> Teardown);

    /// Runs Command on the engine thread, after the commands posted before
    /// it. Any thread; dropped once Stop has begun.
    void Post(std::function<void()> Command);

    /// Ends the thread: Shutdown runs on it and calls its argument when
    /// everything is let go of (transactions ended); the loop ends then, or
    /// after Guard at the latest. Waits for the thread. May be called with
    /// the service lock held: the engine stops waiting for the lock.
    void Stop(std::function<void(std::function<void()> Done)> Shutdown, std::chrono::milliseconds Guard);

    /// On the engine thread: runs Action with the service lock held. False
    /// (Action not run) when the engine is stopping.
    bool ToService(const std::function<void()>& Action);

    /// Whether the calling thread is the engine thread.
    bool OnThread() const noexcept { return std::this_thread::get_id() == FThreadID.load(); }
    bool Running() const noexcept { return FThread.joinable(); }

private:
    static void OnQueue(int ID, void* Data, void* Arg);
    static void OnGuard(void* Arg);
    void RunCommands();
    void Push(std::function<void()> Command);

    std::thread FThread;
    std::atomic<std::thread::id> FThreadID{};
    std::atomic<bool> FStopping{false};
    std::mutex FMutex;
    std::deque<std::function<void()>> FCommands;   // guarded by FMutex
    struct mqueue* FQueue = nullptr;                 // written before Start returns
    struct tmr* FGuard = nullptr;                    // engine thread only
    std::function<void()> FTeardown;
};

}  // namespace kxtapi::service::sip
