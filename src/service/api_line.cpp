// Line devices: capabilities, opening and closing, status, related devices.

#include "service/api_common.h"
#include "service/block_layouts.h"
#include "service/dialogs.h"

#include <cstring>
#include <pwd.h>
#include <unistd.h>

namespace kxtapi::service {

namespace {

// Checks that every line function taking a usage and a device makes.
uint32_t CheckDeviceCall(TService& s, uint32_t App, uint32_t DeviceID, uint32_t APIVersion, uint32_t ExtVersion,
                         TProviderLine*& Device)
{
    if (!s.LineUsage(App)) return LINEERR_INVALAPPHANDLE;
    if (uint32_t r = s.CheckLineDevice(DeviceID)) return r;
    Device = s.LineDevice(DeviceID);
    if (!ValidAPIVersion(Device->APIVersions(), APIVersion)) return LINEERR_INCOMPATIBLEAPIVERSION;
    if (!ValidExtVersion(Device->ExtVersions(), ExtVersion)) return LINEERR_INCOMPATIBLEEXTVERSION;
    return 0;
}

std::string UserName()
{
    if (const passwd* p = getpwuid(getuid())) return p->pw_name;
    return {};
}

// The first device whose media and bearer modes suit the parameters.
uint32_t MapLine(TService& s, const TCallParamsData& Params, uint32_t APIVersion, uint32_t& DeviceID)
{
    for (uint32_t i = 0; i < s.LineSlots.size(); ++i) {
        TProviderLine* d = s.LineDevice(i);
        if (!d || !ValidAPIVersion(d->APIVersions(), APIVersion)) continue;
        TLineCapsData c;
        if (d->GetDevCaps(APIVersion, 0, c)) continue;
        if ((c.Fixed.dwMediaModes & Params.MediaMode) && (c.Fixed.dwBearerModes & Params.BearerMode)) {
            DeviceID = i;
            return 0;
        }
    }
    return LINEERR_LINEMAPPERFAILED;
}

}  // namespace

}  // namespace kxtapi::service

using namespace kxtapi::service;

extern "C" {

uint32_t lineGetDevCapsA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                         LPLINEDEVCAPS lpLineDevCaps)
{
    TServiceLock Lock;
    TService& s = Service();
    TProviderLine* d = nullptr;
    if (uint32_t r = CheckDeviceCall(s, hLineApp, dwDeviceID, dwAPIVersion, dwExtVersion, d)) return r;
    if (!lpLineDevCaps) return LINEERR_INVALPOINTER;
    if (!FitsFixed(lpLineDevCaps, sizeof(LINEDEVCAPS))) return LINEERR_STRUCTURETOOSMALL;
    TLineCapsData c;
    if (uint32_t r = d->GetDevCaps(dwAPIVersion, dwExtVersion, c)) return r;
    Deliver(LineCapsImage(c), lpLineDevCaps, c.Hostile);
    return 0;
}

uint32_t lineGetAddressCapsA(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID, DWORD dwAPIVersion,
                             DWORD dwExtVersion, LPLINEADDRESSCAPS lpAddressCaps)
{
    TServiceLock Lock;
    TService& s = Service();
    TProviderLine* d = nullptr;
    if (uint32_t r = CheckDeviceCall(s, hLineApp, dwDeviceID, dwAPIVersion, dwExtVersion, d)) return r;
    if (dwAddressID >= d->NumAddresses()) return LINEERR_INVALADDRESSID;
    if (!lpAddressCaps) return LINEERR_INVALPOINTER;
    if (!FitsFixed(lpAddressCaps, sizeof(LINEADDRESSCAPS))) return LINEERR_STRUCTURETOOSMALL;
    TAddressCapsData c;
    if (uint32_t r = d->GetAddressCaps(dwAddressID, dwAPIVersion, dwExtVersion, c)) return r;
    Deliver(AddressCapsImage(c), lpAddressCaps, c.Hostile);
    return 0;
}

