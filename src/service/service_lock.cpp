#include "service/service_lock.h"

#include <ctime>
#include <deque>
#include <pthread.h>
#include <thread>

namespace kxtapi::service {

namespace {

struct TLockState {
    std::recursive_timed_mutex Mutex;
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

void Acquired(TLockState& s)
{
    if (s.Depth++ == 0) s.Owner = std::this_thread::get_id();
}

void Release(TLockState& s)
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
    Acquired(s);
}

TServiceLock::~TServiceLock()
{
    Release(State());
}

TServiceLockAttempt::TServiceLockAttempt(std::chrono::milliseconds Timeout)
{
    TLockState& s = State();
    // pthread_mutex_timedlock itself rather than try_lock_for, which this
    // standard library builds on pthread_mutex_clocklock: ThreadSanitizer
    // does not see that one take the lock.
    timespec Until{};
    clock_gettime(CLOCK_REALTIME, &Until);
    const long long Ns = Until.tv_nsec + std::chrono::duration_cast<std::chrono::nanoseconds>(Timeout).count();
    Until.tv_sec += static_cast<time_t>(Ns / 1000000000);
    Until.tv_nsec = static_cast<long>(Ns % 1000000000);
    FOwns = pthread_mutex_timedlock(s.Mutex.native_handle(), &Until) == 0;
    if (FOwns) Acquired(s);
}

TServiceLockAttempt::~TServiceLockAttempt()
{
    if (FOwns) Release(State());
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
