// TTapiLine: matching the call handles the service reports to call objects,
// and adopting the calls the application does not know yet.

#include "kxtapi/line/line.h"

#include "kxtapi/session/events.h"
#include "kxtapi/tapi/line_functions.h"

#include <cstddef>

namespace kxtapi {

TTapiCall* TTapiLine::GetOrCreateCall(uint32_t hCall)
{
    if (hCall == 0) return nullptr;
    TListLock Lock(FCalls, INFINITE);
    if (TTapiCall* Call = FindListedCall(hCall)) return Call;
    // The service wrote the handle of a call whose creating request has not
    // been replied to yet.
    if (TTapiCall* Call = FUnboundCalls.ByHandle(hCall)) {
        ProveCall(Call);
        return Call;
    }
    // A call freed during the current events still holds its handle until
    // it is deleted; its messages are dropped rather than adopted again.
    for (TTapiCall* Freed : FDeferredCalls)
        if (Freed->Get_Handle() == hCall) return nullptr;
    // A call made by a request the program was told had failed.
    if (AbandonedHandle(hCall)) return nullptr;
    if (!CheckNewCall(hCall)) return nullptr;
    return new TTapiCall(this, hCall);
}

bool TTapiLine::CheckNewCall(uint32_t hCall)
{
    TVarBlock Status(TTapiCall::CallStatusSize);
    const uint32_t r = FetchVarBlock(Status, [&] { return lineGetCallStatus(hCall, Status.As<LINECALLSTATUS>()); });
    if (r != 0) return false;
    if (Status.Dword(offsetof(LINECALLSTATUS, dwCallState)) == LINECALLSTATE_IDLE) {
        lineDeallocateCall(hCall);
        return false;
    }
    return true;
}

TTapiCall* TTapiLine::Handle_AppNewCall(uint32_t hCall)
{
    if (hCall == 0) return nullptr;
    TEventScope Scope(*this);
    TTapiCall* Call = nullptr;
    {
        TListLock Lock(FCalls, INFINITE);
        Call = FindListedCall(hCall);
        if (Call != nullptr) return Call;
        for (TTapiCall* Freed : FDeferredCalls)
            if (Freed->Get_Handle() == hCall) return nullptr;
        if (AbandonedHandle(hCall)) return nullptr;
        if (!CheckNewCall(hCall)) return nullptr;
        Call = new TTapiCall(this, hCall);
    }
    Trigger_NewCall(Call);
    return Call->FFreePending ? nullptr : Call;
}

uint32_t TTapiLine::FetchCallList(TVarBlock& Block, uint32_t AddressID, uint32_t Select)
{
    const uint32_t r = FetchVarBlock(
        Block, [&] { return lineGetNewCalls(DeviceHandle, AddressID, Select, Block.As<LINECALLLIST>()); });
    if (r != 0) return r;
    const uint32_t Count = Block.Dword(offsetof(LINECALLLIST, dwCallsNumEntries));
    const uint32_t Offset = Block.Dword(offsetof(LINECALLLIST, dwCallsOffset));
    for (HCALL h : Block.Entries<HCALL>(Count, Offset))
        if (h != 0) GetOrCreateCall(h);
    return 0;
}

uint32_t TTapiLine::Update_LineCalls()
{
    return FetchCallList(FNewCalls, 0, LINECALLSELECT_LINE);
}

uint32_t TTapiLine::Update_AddressCalls(uint32_t AddressID)
{
    TVarBlock List(CallListSize);
    return FetchCallList(List, AddressID, LINECALLSELECT_ADDRESS);
}

uint32_t TTapiLine::Update_ConferenceCalls(TTapiCall* Call)
{
    if (Call == nullptr) return LINEERR_INVALCALLHANDLE;
    Call->FConferenceCalls.TList::Clear();
    TVarBlock List(CallListSize);
    const uint32_t hCall = Call->Get_Handle();
    const uint32_t r =
        FetchVarBlock(List, [&] { return lineGetConfRelatedCalls(hCall, List.As<LINECALLLIST>()); });
    if (r != 0) return r;
    const uint32_t Count = List.Dword(offsetof(LINECALLLIST, dwCallsNumEntries));
    const uint32_t Offset = List.Dword(offsetof(LINECALLLIST, dwCallsOffset));
    TTapiCallList Members;
    for (HCALL h : List.Entries<HCALL>(Count, Offset))
        if (TTapiCall* Member = GetOrCreateCall(h)) Members.Add(Member);
    for (int i = 0; i < Members.Count(); ++i) Members.Get(i)->FConferenceCalls.Assign(Members);
    return 0;
}

} // namespace kxtapi
