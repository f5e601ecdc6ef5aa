// The hidden window, the dispatch of event words into the port's events,
// and the linked windows.
#include "kxtapi/comm/comport.h"

#include "kxtapi/rtl/system.h"
#include "kxtapi/serial/commapi.h"

#include <algorithm>
#include <vector>

namespace kxtapi {

namespace {

constexpr uintptr_t kSendBreakTimer = 1;
constexpr uintptr_t kBreakSeenTimer = 2;
constexpr uint32_t kBreakSeenMs = 2000;

/// Calls a copy of an event, so a handler that reassigns it is safe.
template <typename F, typename... A>
void Fire(const F& Event, A&&... Args)
{
    if (!Event) return;
    F copy = Event;
    copy(std::forward<A>(Args)...);
}

} // namespace

void TCustomComPort::WindowProc(TMessage& Message)
{
    if (Message.Msg == WM_TIMER) {
        const uintptr_t id = Message.WParam;
        // Each timer fires once; killed first so a raising handler cannot
        // leave it running.
        KillTimer(FWindow, id);
        if (id == kSendBreakTimer) {
            Set_BREAKState(false);
        } else if (id == kBreakSeenTimer) {
            FBreakSeen = false;
            TriggerBreak(false);
            TriggerComEvent(EV_BREAK);
            TriggerLinks(EV_BREAK);
        } else {
            Message.Result = DefWindowProc(FWindow, Message.Msg, Message.WParam, Message.LParam);
        }
        return;
    }
    if (Message.Msg == WM_COMMEVENT) {
        HandleComEvent(static_cast<uint32_t>(Message.LParam));
        return;
    }
    Message.Result = DefWindowProc(FWindow, Message.Msg, Message.WParam, Message.LParam);
}

void TCustomComPort::HandleComEvent(uint32_t EventWord)
{
    if (Destroying()) return;
    try {
        UpdateComErrorStatus();
        if (EventWord & EV_BREAK) {
            FBreakSeen = true;
            TriggerBreak(true);
            SetTimer(FWindow, kBreakSeenTimer, kBreakSeenMs);
        }
        if (EventWord & EV_CTS) TriggerCTS(Get_ModemState(1));
        if (EventWord & EV_DSR) TriggerDSR(Get_ModemState(2));
        if (EventWord & EV_RING) TriggerRing(Get_ModemState(3));
        if (EventWord & EV_RLSD) TriggerDCD(Get_ModemState(4));
        if (EventWord & EV_ERR) {
            TriggerErrors(FPendingErrors);
            FPendingErrors = 0;
        }
        if ((EventWord & EV_RXCHAR) && FComStat.cbInQue > 0) TriggerReceive(FComStat.cbInQue);
        if (EventWord & EV_RXFLAG) Fire(OnRxFlag, this);
        if (EventWord & EV_TXEMPTY) Fire(OnTxEmpty, this);
        if (EventWord != 0) TriggerComEvent(EventWord);
        TriggerLinks(EventWord);
    } catch (...) {
        Beep();
    }
}

void TCustomComPort::TriggerPortOpen(bool Opened)
{
    if (Destroying()) return;
    Fire(Opened ? OnPortOpen : OnPortClose, this);
}

void TCustomComPort::TriggerBreak(bool State)
{
    if (!Destroying()) Fire(OnBREAK, this);
}

void TCustomComPort::TriggerCTS(bool State)
{
    if (!Destroying()) Fire(OnCTS, this);
}

void TCustomComPort::TriggerDCD(bool State)
{
    if (!Destroying()) Fire(OnDCD, this);
}

void TCustomComPort::TriggerDSR(bool State)
{
    if (!Destroying()) Fire(OnDSR, this);
}

void TCustomComPort::TriggerRing(bool State)
{
    if (!Destroying()) Fire(OnRING, this);
}

void TCustomComPort::TriggerComEvent(uint32_t EventWord)
{
    if (!Destroying()) Fire(OnCommEvent, this, EventWord);
}

void TCustomComPort::TriggerErrors(uint32_t Errors)
{
    if (!Destroying()) Fire(OnCommError, this, Errors);
}

void TCustomComPort::TriggerReceive(uint32_t Count)
{
    if (Destroying()) return;
    if (OnReceive) {
        Fire(OnReceive, this);
    } else if (OnIncomingData) {
        std::vector<char> buf(Count);
        ReadData(buf.data(), Count);
    }
}

void TCustomComPort::TriggerIncomingData(const void* Buffer, uint32_t Count)
{
    if (!OnIncomingData || Count == 0) return;  // only bytes actually read
    try {
        Fire(OnIncomingData, this, std::string(static_cast<const char*>(Buffer), Count));
    } catch (...) {
        // The read that fired it has completed; its handler's failure is its own.
    }
}

void TCustomComPort::TriggerOutgoingData(const void* Buffer, uint32_t Count)
{
    if (!OnOutgoingData) return;
    try {
        Fire(OnOutgoingData, this, std::string(static_cast<const char*>(Buffer), Count));
    } catch (...) {
    }
}

void TCustomComPort::TriggerLinks(uint32_t EventWord)
{
    // A copy: a linked window's owner may unlink while we post.
    const std::vector<TTriggerLink> links = FTriggerList;
    for (const auto& link : links)
        if (EventWord == 0 || (EventWord & link.Mask) != 0)
            PostMessage(link.Window, WM_COMMEVENT, 0, static_cast<LPARAM>(EventWord));
}

uint32_t TCustomComPort::AddToTriggerList(HWND Window, uint32_t Mask)
{
    auto it = std::find_if(FTriggerList.begin(), FTriggerList.end(),
                           [Window](const TTriggerLink& L) { return L.Window == Window; });
    if (it == FTriggerList.end()) FTriggerList.push_back({Window, Mask});
    else it->Mask = Mask;
    return Mask;
}

void TCustomComPort::RemoveFromTriggerList(HWND Window)
{
    auto it = std::find_if(FTriggerList.begin(), FTriggerList.end(),
                           [Window](const TTriggerLink& L) { return L.Window == Window; });
    if (it != FTriggerList.end()) FTriggerList.erase(it);
}

} // namespace kxtapi
