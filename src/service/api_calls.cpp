// Calls: their information, handles and privileges, and every call-control
// operation.

#include "service/api_common.h"
#include "service/block_layouts.h"

#include <algorithm>
#include <cctype>

namespace kxtapi::service {

namespace {

constexpr uint32_t MonitorFeatures =
    LINECALLFEATURE_MONITORDIGITS | LINECALLFEATURE_MONITORMEDIA | LINECALLFEATURE_MONITORTONES;

// An asynchronous operation on a call the caller owns: the request is filed
// before the provider sees it, so that the provider may complete it at once
// (through Defer); a refused request leaves nothing behind.
template <typename TOp>
uint32_t CallRequest(HCALL hCall, TOp&& Op)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c = s.CallHandle(hCall);
    if (!c) return LINEERR_INVALCALLHANDLE;
    if (c->Privilege != LINECALLPRIVILEGE_OWNER) return LINEERR_NOTOWNER;
    TLineOpen* o = s.LineOpen(c->Line);
    if (!o) return LINEERR_INVALCALLHANDLE;
    TPendingRequest& r = s.AddRequest(c->Usage, false, c->Line, o->Instance);
    uint32_t ID = r.ID;
    uint32_t Result = Op(s, *c, *o, r);
    if (Result) {
        s.DropRequest(ID);
        return Result;
    }
    return ID;
}

// Gives the caller a handle, held until the reply, for a call its request
// creates, and arranges for it to be written to Target.
void AdoptNewCall(TService& s, TLineOpen& Open, TPendingRequest& r, const std::shared_ptr<TProviderCall>& Call,
                  LPHCALL Target)
{
    TCallRecord& Rec = s.RecordFor(Call);
    if (auto u = s.Usages.find(Open.Usage); u != s.Usages.end() && Rec.AppName.empty())
        Rec.AppName = u->second->FriendlyName;
    TCallHandle& h = s.CreateCallHandle(Open, Rec, LINECALLPRIVILEGE_OWNER, true);
    r.NewCalls.push_back(h.Handle);
    s.AddHandleWriteBack(r, Target, h.Handle);
}

// The owner's handle of another call given to an operation (the held call
// of a swap, a consultation call): it must be the same application's.
TProviderCall* OwnedPeer(TService& s, const TCallHandle& c, HCALL hOther)
{
    TCallHandle* o = s.CallHandle(hOther);
    if (!o || o->Usage != c.Usage) return nullptr;
    return o->Privilege == LINECALLPRIVILEGE_OWNER ? o->Call : nullptr;
}

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

}  // namespace kxtapi::service

using namespace kxtapi::service;

extern "C" {

// --- Information, handles and privileges ------------------------------------

uint32_t lineGetCallInfoA(HCALL hCall, LPLINECALLINFO lpCallInfo)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c = s.CallHandle(hCall);
    if (!c) return LINEERR_INVALCALLHANDLE;
    if (!lpCallInfo) return LINEERR_INVALPOINTER;
    if (!FitsFixed(lpCallInfo, sizeof(LINECALLINFO))) return LINEERR_STRUCTURETOOSMALL;
    TCallInfoData i;
    c->Call->GetInfo(i);
    TCallRecord* Rec = s.Record(c->Call);
    i.Fixed.hLine = c->Line;
    if (Rec) {
        i.Fixed.dwLineDeviceID = Rec->DeviceID;
        i.Fixed.dwNumOwners = s.OwnerCount(*Rec);
        i.Fixed.dwNumMonitors = s.MonitorCount(*Rec);
        if (i.AppName.empty()) i.AppName = Rec->AppName;
    }
    i.Fixed.dwMonitorDigitModes = c->Media.DigitModes;
    i.Fixed.dwMonitorMediaModes = c->Media.MediaModes;
    Deliver(CallInfoImage(i), lpCallInfo, i.Hostile);
    return 0;
}

