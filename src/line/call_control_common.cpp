// TTapiLine: what every call-control operation shares: the checks, and
// acting on a request's reply or its time-out (filing and waiting are the
// device base's).

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