uint32_t lineOpenA(HLINEAPP hLineApp, DWORD dwDeviceID, LPHLINE lphLine, DWORD dwAPIVersion, DWORD dwExtVersion,
                   DWORD dwCallbackInstance, DWORD dwPrivileges, DWORD dwMediaModes,
                   const LINECALLPARAMS* lpCallParams)
{
    TServiceLock Lock;
    TService& s = Service();
    TUsage* u = s.LineUsage(hLineApp);
    if (!u) return LINEERR_INVALAPPHANDLE;
    if (!lphLine) return LINEERR_INVALPOINTER;
    TCallParamsData Params;
    if (!ReadCallParams(lpCallParams, Params)) return LINEERR_INVALCALLPARAMS;
    if (dwDeviceID == LINEMAPPER)
        if (uint32_t r = MapLine(s, Params, dwAPIVersion, dwDeviceID)) return r;
    if (uint32_t r = s.CheckLineDevice(dwDeviceID)) return r;
    TProviderLine* d = s.LineDevice(dwDeviceID);
    if (!ValidAPIVersion(d->APIVersions(), dwAPIVersion)) return LINEERR_INCOMPATIBLEAPIVERSION;
    if (!ValidExtVersion(d->ExtVersions(), dwExtVersion)) return LINEERR_INCOMPATIBLEEXTVERSION;

    // The option bits of later versions are accepted and have no effect.
    uint32_t Privileges = dwPrivileges & ~(LINEOPENOPTION_SINGLEADDRESS | LINEOPENOPTION_PROXY);
    constexpr uint32_t Both = LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER;
    if (Privileges != LINECALLPRIVILEGE_NONE && (Privileges == 0 || (Privileges & ~Both)))
        return LINEERR_INVALPRIVSELECT;
    if (Privileges & LINECALLPRIVILEGE_OWNER) {
        TLineCapsData c;
        if (uint32_t r = d->GetDevCaps(dwAPIVersion, dwExtVersion, c)) return r;
        uint32_t Allowed = c.Fixed.dwMediaModes | LINEMEDIAMODE_UNKNOWN;
        if (dwMediaModes == 0 || (dwMediaModes & ~Allowed)) return LINEERR_INVALMEDIAMODE;
    }

    TLineSlot& Slot = s.LineSlots[dwDeviceID];
    if (Slot.Opens.empty())
        if (uint32_t r = d->Open()) return r;
    uint32_t h = s.NewHandle();
    TLineOpen& o = s.LineOpens[h];
    o.Handle = h;
    o.Usage = hLineApp;
    o.DeviceID = dwDeviceID;
    o.Instance = dwCallbackInstance;
    o.Privileges = Privileges;
    o.MediaModes = (Privileges & LINECALLPRIVILEGE_OWNER) ? dwMediaModes : 0;
    o.APIVersion = dwAPIVersion;
    o.ExtVersion = dwExtVersion;
    s.LineDevState(d, LINEDEVSTATE_OPEN, 0, 0);   // to the opens already there
    Slot.Opens.push_back(h);
    *lphLine = h;
    return 0;
}

uint32_t lineClose(HLINE hLine)
{
    TServiceLock Lock;
    TService& s = Service();
    if (!s.LineOpen(hLine)) return LINEERR_INVALLINEHANDLE;
    s.CloseLineOpen(hLine, false);
    return 0;
}

uint32_t lineSetStatusMessages(HLINE hLine, DWORD dwLineStates, DWORD dwAddressStates)
{
    TServiceLock Lock;
    TService& s = Service();
    TLineOpen* o = s.LineOpen(hLine);
    if (!o) return LINEERR_INVALLINEHANDLE;
    TProviderLine* d = s.LineDevice(o->DeviceID);
    if (!d) return LINEERR_NODEVICE;
    TLineCapsData c;
    if (uint32_t r = d->GetDevCaps(o->APIVersion, o->ExtVersion, c)) return r;
    if (dwLineStates & ~c.Fixed.dwLineStates) return LINEERR_INVALLINESTATE;
    uint32_t AddressStates = 0;
    for (uint32_t a = 0; a < d->NumAddresses(); ++a) {
        TAddressCapsData ac;
        if (d->GetAddressCaps(a, o->APIVersion, o->ExtVersion, ac) == 0) AddressStates |= ac.Fixed.dwAddressStates;
    }
    if (dwAddressStates & ~AddressStates) return LINEERR_INVALADDRESSSTATE;
    o->LineStates = dwLineStates;
    o->AddressStates = dwAddressStates;
    return 0;
}

uint32_t lineGetStatusMessages(HLINE hLine, LPDWORD lpdwLineStates, LPDWORD lpdwAddressStates)
{
    TServiceLock Lock;
    TLineOpen* o = Service().LineOpen(hLine);
    if (!o) return LINEERR_INVALLINEHANDLE;
    if (!lpdwLineStates || !lpdwAddressStates) return LINEERR_INVALPOINTER;
    *lpdwLineStates = o->LineStates;
    *lpdwAddressStates = o->AddressStates;
    return 0;
}