uint32_t lineGetCallStatus(HCALL hCall, LPLINECALLSTATUS lpCallStatus)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c = s.CallHandle(hCall);
    if (!c) return LINEERR_INVALCALLHANDLE;
    if (!lpCallStatus) return LINEERR_INVALPOINTER;
    if (!FitsFixed(lpCallStatus, sizeof(LINECALLSTATUS))) return LINEERR_STRUCTURETOOSMALL;
    TCallStatusData st;
    c->Call->GetStatus(st);
    st.Fixed.dwCallPrivilege = c->Privilege;
    if (c->Privilege != LINECALLPRIVILEGE_OWNER) {
        st.Fixed.dwCallFeatures &= MonitorFeatures;
        st.Fixed.dwCallFeatures2 = 0;
    }
    Deliver(CallStatusImage(st), lpCallStatus, st.Hostile);
    return 0;
}

uint32_t lineGetNewCalls(HLINE hLine, DWORD dwAddressID, DWORD dwSelect, LPLINECALLLIST lpCallList)
{
    TServiceLock Lock;
    TService& s = Service();
    TLineOpen* o = s.LineOpen(hLine);
    if (!o) return LINEERR_INVALLINEHANDLE;
    TProviderLine* d = s.LineDevice(o->DeviceID);
    if (!d) return LINEERR_NODEVICE;
    if (dwSelect != LINECALLSELECT_LINE && dwSelect != LINECALLSELECT_ADDRESS) return LINEERR_INVALCALLSELECT;
    if (dwSelect == LINECALLSELECT_ADDRESS && dwAddressID >= d->NumAddresses()) return LINEERR_INVALADDRESSID;
    if (!lpCallList) return LINEERR_INVALPOINTER;
    if (!FitsFixed(lpCallList, sizeof(LINECALLLIST))) return LINEERR_STRUCTURETOOSMALL;
    if (uint32_t r = s.FailCall("lineGetNewCalls")) return r;
    std::vector<std::shared_ptr<TProviderCall>> New;
    for (const auto& Call : d->Calls(dwSelect, dwAddressID))
        if (Call->State() != LINECALLSTATE_IDLE && !s.HandleOf(Call.get(), hLine)) New.push_back(Call);
    // Handles are made only when the list can carry them; otherwise the
    // application asks again with a larger block and still finds them new.
    std::vector<uint32_t> Placeholder(New.size(), 0);
    if (BlockTotalSize(lpCallList) < CallListImage(Placeholder).NeededSize()) {
        Deliver(CallListImage(Placeholder), lpCallList);
        return 0;
    }
    std::vector<uint32_t> Handles;
    for (const auto& Call : New) {
        TCallRecord& Rec = s.RecordFor(Call);
        Rec.Announced = true;   // an existing call is not news to the other opens
        TCallHandle& h = s.CreateCallHandle(*o, Rec, LINECALLPRIVILEGE_MONITOR, false);
        h.ReportPrivilege = false;   // the application learns it from the status
        Handles.push_back(h.Handle);
        s.NotifyOwnership(Rec, h.Handle, LINECALLINFOSTATE_NUMMONITORS);
    }
    Deliver(CallListImage(Handles), lpCallList, s.Hostile("lineGetNewCalls"));
    return 0;
}

uint32_t lineGetConfRelatedCalls(HCALL hCall, LPLINECALLLIST lpCallList)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c = s.CallHandle(hCall);
    if (!c) return LINEERR_INVALCALLHANDLE;
    if (!lpCallList) return LINEERR_INVALPOINTER;
    if (!FitsFixed(lpCallList, sizeof(LINECALLLIST))) return LINEERR_STRUCTURETOOSMALL;
    std::vector<TProviderCall*> Calls = c->Call->ConferenceCalls();
    if (Calls.empty()) return LINEERR_NOCONFERENCE;
    TLineOpen* o = s.LineOpen(c->Line);
    std::vector<uint32_t> Placeholder(Calls.size(), 0);
    if (BlockTotalSize(lpCallList) < CallListImage(Placeholder).NeededSize()) {
        Deliver(CallListImage(Placeholder), lpCallList);
        return 0;
    }
    std::vector<uint32_t> Handles;
    for (TProviderCall* Call : Calls) {
        uint32_t h = s.HandleOf(Call, c->Line);
        if (!h && o) {
            // Members the application has no handle for yet are given to it
            // to monitor, as lineGetNewCalls would.
            auto It = s.CallRecords.find(Call);
            if (It == s.CallRecords.end()) continue;
            TCallHandle& n = s.CreateCallHandle(*o, It->second, LINECALLPRIVILEGE_MONITOR, false);
            n.ReportPrivilege = false;
            h = n.Handle;
        }
        Handles.push_back(h);
    }
    Deliver(CallListImage(Handles), lpCallList);
    return 0;
}

