#include "kxtapi/rtl/system.h"

#include <mutex>
#include <unistd.h>

namespace kxtapi {

namespace {

void DefaultBeep(uint32_t, uint32_t)
{
    if (::isatty(STDERR_FILENO)) {
        ssize_t r = ::write(STDERR_FILENO, "\a", 1);
        (void)r;
    }
}

std::mutex gBeepLock;

TBeepHook& HookSlot()
{
    static TBeepHook* Slot = new TBeepHook(DefaultBeep);
    return *Slot;
}

} // namespace

TBeepHook SetBeepHook(TBeepHook Hook)
{
    std::lock_guard<std::mutex> Guard(gBeepLock);
    TBeepHook Previous = std::move(HookSlot());
    HookSlot() = Hook ? std::move(Hook) : TBeepHook(DefaultBeep);
    return Previous;
}

void Beep(uint32_t Frequency, uint32_t Duration)
{
    TBeepHook Hook;
    {
        std::lock_guard<std::mutex> Guard(gBeepLock);
        Hook = HookSlot();
    }
    Hook(Frequency, Duration);
}

void Beep() { Beep(0, 0); }

} // namespace kxtapi