uint32_t lineGetLineDevStatusA(HLINE hLine, LPLINEDEVSTATUS lpLineDevStatus)
{
    TServiceLock Lock;
    TService& s = Service();
    TLineOpen* o = s.LineOpen(hLine);
    if (!o) return LINEERR_INVALLINEHANDLE;
    if (!lpLineDevStatus) return LINEERR_INVALPOINTER;
    if (!FitsFixed(lpLineDevStatus, sizeof(LINEDEVSTATUS))) return LINEERR_STRUCTURETOOSMALL;
    TProviderLine* d = s.LineDevice(o->DeviceID);
    if (!d) return LINEERR_NODEVICE;
    TLineStatusData st;
    if (uint32_t r = d->GetDevStatus(st)) return r;
    std::vector<TAppInfo> Apps;
    uint32_t OpenModes = 0;
    const std::string User = UserName();
    for (uint32_t h : s.LineSlots[o->DeviceID].Opens) {
        TLineOpen* p = s.LineOpen(h);
        if (!p) continue;
        OpenModes |= p->MediaModes;
        auto u = s.Usages.find(p->Usage);
        if (u != s.Usages.end()) Apps.push_back(TAppInfo{User, u->second->ModuleName, u->second->FriendlyName, p->MediaModes});
    }
    st.Fixed.dwNumOpens = static_cast<uint32_t>(Apps.size());
    st.Fixed.dwOpenMediaModes = OpenModes;
    Deliver(LineStatusImage(st, Apps), lpLineDevStatus, st.Hostile);
    return 0;
}

uint32_t lineGetAddressStatusA(HLINE hLine, DWORD dwAddressID, LPLINEADDRESSSTATUS lpAddressStatus)
{
    TServiceLock Lock;
    TService& s = Service();
    TLineOpen* o = s.LineOpen(hLine);
    if (!o) return LINEERR_INVALLINEHANDLE;
    TProviderLine* d = s.LineDevice(o->DeviceID);
    if (!d) return LINEERR_NODEVICE;
    if (dwAddressID >= d->NumAddresses()) return LINEERR_INVALADDRESSID;
    if (!lpAddressStatus) return LINEERR_INVALPOINTER;
    if (!FitsFixed(lpAddressStatus, sizeof(LINEADDRESSSTATUS))) return LINEERR_STRUCTURETOOSMALL;
    TAddressStatusData st;
    if (uint32_t r = d->GetAddressStatus(dwAddressID, st)) return r;
    Deliver(AddressStatusImage(st), lpAddressStatus, st.Hostile);
    return 0;
}

uint32_t lineGetIconA(DWORD dwDeviceID, LPCSTR lpszDeviceClass, LPHICON lphIcon)
{
    if (!lphIcon) return LINEERR_INVALPOINTER;
    TServiceLock Lock;
    TService& s = Service();
    if (uint32_t r = s.CheckLineDevice(dwDeviceID)) return r;
    HICON Icon = 0;
    if (uint32_t r = s.LineDevice(dwDeviceID)->GetIcon(Str(lpszDeviceClass), Icon)) return r;
    *lphIcon = Icon;
    return 0;
}

uint32_t lineConfigDialogA(DWORD dwDeviceID, HWND hwndOwner, LPCSTR lpszDeviceClass)
{
    {
        TServiceLock Lock;
        if (uint32_t r = Service().CheckLineDevice(dwDeviceID)) return r;
    }
    return ShowDialog(kxtapi::tdkLineConfig, dwDeviceID, hwndOwner, Str(lpszDeviceClass), LINEERR_OPERATIONUNAVAIL);
}

uint32_t lineGetIDA(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, LPVARSTRING lpDeviceID,
                    LPCSTR lpszDeviceClass)
{
    TServiceLock Lock;
    TService& s = Service();
    TProviderLine* d = nullptr;
    TProviderCall* Call = nullptr;
    switch (dwSelect) {
    case LINECALLSELECT_LINE:
    case LINECALLSELECT_ADDRESS: {
        TLineOpen* o = s.LineOpen(hLine);
        if (!o) return LINEERR_INVALLINEHANDLE;
        d = s.LineDevice(o->DeviceID);
        if (!d) return LINEERR_NODEVICE;
        if (dwSelect == LINECALLSELECT_ADDRESS && dwAddressID >= d->NumAddresses()) return LINEERR_INVALADDRESSID;
        break;
    }
    case LINECALLSELECT_CALL: {
        TCallHandle* c = s.CallHandle(hCall);
        if (!c) return LINEERR_INVALCALLHANDLE;
        Call = c->Call;
        d = Call->Line();
        break;
    }
    default:
        return LINEERR_INVALCALLSELECT;
    }
    if (!lpDeviceID || !lpszDeviceClass) return LINEERR_INVALPOINTER;
    if (!FitsFixed(lpDeviceID, sizeof(VARSTRING))) return LINEERR_STRUCTURETOOSMALL;
    TDeviceIDData ID;
    if (uint32_t r = d->GetID(dwSelect, dwAddressID, Call, lpszDeviceClass, ID)) return r;
    TBlockImage Image = VarStringImage(ID.Format, ID.Bytes.data(), static_cast<uint32_t>(ID.Bytes.size()));
    // A handle that does not reach the application would never be closed.
    if (ID.Handle && BlockTotalSize(lpDeviceID) < Image.NeededSize()) kxtapi::CloseHandle(ID.Handle);
    Deliver(Image, lpDeviceID);
    return 0;
}

}  // extern "C"