uint32_t lineDeallocateCall(HCALL hCall)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c = s.CallHandle(hCall);
    if (!c) return LINEERR_INVALCALLHANDLE;
    TCallRecord* Rec = s.Record(c->Call);
    // The last owner may not walk away from a call that is still going on.
    if (c->Privilege == LINECALLPRIVILEGE_OWNER && Rec && s.OwnerCount(*Rec) == 1 &&
        c->Call->State() != LINECALLSTATE_IDLE)
        return LINEERR_INVALCALLSTATE;
    s.DestroyCallHandle(hCall, true);
    return 0;
}

uint32_t lineSetCallPrivilege(HCALL hCall, DWORD dwCallPrivilege)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c = s.CallHandle(hCall);
    if (!c) return LINEERR_INVALCALLHANDLE;
    if (dwCallPrivilege != LINECALLPRIVILEGE_OWNER && dwCallPrivilege != LINECALLPRIVILEGE_MONITOR)
        return LINEERR_INVALCALLPRIVILEGE;
    if (c->Privilege == dwCallPrivilege) return 0;
    TCallRecord* Rec = s.Record(c->Call);
    if (dwCallPrivilege == LINECALLPRIVILEGE_OWNER && c->Call->State() == LINECALLSTATE_IDLE)
        return LINEERR_INVALCALLSTATE;
    c->Privilege = dwCallPrivilege;
    if (Rec)
        s.NotifyOwnership(*Rec, hCall,
                          dwCallPrivilege == LINECALLPRIVILEGE_OWNER ? LINECALLINFOSTATE_NUMOWNERINCR
                                                                     : LINECALLINFOSTATE_NUMOWNERDECR);
    return 0;
}

uint32_t lineSetMediaMode(HCALL hCall, DWORD dwMediaModes)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c = s.CallHandle(hCall);
    if (!c) return LINEERR_INVALCALLHANDLE;
    constexpr uint32_t Valid = 0xFFFE;   // LINEMEDIAMODE_UNKNOWN .. _VIDEO
    if (dwMediaModes == 0 || (dwMediaModes & ~Valid)) return LINEERR_INVALMEDIAMODE;
    return c->Call->SetMediaMode(dwMediaModes);
}

