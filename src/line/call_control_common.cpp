// TTapiLine: what every call-control operation shares: the checks, filing a
// request and waiting for it, and acting on its reply or its time-out.

#include "kxtapi/line/line.h"

#include "line/abandoned_requests.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/session/application.h"
#include "kxtapi/session/errors.h"

namespace kxtapi {

void TTapiLine::CheckLineActive() const
{
    if (!Get_Active()) throw Exception(Format("%s not active.", Get_Name()));
}

void TTapiLine::CheckCallListed(const TTapiCall* Call, const std::string& Msg) const
{
    if (!HasCall(Call)) throw Exception(Msg);
}

uint32_t TTapiLine::FileRequest(uint32_t Result, uint32_t Kind, TObject* Object0, TObject* Object1,
                                TObject* Object2)
{
    // Result 0 is an operation that completed at once: there is no reply to
    // file or wait for.
    if (static_cast<int32_t>(Result) > 0) {
        TListLock Lock(Requests, INFINITE);
        TTapiRequest* Request = Requests.AddRequest(static_cast<int32_t>(Result), Get_ReplyTimeout());
        Request->Kind = Kind;
        Request->Objects[0] = Object0;
        Request->Objects[1] = Object1;
        Request->Objects[2] = Object2;
    }
    return AwaitRequest(Result);
}

uint32_t TTapiLine::AwaitRequest(uint32_t Result)
{
    if (!Get_SyncMode() || static_cast<int32_t>(Result) <= 0) return CheckAsyncTapiResult(Result);
    // The wait may end on seeing the reply still queued; the reply is then
    // handled here, so that what it does (binding or freeing the new calls)
    // has happened when the operation returns or raises.
    try {
        const uint32_t Code = CheckAsyncTapiResult(Result);
        DispatchReply(Result);
        return Code;
    } catch (const ETapiError&) {
        DispatchReply(Result);
        // Still filed: the wait gave up (no reply in time). The program now
        // believes the request failed, so its reply must not bring it calls.
        bool Filed;
        {
            TListLock Lock(Requests, INFINITE);
            Filed = Requests.IndexOfID(static_cast<int32_t>(Result)) >= 0;
        }
        if (Filed) AbandonRequest(Result);
        throw;
    }
}

void TTapiLine::DispatchReply(uint32_t RequestID)
{
    auto Pending = [&] {
        TListLock Lock(Requests, INFINITE);
        return Requests.IndexOfID(static_cast<int32_t>(RequestID)) >= 0;
    };
    // Oldest first, so the messages before the reply keep their order.
    while (Pending() && TapiApplication->ProcessTapiMessage()) {
    }
}

void TTapiLine::Handle_Reply(uint32_t RequestID, uint32_t ReplyCode, TTapiRequest* Request)
{
    if (Request == nullptr) return;
    TEventScope Scope(*this);
    // The reply to a request whose SyncMode wait gave up: the calls it
    // created are ended, the others are handled as ever.
    if (FAbandoned->Take(RequestID)) EndAbandonedCalls(RequestID, DetachCreatedCalls(Request));
    if ((Request->Kind == lrkMakeCall || Request->Kind == lrkUnpark) && ReplyCode == 0) {
        if (auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[0]); Call != nullptr && !Call->FFreePending) {
            Call->Update_CallStatus();
            Call->Update_CallInfo();
            ProveCall(Call);
        }
    }
    for (int Slot = 2; Slot >= 0; --Slot) {
        auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[Slot]);
        if (Call == nullptr || Call->FFreePending) continue;
        FreeBadCall(Call);
        if (!Call->FFreePending) DeallocateIdleCall(Call);
    }
    if (ReplyCode != 0 && IsAutoDrop(Request))
        if (auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[0])) AutoDropFailed(Call, ReplyCode);
}

void TTapiLine::Handle_Timeout(uint32_t RequestID, TTapiRequest* Request)
{
    if (Request == nullptr) return;
    TEventScope Scope(*this);
    // The service may still carry the request out and write the new calls'
    // handles: their objects are kept, out of sight, until the reply comes.
    if (std::vector<TTapiCall*> Created = DetachCreatedCalls(Request); !Created.empty())
        NoteAbandoned(RequestID, Created);
    else
        FAbandoned->Take(RequestID);
    bool Freed[3] = {false, false, false};
    for (int Slot = 2; Slot >= 0; --Slot) {
        auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[Slot]);
        if (Call == nullptr || Call->FFreePending) continue;
        FreeBadCall(Call);
        Freed[Slot] = Call->FFreePending;
    }
    for (int Slot = 2; Slot >= 0; --Slot) {
        auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[Slot]);
        if (Call == nullptr || Freed[Slot] || Call->FFreePending) continue;
        DeallocateIdleCall(Call);
    }
    if (IsAutoDrop(Request))
        if (auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[0])) AutoDropFailed(Call, LINEERR_OPERATIONFAILED);
}

} // namespace kxtapi
