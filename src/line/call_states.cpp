// TTapiLine: LINE_CALLSTATE and the call events it raises.

#include "kxtapi/line/line.h"

#include "kxtapi/rtl/tick.h"
#include "kxtapi/session/events.h"
#include "kxtapi/tapi/line_constants.h"

namespace kxtapi {

uint32_t TTapiLine::CallStateOf(const TTapiCall* Call)
{
    return Call != nullptr ? Call->GetCallStatusDW(0) : 0;
}

void TTapiLine::Handle_CallState(uint32_t hCall, uint32_t CallState, uint32_t StateDetail, uint32_t Privilege)
{
    if (CallState == 0) return;
    TEventScope Scope(*this);
    TTapiCall* Call = GetOrCreateCall(hCall);
    if (Call == nullptr) return;
    Update_LineCalls();
    const bool WasAlive = Call->Get_Alive();

    Call->Set_Alive(CallState != LINECALLSTATE_IDLE);
    Call->Update_CallStatus();
    // The message's values win over what the query returned: the query may
    // already show a later state.
    Call->SetStatusDW(0, CallState);
    Call->SetStatusDW(1, StateDetail);
    if (Privilege != 0) Call->SetStatusDW(2, Privilege);
    const uint32_t State = CallStateOf(Call);
    if (State == LINECALLSTATE_CONFERENCED && Call->Update_ConferenceCalls() != 0) {
        Call->FConferenceCalls.TList::Clear();
        if (TTapiCall* Conference = GetOrCreateCall(StateDetail)) Call->FConferenceCalls.Add(Conference);
        Call->FConferenceCalls.Add(Call);
    }
    if (State == LINECALLSTATE_CONNECTED) {
        if ((Call->FStateHistory & LINECALLSTATE_CONNECTED) == 0) {
            Call->FCommDevice->Init();
            Call->FConnectTime = Now();
        }
        if (Call->Update_ConferenceCalls() != 0) Call->FConferenceCalls.TList::Clear();
    } else if (!(State == LINECALLSTATE_DISCONNECTED && (Call->FStateHistory & LINECALLSTATE_DISCONNECTED))) {
        Call->FCommDevice->Done();
    }

    // A handler may free the call (Free() marks it): the remaining events
    // are not raised for a call the application has let go of.
    Trigger_CallState(Call, CallState, StateDetail, Privilege);
    if (Call->FFreePending) return;
    if (Privilege != 0) {
        Trigger_CallPrivilege(Call, Privilege);
        if (Call->FFreePending) return;
    }
    Call->FStateHistory |= CallState;
    if (!WasAlive && Call->Get_Alive()) Trigger_CallBegin(Call);
    else if (WasAlive && !Call->Get_Alive()) Trigger_CallEnd(Call);
    if (Call->FFreePending || !HasCall(Call)) return;
    const uint32_t Now = CallStateOf(Call);
    if (Now == LINECALLSTATE_IDLE) DeallocateIdleCall(Call);
    else if (Now == LINECALLSTATE_DISCONNECTED) DropDiscCall(Call);
}

void TTapiLine::Trigger_CallState(TTapiCall* Call, uint32_t CallState, uint32_t /*StateDetail*/,
                                  uint32_t /*Privilege*/)
{
    FireNamedEvent("OnCallState", OnCallState, this, Call, CallState);
    if (Call->FFreePending) return;
    const TTapiCallEvent* Event = nullptr;
    const char* Name = nullptr;
    switch (CallState) {
    case LINECALLSTATE_IDLE: Event = &OnIdle; Name = "OnIdle"; break;
    case LINECALLSTATE_OFFERING: Event = &OnOffering; Name = "OnOffering"; break;
    case LINECALLSTATE_ACCEPTED: Event = &OnAccepted; Name = "OnAccepted"; break;
    case LINECALLSTATE_DIALTONE: Event = &OnDialtone; Name = "OnDialtone"; break;
    case LINECALLSTATE_DIALING: Event = &OnDialing; Name = "OnDialing"; break;
    case LINECALLSTATE_RINGBACK: Event = &OnRingback; Name = "OnRingback"; break;
    case LINECALLSTATE_BUSY: Event = &OnBusy; Name = "OnBusy"; break;
    case LINECALLSTATE_SPECIALINFO: Event = &OnSpecialInfo; Name = "OnSpecialInfo"; break;
    case LINECALLSTATE_CONNECTED: Event = &OnConnected; Name = "OnConnected"; break;
    case LINECALLSTATE_PROCEEDING: Event = &OnProceeding; Name = "OnProceeding"; break;
    case LINECALLSTATE_ONHOLD: Event = &OnHold; Name = "OnHold"; break;
    case LINECALLSTATE_CONFERENCED: Event = &OnConferenced; Name = "OnConferenced"; break;
    case LINECALLSTATE_ONHOLDPENDCONF: Event = &OnHoldPendConf; Name = "OnHoldPendConf"; break;
    case LINECALLSTATE_ONHOLDPENDTRANSFER: Event = &OnPendTransfer; Name = "OnPendTransfer"; break;
    case LINECALLSTATE_DISCONNECTED: Event = &OnDisconnected; Name = "OnDisconnected"; break;
    default: break;
    }
    if (Event != nullptr) FireNamedEvent(Name, *Event, this, Call);
}

void TTapiLine::Trigger_CallPrivilege(TTapiCall* Call, uint32_t Privilege)
{
    FireNamedEvent("OnCallPrivilege", OnCallPrivilege, this, Call, Privilege);
}

void TTapiLine::Trigger_CallInfo(TTapiCall* Call, uint32_t InfoState)
{
    FireNamedEvent("OnCallInfo", OnCallInfo, this, Call, InfoState);
    const struct {
        uint32_t Bit;
        TTapiCallEvent* Event;
        const char* Name;
    } PartyEvents[] = {
        {LINECALLINFOSTATE_CALLERID, &OnCallerID, "OnCallerID"},
        {LINECALLINFOSTATE_CALLEDID, &OnCalledID, "OnCalledID"},
        {LINECALLINFOSTATE_CONNECTEDID, &OnConnectedID, "OnConnectedID"},
        {LINECALLINFOSTATE_REDIRECTIONID, &OnRedirectionID, "OnRedirectionID"},
        {LINECALLINFOSTATE_REDIRECTINGID, &OnRedirectingID, "OnRedirectingID"},
    };
    for (const auto& [Bit, Event, Name] : PartyEvents) {
        if (Call->FFreePending) return;
        if (InfoState & Bit) FireNamedEvent(Name, *Event, this, Call);
    }
}

void TTapiLine::Trigger_IdleCall(TTapiCall* Call)
{
    FireNamedEvent("OnCallDeallocate", OnCallDeallocate, this, Call);
}

void TTapiLine::Trigger_NewCall(TTapiCall* Call)
{
    FireNamedEvent("OnNewCall", OnNewCall, this, Call);
}

void TTapiLine::Trigger_CallBegin(TTapiCall* Call)
{
    FireNamedEvent("OnCallBegin", OnCallBegin, this, Call);
}

void TTapiLine::Trigger_CallEnd(TTapiCall* Call)
{
    FireNamedEvent("OnCallEnd", OnCallEnd, this, Call);
}

} // namespace kxtapi
