// TTapiLine: the LINE_ messages the session routes to the line, and the
// handlers and events of device, address and media messages.

#include "kxtapi/line/line.h"

#include "kxtapi/session/events.h"
#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/tapi/message_ids.h"

namespace kxtapi {

void TTapiLine::Handle_TapiMessage(uint32_t hDevice, uint32_t MessageID, uint32_t Param1, uint32_t Param2,
                                   uint32_t Param3)
{
    TEventScope Scope(*this);
    TTapiDevice::Handle_TapiMessage(hDevice, MessageID, Param1, Param2, Param3);
    switch (MessageID) {
    case LINE_ADDRESSSTATE: Handle_AddressState(Param1, Param2); break;
    case LINE_CALLINFO: Handle_CallInfo(hDevice, Param1); break;
    case LINE_CALLSTATE: Handle_CallState(hDevice, Param1, Param2, Param3); break;
    case LINE_CLOSE: Handle_LineClose(); break;
    case LINE_DEVSPECIFIC: Handle_DevSpecific(hDevice, Param1, Param2, Param3); break;
    case LINE_DEVSPECIFICFEATURE: Handle_DevSpecFeature(hDevice, Param1, Param2, Param3); break;
    case LINE_GATHERDIGITS: Handle_GatherDigits(hDevice, Param1); break;
    case LINE_GENERATE: Handle_Generate(hDevice, Param1); break;
    case LINE_LINEDEVSTATE: Handle_DevState(Param1, Param2, Param3); break;
    case LINE_MONITORDIGITS: Handle_MonitorDigits(hDevice, Param1, Param2); break;
    case LINE_MONITORMEDIA: Handle_MonitorMedia(hDevice, Param1, Param3); break;
    case LINE_MONITORTONE: Handle_MonitorTone(hDevice, Param1); break;
    case LINE_REPLY: Handle_TapiReply(Param1, Param2); break;
    case LINE_CREATE: Handle_DeviceCreate(Param1); break;
    case LINE_AGENTSTATUS: Handle_AgentStatus(hDevice, Param1, Param2, Param3); break;
    case LINE_APPNEWCALL: Handle_AppNewCall(Param2); break;
    case LINE_REMOVE: Handle_DeviceRemove(Param1); break;
    default: break;
    }
    Trigger_TapiMessage(MessageID, Param1, Param2, Param3);
}

void TTapiLine::Handle_InternalTimer(uint32_t Tick)
{
    TEventScope Scope(*this);
    TTapiDevice::Handle_InternalTimer(Tick);
}

void TTapiLine::Handle_DevState(uint32_t State, uint32_t Detail1, uint32_t Detail2)
{
    TEventScope Scope(*this);
    Update_DevStatus();
    if (State & LINEDEVSTATE_RINGING) {
        FRingMode = Detail1;
        FRingCount = Detail2;
    }
    if (State & LINEDEVSTATE_NUMCALLS) Update_LineCalls();
    if (State & LINEDEVSTATE_REINIT) {
        UpdateLocation();
        Trigger_TapiReinit();
    }
    if (State & LINEDEVSTATE_CAPSCHANGE) Update_DevCaps();
    if (State & LINEDEVSTATE_TRANSLATECHANGE) UpdateLocation();
    if (State & LINEDEVSTATE_REMOVED) Handle_DeviceRemove(static_cast<uint32_t>(DeviceID));
    Trigger_DeviceState(State, Detail1, Detail2);
}

void TTapiLine::Trigger_DeviceState(uint32_t State, uint32_t Detail1, uint32_t Detail2)
{
    TTapiDevice::Trigger_DeviceState(State, Detail1, Detail2);
    if (State & LINEDEVSTATE_RINGING) FireNamedEvent("OnRing", OnRing, this, Detail1, Detail2);
}

void TTapiLine::Handle_AddressState(uint32_t AddressID, uint32_t AddressState)
{
    TListLock Lock(FAddresses, 10);
    if (!Lock) return;
    // Addresses are rebuilt only when a device is selected, which an event
    // handler cannot do while the line is open; the count is still read
    // afresh each step.
    for (int i = 0; i < FAddresses.Count(); ++i) {
        TTapiAddress* Address = FAddresses.Get(i);
        if (Address->Get_AddressID() != AddressID) continue;
        Address->Handle_AddressState(AddressState);
        Trigger_AddressState(Address, AddressState);
    }
}

void TTapiLine::Trigger_AddressState(TTapiAddress* Address, uint32_t State)
{
    FireNamedEvent("OnAddressState", OnAddressState, this, Address, State);
}

void TTapiLine::Handle_CallInfo(uint32_t hCall, uint32_t InfoState)
{
    TTapiCall* Call = GetOrCreateCall(hCall);
    if (Call == nullptr) return;
    Call->Handle_CallInfo(InfoState);
    if (InfoState & LINECALLINFOSTATE_MEDIAMODE) FireNamedEvent("OnMediaMode", OnMediaMode, this, Call);
    if (Call->FFreePending) return;
    Trigger_CallInfo(Call, InfoState);
}

void TTapiLine::Handle_DevSpecific(uint32_t, uint32_t, uint32_t, uint32_t) {}
void TTapiLine::Handle_DevSpecFeature(uint32_t, uint32_t, uint32_t, uint32_t) {}
void TTapiLine::Handle_AgentStatus(uint32_t, uint32_t, uint32_t, uint32_t) {}

void TTapiLine::Handle_GatherDigits(uint32_t hCall, uint32_t Termination)
{
    TTapiCall* Call = GetOrCreateCall(hCall);
    if (Call == nullptr) return;
    Call->Get_GatherDigits()->Handle_GatherDigits(Termination);
    Trigger_GatherTerm(Call, Termination);
}

void TTapiLine::Handle_Generate(uint32_t hCall, uint32_t Termination)
{
    if (TTapiCall* Call = GetOrCreateCall(hCall)) Trigger_Generate(Call, Termination);
}

void TTapiLine::Handle_MonitorDigits(uint32_t hCall, uint32_t Digit, uint32_t DigitMode)
{
    if (TTapiCall* Call = GetOrCreateCall(hCall)) Trigger_Digit(Call, Digit, DigitMode);
}

void TTapiLine::Handle_MonitorMedia(uint32_t hCall, uint32_t /*MediaMode*/, uint32_t TickCount)
{
    if (TTapiCall* Call = GetOrCreateCall(hCall)) Trigger_MonitorMedia(Call, TickCount);
}

void TTapiLine::Handle_MonitorTone(uint32_t hCall, uint32_t AppSpecific)
{
    TTapiCall* Call = GetOrCreateCall(hCall);
    if (Call == nullptr) return;
    if (AppSpecific == 0xFFFFFFFF) Trigger_MonitorSilence(Call);
    else Trigger_MonitorTone(Call, AppSpecific);
}

void TTapiLine::Trigger_Digit(TTapiCall* Call, uint32_t Digit, uint32_t /*DigitMode*/)
{
    FireNamedEvent("OnDigit", OnDigit, this, Call, static_cast<char>(Digit & 0xFF));
}

void TTapiLine::Trigger_MonitorMedia(TTapiCall* Call, uint32_t /*TickCount*/)
{
    FireNamedEvent("OnMediaMode", OnMediaMode, this, Call);
}

void TTapiLine::Trigger_Generate(TTapiCall* Call, uint32_t Termination)
{
    FireNamedEvent("OnGenerate", OnGenerate, this, Call, Termination);
}

void TTapiLine::Trigger_GatherTerm(TTapiCall* Call, uint32_t Termination)
{
    const std::string Digits = Call->Get_GatherDigits()->Get_Digits();
    FireNamedEvent("OnDigits", OnDigits, this, Call, Digits, Termination);
}

void TTapiLine::Trigger_MonitorTone(TTapiCall* Call, uint32_t AppSpecific)
{
    FireNamedEvent("OnTone", OnTone, this, Call, AppSpecific);
}

void TTapiLine::Trigger_MonitorSilence(TTapiCall* Call)
{
    FireNamedEvent("OnSilence", OnSilence, this, Call);
}

} // namespace kxtapi
