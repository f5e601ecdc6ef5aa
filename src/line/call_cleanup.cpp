// TTapiLine: the timed clean-up of disconnected and idle calls, and calls
// that failed requests leave behind.

#include "kxtapi/line/line.h"

#include "kxtapi/session/errors.h"
#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/tapi/line_functions.h"

namespace kxtapi {

void TTapiLine::FreeBadCall(TTapiCall* Call)
{
    if (Call == nullptr || Call->FFreePending) return;
    if (FUnboundCalls.IndexOf(Call) < 0 || Call->Valid() || Call->PendingRequest() != 0) return;
    FreeCall(Call);
}

void TTapiLine::AddCleanupTerm(TTapiCall* Call, uint32_t Kind, int32_t DelayMs)
{
    TListLock Lock(Terms, INFINITE);
    TTapiRequest* Term = Terms.AddRequest(Terms.GetUniqueID(), static_cast<uint32_t>(DelayMs));
    Term->Kind = Kind;
    Term->Objects[0] = Call;
}

void TTapiLine::DeallocateIdleCall(TTapiCall* Call)
{
    const int32_t Delay = FOptions->AutoFreeIdleCalls;
    if (Delay == -1 || !HasCall(Call) || CallStateOf(Call) != LINECALLSTATE_IDLE || Call->PendingRequest() != 0)
        return;
    AddCleanupTerm(Call, lrkFreeIdleCall, Delay);
}

void TTapiLine::DropDiscCall(TTapiCall* Call)
{
    const int32_t Delay = FOptions->AutoDropDiscCalls;
    if (Delay == -1 || !HasCall(Call) || CallStateOf(Call) != LINECALLSTATE_DISCONNECTED ||
        Call->PendingRequest() != 0)
        return;
    AddCleanupTerm(Call, lrkDrop, Delay);
}

void TTapiLine::TermReached(uint32_t /*RequestID*/, TTapiRequest* Request)
{
    if (Request == nullptr) return;
    TEventScope Scope(*this);
    auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[0]);
    if (Call == nullptr || !HasCall(Call)) return;
    if (Request->Kind == lrkDrop) {
        if (CallStateOf(Call) != LINECALLSTATE_DISCONNECTED) return;
        AutoDrop(Call);
    } else if (Request->Kind == lrkFreeIdleCall) {
        if (CallStateOf(Call) != LINECALLSTATE_IDLE || Call->PendingRequest() != 0) return;
        RemoveCall(Call);
        Trigger_IdleCall(Call);
        FreeCall(Call);
    }
}

// --- The automatic drop ------------------------------------------------------------

void TTapiLine::AutoDrop(TTapiCall* Call)
{
    // A call whose handle the program released itself stays as it is.
    if (!Call->Valid()) return;
    const uint32_t r = lineDrop(Call->Get_Handle(), nullptr, 0);
    if (static_cast<int32_t>(r) < 0) {
        AutoDropFailed(Call, r);
        return;
    }
    // Filed as Drop files it, with the line in slot 1 so that its reply or
    // time-out is known for the line's own (Handle_Reply, Handle_Timeout).
    try {
        FileRequest(r, lrkDrop, Call, this);
    } catch (const ETapiError&) {
        // SyncMode: the reply was handled already, or the expiry will be.
    }
}

bool TTapiLine::IsAutoDrop(const TTapiRequest* Request) const
{
    return Request->Kind == lrkDrop && Request->Objects[1] == this;
}

void TTapiLine::AutoDropFailed(TTapiCall* Call, uint32_t ErrorCode)
{
    if (Call->FFreePending || !HasCall(Call)) return;
    if (ErrorCode == LINEERR_INVALCALLHANDLE) {
        // The service has let the call go: nothing would ever free it.
        RemoveCall(Call);
        Trigger_IdleCall(Call);
        FreeCall(Call);
        return;
    }
    // Otherwise the call would stay DISCONNECTED for ever.
    DropDiscCall(Call);
}

} // namespace kxtapi