uint32_t lineHandoffA(HCALL hCall, LPCSTR lpszFileName, DWORD dwMediaMode)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c = s.CallHandle(hCall);
    if (!c) return LINEERR_INVALCALLHANDLE;
    if (c->Privilege != LINECALLPRIVILEGE_OWNER) return LINEERR_NOTOWNER;
    TCallRecord* Rec = s.Record(c->Call);
    if (!Rec || Rec->DeviceID >= s.LineSlots.size()) return LINEERR_INVALCALLHANDLE;
    std::string Name = lpszFileName ? ModuleBaseName(lpszFileName) : std::string();
    if (Name.empty() && (dwMediaMode == 0 || (dwMediaMode & (dwMediaMode - 1)))) return LINEERR_INVALMEDIAMODE;

    // Candidate opens of the call's line that may own calls: by program name,
    // or by media mode with the priority list first.
    TLineOpen* Target = nullptr;
    bool SelfMatches = false;
    auto Matches = [&](const TLineOpen& o) {
        auto u = s.Usages.find(o.Usage);
        if (u == s.Usages.end() || !(o.Privileges & LINECALLPRIVILEGE_OWNER)) return false;
        if (!Name.empty())
            return SameText(ModuleBaseName(u->second->FriendlyName), Name) || SameText(u->second->ModuleName, Name);
        return (o.MediaModes & dwMediaMode) != 0;
    };
    std::vector<uint32_t> Opens = s.LineSlots[Rec->DeviceID].Opens;
    if (Name.empty()) {
        // Programs named in the priority list for the media mode come first.
        std::stable_sort(Opens.begin(), Opens.end(), [&](uint32_t a, uint32_t b) {
            auto Rank = [&](uint32_t h) {
                TLineOpen* o = s.LineOpen(h);
                auto u = o ? s.Usages.find(o->Usage) : s.Usages.end();
                if (u == s.Usages.end()) return size_t(-1);
                for (size_t i = 0; i < s.Priorities.size(); ++i)
                    if ((s.Priorities[i].MediaMode & dwMediaMode) && s.Priorities[i].Module == u->second->ModuleName)
                        return i;
                return s.Priorities.size();
            };
            return Rank(a) < Rank(b);
        });
    }
    for (uint32_t h : Opens) {
        TLineOpen* o = s.LineOpen(h);
        if (!o || !Matches(*o)) continue;
        if (o->Usage == c->Usage) {
            SelfMatches = true;
            continue;
        }
        Target = o;
        break;
    }
    if (!Target) return SelfMatches ? LINEERR_TARGETSELF : LINEERR_TARGETNOTFOUND;

    TCallStatusData st;
    c->Call->GetStatus(st);
    uint32_t hTarget = s.HandleOf(c->Call, Target->Handle);
    TCallHandle* t;
    if (hTarget) {
        t = &s.CallHandles[hTarget];
        t->Privilege = LINECALLPRIVILEGE_OWNER;
    } else {
        t = &s.CreateCallHandle(*Target, *Rec, LINECALLPRIVILEGE_OWNER, false);
        s.PostLine(*Target, LINE_APPNEWCALL, c->Call->AddressID(), t->Handle, LINECALLPRIVILEGE_OWNER);
    }
    t->ReportPrivilege = false;
    s.PostCall(*t, LINE_CALLSTATE, st.Fixed.dwCallState, st.Fixed.dwCallStateMode, LINECALLPRIVILEGE_OWNER);
    s.NotifyOwnership(*Rec, t->Handle, LINECALLINFOSTATE_NUMOWNERINCR);
    return 0;
}

// --- Making calls ---------------------------------------------------------------

uint32_t lineMakeCallA(HLINE hLine, LPHCALL lphCall, LPCSTR lpszDestAddress, DWORD dwCountryCode,
                       const LINECALLPARAMS* lpCallParams)
{
    TServiceLock Lock;
    TService& s = Service();
    TLineOpen* o = s.LineOpen(hLine);
    if (!o) return LINEERR_INVALLINEHANDLE;
    TProviderLine* d = s.LineDevice(o->DeviceID);
    if (!d) return LINEERR_NODEVICE;
    if (!lphCall) return LINEERR_INVALPOINTER;
    TCallParamsData Params;
    if (!ReadCallParams(lpCallParams, Params)) return LINEERR_INVALCALLPARAMS;
    uint32_t AddressID = 0;
    if (Params.AddressMode == LINEADDRESSMODE_ADDRESSID) {
        AddressID = Params.AddressID;
        if (AddressID >= d->NumAddresses()) return LINEERR_INVALADDRESSID;
    } else if (Params.AddressMode == LINEADDRESSMODE_DIALABLEADDR) {
        // The address whose own number is the originating address.
        for (uint32_t a = 0; a < d->NumAddresses(); ++a) {
            TAddressCapsData ac;
            if (d->GetAddressCaps(a, o->APIVersion, o->ExtVersion, ac) == 0 && ac.Address == Params.OrigAddress) {
                AddressID = a;
                break;
            }
        }
    } else {
        return LINEERR_INVALADDRESSMODE;
    }
    TPendingRequest& r = s.AddRequest(o->Usage, false, hLine, o->Instance);
    uint32_t ID = r.ID;
    std::shared_ptr<TProviderCall> Call;
    uint32_t Result = d->MakeCall(ID, AddressID, Str(lpszDestAddress), dwCountryCode, Params, Call);
    if (Result == 0 && !Call) Result = LINEERR_OPERATIONFAILED;
    if (Result) {
        s.DropRequest(ID);
        return Result;
    }
    AdoptNewCall(s, *o, r, Call, lphCall);
    return ID;
}

