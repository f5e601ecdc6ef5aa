#include "service/dialogs.h"

#include <mutex>

namespace kxtapi {

namespace {

std::mutex& HookMutex()
{
    static std::mutex m;
    return m;
}

TTapiDialogHook& Hook()
{
    static TTapiDialogHook h;
    return h;
}

}  // namespace

TTapiDialogHook SetTapiDialogHook(TTapiDialogHook NewHook)
{
    std::lock_guard<std::mutex> lk(HookMutex());
    TTapiDialogHook Old = std::move(Hook());
    Hook() = std::move(NewHook);
    return Old;
}

namespace service {

uint32_t ShowDialog(TTapiDialogKind Kind, uint32_t DeviceID, HWND Owner, const std::string& Text,
                    uint32_t Unavailable)
{
    TTapiDialogHook h;
    {
        std::lock_guard<std::mutex> lk(HookMutex());
        h = Hook();
    }
    // Called on a copy, outside every lock: the hook may reinstall itself or
    // call TAPI functions.
    if (!h) return Unavailable;
    return h(Kind, DeviceID, Owner, Text);
}

}  // namespace service

}  // namespace kxtapi
