// TTapiRequest and TTapiRequestList.

#include "kxtapi/session/requests.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/rtl/tick.h"

namespace kxtapi {
namespace {

void CheckSlot(int Index)
{
    if (Index < 0 || Index > 2) throw Exception(Format("Request object index %d out of range", Index));
}

} // namespace

TTapiRequest::TTapiRequest(int32_t AID, uint32_t ATimeout)
    : ID(AID), Timeout(ATimeout), StartTick(GetTickCount())
{
}

TObject* TTapiRequest::Get_Object(int Index) const
{
    CheckSlot(Index);
    return Objects[Index];
}

void TTapiRequest::Set_Object(int Index, TObject* Value)
{
    CheckSlot(Index);
    Objects[Index] = Value;
}

bool TTapiRequest::Expired(uint32_t Tick) const noexcept
{
    // StartTick after Tick would read as a wrapped, enormous age.
    if (static_cast<int32_t>(Tick - StartTick) < 0) return false;
    return Timeout != 0 && TickElapsed(StartTick, Timeout, Tick);
}

TTapiRequestList::~TTapiRequestList()
{
    RemoveAllRequests(nullptr);
}

int32_t TTapiRequestList::GetUniqueID() const
{
    // Restarting the scan whenever the candidate is taken finds the smallest
    // free identifier whatever order the requests are in.
    int32_t Candidate = 1;
    for (int i = 0; i < Count();) {
        if (Get_Items(i)->ID == Candidate) {
            ++Candidate;
            i = 0;
        } else {
            ++i;
        }
    }
    return Candidate;
}

TTapiRequest* TTapiRequestList::AddRequest()
{
    return AddRequest(GetUniqueID());
}

TTapiRequest* TTapiRequestList::AddRequest(int32_t ID)
{
    return AddRequest(ID, DefaultTimeout);
}

TTapiRequest* TTapiRequestList::AddRequest(int32_t ID, uint32_t Timeout)
{
    if (ID <= 0) ID = GetUniqueID();
    auto* Request = new TTapiRequest(ID, Timeout);
    try {
        TList::Add(Request);
    } catch (...) {
        delete Request;
        throw;
    }
    return Request;
}

int TTapiRequestList::IndexOfRequest(int32_t ID, uint32_t Kind, const TObject* Obj) const
{
    for (int i = 0; i < Count(); ++i) {
        const TTapiRequest* r = Get_Items(i);
        if (ID != 0 && r->ID != ID) continue;
        if (Kind != 0 && r->Kind != Kind) continue;
        if (Obj != nullptr && r->Objects[0] != Obj) continue;
        return i;
    }
    return -1;
}

TTapiRequest* TTapiRequestList::GetRequest(int32_t ID) const
{
    const int i = IndexOfRequest(ID, 0, nullptr);
    return i >= 0 ? Get_Items(i) : nullptr;
}

int TTapiRequestList::IndexOfID(int32_t ID) const
{
    for (int i = 0; i < Count(); ++i)
        if (Get_Items(i)->ID == ID) return i;
    return -1;
}

TTapiRequest* TTapiRequestList::Extract(int Index)
{
    TTapiRequest* r = Get_Items(Index);
    TList::Delete(Index);
    return r;
}

void TTapiRequestList::DeleteRequest(int Index)
{
    delete Extract(Index);
}

void TTapiRequestList::RemoveAllRequests(const TObject* Obj)
{
    for (int i = Count() - 1; i >= 0; --i) {
        if (i >= Count()) continue;
        if (Obj == nullptr || Get_Items(i)->Objects[0] == Obj) DeleteRequest(i);
    }
}

void TTapiRequestList::Clear()
{
    RemoveAllRequests(nullptr);
}

} // namespace kxtapi