uint32_t lineUnparkA(HLINE hLine, DWORD dwAddressID, LPHCALL lphCall, LPCSTR lpszDestAddress)
{
    TServiceLock Lock;
    TService& s = Service();
    TLineOpen* o = s.LineOpen(hLine);
    if (!o) return LINEERR_INVALLINEHANDLE;
    TProviderLine* d = s.LineDevice(o->DeviceID);
    if (!d) return LINEERR_NODEVICE;
    if (dwAddressID >= d->NumAddresses()) return LINEERR_INVALADDRESSID;
    if (!lphCall || !lpszDestAddress) return LINEERR_INVALPOINTER;
    TPendingRequest& r = s.AddRequest(o->Usage, false, hLine, o->Instance);
    uint32_t ID = r.ID;
    std::shared_ptr<TProviderCall> Call;
    uint32_t Result = d->Unpark(ID, dwAddressID, lpszDestAddress, Call);
    if (Result == 0 && !Call) Result = LINEERR_OPERATIONFAILED;
    if (Result) {
        s.DropRequest(ID);
        return Result;
    }
    AdoptNewCall(s, *o, r, Call, lphCall);
    return ID;
}

uint32_t lineSetupConferenceA(HCALL hCall, HLINE hLine, LPHCALL lphConfCall, LPHCALL lphConsultCall,
                              DWORD dwNumParties, const LINECALLPARAMS* lpCallParams)
{
    TServiceLock Lock;
    TService& s = Service();
    TCallHandle* c = nullptr;
    TLineOpen* o = nullptr;
    if (hCall) {
        c = s.CallHandle(hCall);
        if (!c) return LINEERR_INVALCALLHANDLE;
        if (c->Privilege != LINECALLPRIVILEGE_OWNER) return LINEERR_NOTOWNER;
        o = s.LineOpen(c->Line);
    } else {
        o = s.LineOpen(hLine);
        if (!o) return LINEERR_INVALLINEHANDLE;
    }
    if (!o) return LINEERR_INVALLINEHANDLE;
    TProviderLine* d = s.LineDevice(o->DeviceID);
    if (!d) return LINEERR_NODEVICE;
    if (!lphConfCall || !lphConsultCall) return LINEERR_INVALPOINTER;
    TCallParamsData Params;
    if (!ReadCallParams(lpCallParams, Params)) return LINEERR_INVALCALLPARAMS;
    TPendingRequest& r = s.AddRequest(o->Usage, false, o->Handle, o->Instance);
    uint32_t ID = r.ID;
    std::shared_ptr<TProviderCall> Conf, Consult;
    uint32_t AddressID = c ? c->Call->AddressID() : Params.AddressID;
    uint32_t Result =
        d->SetupConference(ID, c ? c->Call : nullptr, AddressID, dwNumParties, Params, Conf, Consult);
    if (Result == 0 && (!Conf || !Consult)) Result = LINEERR_OPERATIONFAILED;
    if (Result) {
        s.DropRequest(ID);
        return Result;
    }
    AdoptNewCall(s, *o, r, Conf, lphConfCall);
    AdoptNewCall(s, *o, r, Consult, lphConsultCall);
    return ID;
}

// --- Operations on a call ---------------------------------------------------------

uint32_t lineAccept(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize)
{
    if (!lpsUserUserInfo && dwSize) return LINEERR_INVALPOINTER;
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->Accept(r.ID, Bytes(lpsUserUserInfo, dwSize));
    });
}

uint32_t lineAnswer(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize)
{
    if (!lpsUserUserInfo && dwSize) return LINEERR_INVALPOINTER;
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->Answer(r.ID, Bytes(lpsUserUserInfo, dwSize));
    });
}

