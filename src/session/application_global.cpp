// The process-wide session: created on first use, finished with the module.

#include "kxtapi/session/application.h"

#include <mutex>

namespace kxtapi {
namespace {

std::mutex& InstanceLock()
{
    // Never destroyed: the finaliser below takes it during static
    // destruction.
    static std::mutex* Lock = new std::mutex;
    return *Lock;
}

TTapiApplication* gInstance = nullptr;
bool gFinalized = false;

// Finishes the session when the library is unloaded or the process exits,
// so no event thread outlives the objects it uses.
struct TFinalizer {
    ~TFinalizer() { FinalizeTapiApplication(); }
} gFinalizer;

} // namespace

TTapiApplicationHolder TapiApplication;

TTapiApplication* TTapiApplicationHolder::Get() const
{
    std::lock_guard<std::mutex> Guard(InstanceLock());
    if (gInstance == nullptr && !gFinalized) gInstance = new TTapiApplication;
    return gInstance;
}

TTapiApplication* TTapiApplicationHolder::Peek() const noexcept
{
    std::lock_guard<std::mutex> Guard(InstanceLock());
    return gInstance;
}

void FinalizeTapiApplication() noexcept
{
    TTapiApplication* App = nullptr;
    {
        std::lock_guard<std::mutex> Guard(InstanceLock());
        gFinalized = true;
        App = gInstance;
    }
    if (App == nullptr) return;
    try {
        if (App->IsActive()) App->Shutdown();
    } catch (...) {
    }
    {
        std::lock_guard<std::mutex> Guard(InstanceLock());
        gInstance = nullptr;
    }
    delete App;
}

} // namespace kxtapi
