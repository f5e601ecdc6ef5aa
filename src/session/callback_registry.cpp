// The registry of callback-instance cookies.

#include "kxtapi/session/callback_registry.h"

#include <mutex>
#include <unordered_map>

namespace kxtapi {
namespace {

struct TRegistry {
    std::mutex Lock;
    std::unordered_map<uint32_t, TObject*> Objects;
    uint32_t Last = 0;
};

TRegistry& Registry()
{
    // Never destroyed: components may unregister while the process exits.
    static TRegistry* Instance = new TRegistry;
    return *Instance;
}

} // namespace

uint32_t RegisterCallbackInstance(TObject* Object)
{
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    if (R.Last == 0xFFFFFFFFu) throw Exception("No callback instance left");
    const uint32_t Cookie = ++R.Last;
    R.Objects.emplace(Cookie, Object);
    return Cookie;
}

void UnregisterCallbackInstance(uint32_t Cookie) noexcept
{
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    R.Objects.erase(Cookie);
}

TObject* FindCallbackInstance(uint32_t Cookie) noexcept
{
    if (Cookie == 0) return nullptr;
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    auto It = R.Objects.find(Cookie);
    return It != R.Objects.end() ? It->second : nullptr;
}

} // namespace kxtapi