uint32_t lineDrop(HCALL hCall, LPCSTR lpsUserUserInfo, DWORD dwSize)
{
    if (!lpsUserUserInfo && dwSize) return LINEERR_INVALPOINTER;
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->Drop(r.ID, Bytes(lpsUserUserInfo, dwSize));
    });
}

uint32_t lineDialA(HCALL hCall, LPCSTR lpszDestAddress, DWORD dwCountryCode)
{
    if (!lpszDestAddress) return LINEERR_INVALPOINTER;
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->Dial(r.ID, lpszDestAddress, dwCountryCode);
    });
}

uint32_t lineHold(HCALL hCall)
{
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->Hold(r.ID);
    });
}

uint32_t lineUnhold(HCALL hCall)
{
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->Unhold(r.ID);
    });
}

uint32_t lineSwapHold(HCALL hActiveCall, HCALL hHeldCall)
{
    return CallRequest(hActiveCall, [&](TService& s, TCallHandle& c, TLineOpen&, TPendingRequest& r) -> uint32_t {
        if (!s.CallHandle(hHeldCall) || hHeldCall == hActiveCall) return LINEERR_INVALCALLHANDLE;
        TProviderCall* Held = OwnedPeer(s, c, hHeldCall);
        if (!Held) return LINEERR_NOTOWNER;
        return c.Call->SwapHold(r.ID, Held);
    });
}

uint32_t lineBlindTransferA(HCALL hCall, LPCSTR lpszDestAddress, DWORD dwCountryCode)
{
    if (!lpszDestAddress) return LINEERR_INVALPOINTER;
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->BlindTransfer(r.ID, lpszDestAddress, dwCountryCode);
    });
}

uint32_t lineRedirectA(HCALL hCall, LPCSTR lpszDestAddress, DWORD dwCountryCode)
{
    if (!lpszDestAddress) return LINEERR_INVALPOINTER;
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->Redirect(r.ID, lpszDestAddress, dwCountryCode);
    });
}

uint32_t lineSetupTransferA(HCALL hCall, LPHCALL lphConsultCall, const LINECALLPARAMS* lpCallParams)
{
    if (!lphConsultCall) return LINEERR_INVALPOINTER;
    TCallParamsData Params;
    if (!ReadCallParams(lpCallParams, Params)) return LINEERR_INVALCALLPARAMS;
    return CallRequest(hCall, [&](TService& s, TCallHandle& c, TLineOpen& o, TPendingRequest& r) -> uint32_t {
        std::shared_ptr<TProviderCall> Consult;
        uint32_t Result = c.Call->SetupTransfer(r.ID, Params, Consult);
        if (Result) return Result;
        if (!Consult) return LINEERR_OPERATIONFAILED;
        AdoptNewCall(s, o, r, Consult, lphConsultCall);
        return 0;
    });
}

uint32_t lineCompleteTransfer(HCALL hCall, HCALL hConsultCall, LPHCALL lphConfCall, DWORD dwTransferMode)
{
    if (dwTransferMode != LINETRANSFERMODE_TRANSFER && dwTransferMode != LINETRANSFERMODE_CONFERENCE)
        return LINEERR_INVALTRANSFERMODE;
    if (dwTransferMode == LINETRANSFERMODE_CONFERENCE && !lphConfCall) return LINEERR_INVALPOINTER;
    return CallRequest(hCall, [&](TService& s, TCallHandle& c, TLineOpen& o, TPendingRequest& r) -> uint32_t {
        if (!s.CallHandle(hConsultCall) || hConsultCall == hCall) return LINEERR_INVALCONSULTCALLHANDLE;
        TProviderCall* Consult = OwnedPeer(s, c, hConsultCall);
        if (!Consult) return LINEERR_NOTOWNER;
        std::shared_ptr<TProviderCall> Conf;
        uint32_t Result = c.Call->CompleteTransfer(r.ID, Consult, dwTransferMode, Conf);
        if (Result) return Result;
        if (dwTransferMode == LINETRANSFERMODE_CONFERENCE) {
            if (!Conf) return LINEERR_OPERATIONFAILED;
            AdoptNewCall(s, o, r, Conf, lphConfCall);
        }
        return 0;
    });
}

