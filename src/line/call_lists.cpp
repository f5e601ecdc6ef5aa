// TTapiLine: the two call lists, and the index that finds a listed call by
// its handle without walking Calls.

#include "kxtapi/line/line.h"

#include "line/abandoned_requests.h"

namespace kxtapi {

bool TTapiLine::HasCall(const TTapiCall* Call) const
{
    return Call != nullptr && FListed.count(Call) != 0;
}

void TTapiLine::IndexCall(TTapiCall* Call)
{
    const uint32_t h = Call->Get_Handle();
    if (h != 0) FByHandle.emplace(h, Call);   // an earlier call of that handle stays first
}

void TTapiLine::UnindexCall(TTapiCall* Call, uint32_t Handle)
{
    if (Handle == 0) return;
    auto It = FByHandle.find(Handle);
    if (It == FByHandle.end() || It->second != Call) return;
    FByHandle.erase(It);
    // Another listed call with the same handle (rare: the service reuses
    // none) becomes the one found.
    for (int i = 0; i < FCalls.Count(); ++i) {
        TTapiCall* Other = FCalls.Get(i);
        if (Other != Call && Other->Get_Handle() == Handle) {
            FByHandle.emplace(Handle, Other);
            return;
        }
    }
}

void TTapiLine::CallHandleChanged(TTapiCall* Call, uint32_t OldHandle)
{
    if (!HasCall(Call)) return;
    UnindexCall(Call, OldHandle);
    IndexCall(Call);
}

TTapiCall* TTapiLine::FindListedCall(uint32_t hCall)
{
    if (hCall == 0) return nullptr;
    auto It = FByHandle.find(hCall);
    if (It != FByHandle.end()) {
        if (It->second->Get_Handle() == hCall) return It->second;
        // A handle changed behind the index's back: rebuild it.
        FByHandle.clear();
        for (int i = 0; i < FCalls.Count(); ++i) IndexCall(FCalls.Get(i));
        It = FByHandle.find(hCall);
        return It != FByHandle.end() ? It->second : nullptr;
    }
    return nullptr;
}

void TTapiLine::AddCall(TTapiCall* Call)
{
    if (Call == nullptr || Call->FFreePending) return;
    if (Call->Valid()) {
        if (HasCall(Call)) return;
        FCalls.TList::Add(Call);
        FListed.insert(Call);
        IndexCall(Call);
    } else {
        FUnboundCalls.Add(Call);
    }
}

void TTapiLine::RemoveCall(TTapiCall* Call)
{
    if (Call == nullptr) return;
    {
        TListLock Lock(Requests, INFINITE);
        Requests.RemoveAllRequests(Call);
        // Requests of other calls may name this one as the call they create
        // or join; their replies must not reach it.
        for (int i = 0; i < Requests.Count(); ++i)
            for (TObject*& Object : Requests.Get_Items(i)->Objects)
                if (Object == Call) Object = nullptr;
    }
    {
        TListLock Lock(Terms, INFINITE);
        Terms.RemoveAllRequests(Call);
    }
    if (HasCall(Call)) {
        FListed.erase(Call);
        UnindexCall(Call, Call->Get_Handle());
        // The index may hold the call under a handle it no longer has.
        for (auto It = FByHandle.begin(); It != FByHandle.end();) {
            if (It->second == Call) It = FByHandle.erase(It);
            else ++It;
        }
        FCalls.Remove(Call);
    }
    FUnboundCalls.Remove(Call);
    FAbandoned->Forget(Call);
    PurgeReferences(Call);
}

void TTapiLine::PurgeReferences(TTapiCall* Call) noexcept
{
    // No other call may keep a freed call as conference member or
    // consultation call.
    for (TTapiCallList* List : {&FCalls, &FUnboundCalls}) {
        for (int i = 0; i < List->Count(); ++i) {
            TTapiCall* Other = List->Get(i);
            if (Other == Call) continue;
            Other->FConferenceCalls.Remove(Call);
            if (Other->FConsultCall == Call) Other->FConsultCall = nullptr;
        }
    }
    for (TTapiCall* Other : FDeferredCalls) {
        if (Other == Call) continue;
        Other->FConferenceCalls.Remove(Call);
        if (Other->FConsultCall == Call) Other->FConsultCall = nullptr;
    }
}

bool TTapiLine::ProveCall(TTapiCall* Call)
{
    if (Call != nullptr) {
        if (Call->FFreePending) return false;
        if (Call->Valid()) {
            FUnboundCalls.Remove(Call);
            AddCall(Call);
        } else {
            if (HasCall(Call)) {
                FListed.erase(Call);
                for (auto It = FByHandle.begin(); It != FByHandle.end();) {
                    if (It->second == Call) It = FByHandle.erase(It);
                    else ++It;
                }
                FCalls.Remove(Call);
            }
            FUnboundCalls.Add(Call);
        }
        return HasCall(Call);
    }
    for (int i = 0; i < FCalls.Count();) {
        TTapiCall* c = FCalls.Get(i);
        if (c->Valid()) {
            ++i;
            continue;
        }
        ProveCall(c);
    }
    for (int i = 0; i < FUnboundCalls.Count();) {
        TTapiCall* c = FUnboundCalls.Get(i);
        if (!c->Valid()) {
            ++i;
            continue;
        }
        ProveCall(c);
    }
    return false;
}

} // namespace kxtapi
