// TTapiLine: requests the program gave up on. When the reply of a request
// that creates calls comes after the program was told the request failed,
// the calls the service made for it are ended rather than handed to a
// program that believes there are none.

#include "kxtapi/line/line.h"

#include "line/abandoned_requests.h"

#include "kxtapi/tapi/line_functions.h"

namespace kxtapi {
namespace {

/// Bit n set: slot n of a request of Kind holds a call the request creates.
uint32_t CreatedSlots(uint32_t Kind)
{
    switch (Kind) {
    case lrkMakeCall:
    case lrkUnpark: return 0b001;
    case lrkSetupTransfer:
    case lrkPrepareAddToConference: return 0b010;
    case lrkCompleteTransfer: return 0b100;
    case lrkSetupConference: return 0b110;
    default: return 0;
    }
}

} // namespace

void TTapiLine::AbandonRequest(uint32_t RequestID)
{
    {
        TListLock Lock(Requests, INFINITE);
        const TTapiRequest* Request = Requests.GetRequest(static_cast<int32_t>(RequestID));
        if (Request == nullptr || CreatedSlots(Request->Kind) == 0) return;
    }
    NoteAbandoned(RequestID, {});
}

std::vector<TTapiCall*> TTapiLine::DetachCreatedCalls(TTapiRequest* Request)
{
    std::vector<TTapiCall*> Calls;
    const uint32_t Slots = CreatedSlots(Request->Kind);
    for (int Slot = 0; Slot < 3; ++Slot) {
        if ((Slots & (1u << Slot)) == 0) continue;
        auto* Call = dynamic_cast<TTapiCall*>(Request->Objects[Slot]);
        Request->Objects[Slot] = nullptr;
        if (Call == nullptr || Call->FFreePending) continue;
        // Out of both lists: the program no longer sees it, and messages for
        // its handle (once written) are not matched to it.
        RemoveCall(Call);
        Calls.push_back(Call);
    }
    return Calls;
}

void TTapiLine::NoteAbandoned(uint32_t RequestID, const std::vector<TTapiCall*>& Calls)
{
    if (auto Evicted = FAbandoned->Note(RequestID, Calls)) {
        // Too old to wait for: the call objects go (their handle slots are
        // no longer written).
        for (TTapiCall* Call : Evicted->Calls) FreeCall(Call);
    }
}

void TTapiLine::EndAbandonedCalls(uint32_t RequestID, const std::vector<TTapiCall*>& Calls)
{
    std::vector<TTapiCall*> Lingering;
    for (TTapiCall* Call : Calls) {
        const uint32_t hCall = Call->Get_Handle();
        if (hCall != 0) {
            // The last owner may not deallocate a call that is going on; the
            // drop normally makes it idle at once. Its reply, if any, is one
            // the program never asked for and is only reported.
            lineDrop(hCall, nullptr, 0);
            const uint32_t r = lineDeallocateCall(hCall);
            if (r != 0 && r != LINEERR_INVALCALLHANDLE) {
                Lingering.push_back(Call);
                continue;
            }
            Call->Set_Handle(0);
        }
        FreeCall(Call);
    }
    if (!Lingering.empty()) NoteAbandoned(RequestID, Lingering);
}

bool TTapiLine::AbandonedHandle(uint32_t hCall)
{
    if (FAbandoned->Empty()) return false;
    TTapiCall* Call = FAbandoned->FindByHandle(hCall);
    if (Call == nullptr) return false;
    // A message about the call: its drop may have completed by now.
    const uint32_t r = lineDeallocateCall(hCall);
    if (r == 0 || r == LINEERR_INVALCALLHANDLE) {
        FAbandoned->Forget(Call);
        Call->Set_Handle(0);
        FreeCall(Call);
    }
    return true;
}

void TTapiLine::ReleaseAbandoned() noexcept
{
    for (TTapiCall* Call : FAbandoned->TakeAll()) {
        if (FDestroying) delete Call;
        else FreeCall(Call);
    }
}

void TTapiLine::Handle_TapiReply(uint32_t RequestID, uint32_t ReplyCode)
{
    TEventScope Scope(*this);
    bool Filed;
    {
        TListLock Lock(Requests, INFINITE);
        Filed = RequestID != 0 && Requests.IndexOfID(static_cast<int32_t>(RequestID)) >= 0;
    }
    // Filed and given up on is Handle_Reply's business; expired, it is here.
    if (!Filed) {
        if (auto Entry = FAbandoned->Take(RequestID)) EndAbandonedCalls(RequestID, Entry->Calls);
    }
    TTapiDevice::Handle_TapiReply(RequestID, ReplyCode);
}

} // namespace kxtapi