uint32_t linePrepareAddToConferenceA(HCALL hConfCall, LPHCALL lphConsultCall, const LINECALLPARAMS* lpCallParams)
{
    if (!lphConsultCall) return LINEERR_INVALPOINTER;
    TCallParamsData Params;
    if (!ReadCallParams(lpCallParams, Params)) return LINEERR_INVALCALLPARAMS;
    {
        TServiceLock Lock;
        if (!Service().CallHandle(hConfCall)) return LINEERR_INVALCONFCALLHANDLE;
    }
    return CallRequest(hConfCall, [&](TService& s, TCallHandle& c, TLineOpen& o, TPendingRequest& r) -> uint32_t {
        std::shared_ptr<TProviderCall> Consult;
        uint32_t Result = c.Call->PrepareAddToConference(r.ID, Params, Consult);
        if (Result) return Result;
        if (!Consult) return LINEERR_OPERATIONFAILED;
        AdoptNewCall(s, o, r, Consult, lphConsultCall);
        return 0;
    });
}

uint32_t lineAddToConference(HCALL hConfCall, HCALL hConsultCall)
{
    {
        TServiceLock Lock;
        if (!Service().CallHandle(hConfCall)) return LINEERR_INVALCONFCALLHANDLE;
    }
    return CallRequest(hConfCall, [&](TService& s, TCallHandle& c, TLineOpen&, TPendingRequest& r) -> uint32_t {
        if (!s.CallHandle(hConsultCall) || hConsultCall == hConfCall) return LINEERR_INVALCONSULTCALLHANDLE;
        TProviderCall* Consult = OwnedPeer(s, c, hConsultCall);
        if (!Consult) return LINEERR_NOTOWNER;
        return c.Call->AddToConference(r.ID, Consult);
    });
}

uint32_t lineParkA(HCALL hCall, DWORD dwParkMode, LPCSTR lpszDirAddress, LPVARSTRING lpNonDirAddress)
{
    if (dwParkMode == LINEPARKMODE_DIRECTED) {
        if (!lpszDirAddress) return LINEERR_INVALPOINTER;
    } else if (dwParkMode == LINEPARKMODE_NONDIRECTED) {
        if (!lpNonDirAddress) return LINEERR_INVALPOINTER;
        if (!FitsFixed(lpNonDirAddress, sizeof(VARSTRING))) return LINEERR_STRUCTURETOOSMALL;
    } else {
        return LINEERR_INVALPARKMODE;
    }
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) -> uint32_t {
        uint32_t Result = c.Call->Park(r.ID, dwParkMode, Str(lpszDirAddress));
        if (Result == 0 && dwParkMode == LINEPARKMODE_NONDIRECTED) {
            r.ParkTarget = lpNonDirAddress;
            r.ParkTotalSize = BlockTotalSize(lpNonDirAddress);
        }
        return Result;
    });
}

// --- Sound files (kxtapi/tapi/media_files.h) ----------------------------------------

DWORD kxtapiPlayWaveFile(HCALL hCall, LPCSTR lpszFileName, DWORD dwFlags)
{
    if (!lpszFileName) return LINEERR_INVALPOINTER;
    if (!*lpszFileName) return LINEERR_INVALPARAM;
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->MediaFile(r.ID, mfPlay, lpszFileName, dwFlags);
    });
}

DWORD kxtapiStopWaveFile(HCALL hCall)
{
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->MediaFile(r.ID, mfStopPlaying, {}, 0);
    });
}

DWORD kxtapiRecordWaveFile(HCALL hCall, LPCSTR lpszFileName)
{
    if (!lpszFileName) return LINEERR_INVALPOINTER;
    if (!*lpszFileName) return LINEERR_INVALPARAM;
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->MediaFile(r.ID, mfRecord, lpszFileName, 0);
    });
}

DWORD kxtapiStopRecording(HCALL hCall)
{
    return CallRequest(hCall, [&](TService&, TCallHandle& c, TLineOpen&, TPendingRequest& r) {
        return c.Call->MediaFile(r.ID, mfStopRecording, {}, 0);
    });
}

}  // extern "C"
