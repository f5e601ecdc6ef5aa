#include "kxtapi/rtl/timer.h"

namespace kxtapi {

namespace {
constexpr uintptr_t TimerId = 1;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner)
{
    FWindow = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
    UpdateTimer();
}

TTimer::~TTimer()
{
    DeallocateHWnd(FWindow);   // kills the timer and drops a waiting WM_TIMER
}

void TTimer::Set_Enabled(bool Value)
{
    if (Value == FEnabled) return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::Set_Interval(uint32_t Value)
{
    if (Value == FInterval) return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    KillTimer(FWindow, TimerId);
    if (FEnabled && FInterval != 0) SetTimer(FWindow, TimerId, FInterval);
}

void TTimer::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_TIMER)
        Timer();   // may destroy this timer: nothing touches it afterwards
    else
        Message.Result = DefWindowProc(FWindow, Message.Msg, Message.WParam, Message.LParam);
}

void TTimer::Timer()
{
    auto Handler = OnTimer;
    if (Handler) Handler(this);
}

} // namespace kxtapi
