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
    FireEvent(OnCallState, this, Call, CallState);
    if (Call->FFreePending) return;
    const TTapiCallEvent* Event = nullptr;
    switch (CallState) {
    case LINECALLSTATE_IDLE: Event = &OnIdle; break;
    case LINECALLSTATE_OFFERING: Event = &OnOffering; break;
    case LINECALLSTATE_ACCEPTED: Event = &OnAccepted; break;
    case LINECALLSTATE_DIALTONE: Event = &OnDialtone; break;
    case LINECALLSTATE_DIALING: Event = &OnDialing; break;
    case LINECALLSTATE_RINGBACK: Event = &OnRingback; break;
    case LINECALLSTATE_BUSY: Event = &OnBusy; break;
    case LINECALLSTATE_SPECIALINFO: Event = &OnSpecialInfo; break;
    case LINECALLSTATE_CONNECTED: Event = &OnConnected; break;
    case LINECALLSTATE_PROCEEDING: Event = &OnProceeding; break;
    case LINECALLSTATE_ONHOLD: Event = &OnHold; break;
    case LINECALLSTATE_CONFERENCED: Event = &OnConferenced; break;
    case LINECALLSTATE_ONHOLDPENDCONF: Event = &OnHoldPendConf; break;
    case LINECALLSTATE_ONHOLDPENDTRANSFER: Event = &OnPendTransfer; break;
    case LINECALLSTATE_DISCONNECTED: Event = &OnDisconnected; break;
    default: break;
    }
    if (Event != nullptr) FireEvent(*Event, this, Call);
}

void TTapiLine::Trigger_CallPrivilege(TTapiCall* Call, uint32_t Privilege)
{
    FireEvent(OnCallPrivilege, this, Call, Privilege);
}

void TTapiLine::Trigger_CallInfo(TTapiCall* Call, uint32_t InfoState)
{
    FireEvent(OnCallInfo, this, Call, InfoState);
    const std::pair<uint32_t, TTapiCallEvent*> PartyEvents[] = {
        {LINECALLINFOSTATE_CALLERID, &OnCallerID},
        {LINECALLINFOSTATE_CALLEDID, &OnCalledID},
        {LINECALLINFOSTATE_CONNECTEDID, &OnConnectedID},
        {LINECALLINFOSTATE_REDIRECTIONID, &OnRedirectionID},
        {LINECALLINFOSTATE_REDIRECTINGID, &OnRedirectingID},
    };
    for (const auto& [Bit, Event] : PartyEvents) {
        if (Call->FFreePending) return;
        if (InfoState & Bit) FireEvent(*Event, this, Call);
    }
}

void TTapiLine::Trigger_IdleCall(TTapiCall* Call)
{
    FireEvent(OnCallDeallocate, this, Call);
}

void TTapiLine::Trigger_NewCall(TTapiCall* Call)
{
    FireEvent(OnNewCall, this, Call);
}

void TTapiLine::Trigger_CallBegin(TTapiCall* Call)
{
    FireEvent(OnCallBegin, this, Call);
}

void TTapiLine::Trigger_CallEnd(TTapiCall* Call)
{
    FireEvent(OnCallEnd, this, Call);
}

} // namespace kxtapi
