#include "service/service_lock.h"

#include <deque>
#include <thread>

namespace kxtapi::service {

namespace {

struct TLockState {
    std::recursive_mutex Mutex;
    // Guarded by Mutex.
    int Depth = 0;
    std::thread::id Owner;
    std::deque<std::function<void()>> Deferred;
};

TLockState& State()
{
    // Never destroyed: providers' timer threads and static destructors of
    // other modules may still take the lock during exit.
    static TLockState* s = new TLockState;
    return *s;
}

void Enter(TLockState& s)
{
    if (s.Depth++ == 0) s.Owner = std::this_thread::get_id();
}

void Leave(TLockState& s)
{
    if (s.Depth == 1) {
        // Deferred actions run while this is still the outermost guard, so
        // that what they defer runs here too.
        while (!s.Deferred.empty()) {
            std::function<void()> Action = std::move(s.Deferred.front());
            s.Deferred.pop_front();
            try {
                Action();
            } catch (...) {
                // A provider's deferred action must not unwind through a
                // destructor; the action is lost, the service goes on.
            }
        }
        s.Owner = std::thread::id();
    }
    --s.Depth;
    s.Mutex.unlock();
}

}  // namespace

TServiceLock::TServiceLock()
{
    TLockState& s = State();
    s.Mutex.lock();
    Enter(s);
}

TServiceLock::~TServiceLock()
{
    Leave(State());
}

TServiceTryLock::TServiceTryLock(std::chrono::milliseconds Limit)
{
    // Attempts rather than a timed wait: sanitizers follow plain try_lock,
    // and contention on this lock is short.
    TLockState& s = State();
    const auto End = std::chrono::steady_clock::now() + Limit;
    while (!(FOwns = s.Mutex.try_lock()) && std::chrono::steady_clock::now() < End)
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    if (FOwns) Enter(s);
}

TServiceTryLock::~TServiceTryLock()
{
    if (FOwns) Leave(State());
}

void DeferAction(std::function<void()> Action)
{
    State().Deferred.push_back(std::move(Action));
}

bool ServiceLockHeld() noexcept
{
    TLockState& s = State();
    // Reading Owner without the lock is only meaningful for the owner itself,
    // which is what the callers ask about; others may see a stale value that
    // never equals their own id.
    if (!s.Mutex.try_lock()) return false;
    bool Held = s.Depth > 0 && s.Owner == std::this_thread::get_id();
    s.Mutex.unlock();
    return Held;
}

}  // namespace kxtapi::service
