// Phone devices: capabilities, opening and closing, status and the
// asynchronous settings of display, ringer, lamps, hook switches, gain and
// volume.

#include "service/api_common.h"
#include "service/block_layouts.h"
#include "service/dialogs.h"

#include <cstring>

namespace kxtapi::service {

namespace {

uint32_t CheckDeviceCall(TService& s, uint32_t App, uint32_t DeviceID, uint32_t APIVersion, uint32_t ExtVersion,
                         TProviderPhone*& Device)
{
    if (!s.PhoneUsage(App)) return PHONEERR_INVALAPPHANDLE;
    if (uint32_t r = s.CheckPhoneDevice(DeviceID)) return r;
    Device = s.PhoneDevice(DeviceID);
    if (!ValidAPIVersion(Device->APIVersions(), APIVersion)) return PHONEERR_INCOMPATIBLEAPIVERSION;
    if (!ValidExtVersion(Device->ExtVersions(), ExtVersion)) return PHONEERR_INCOMPATIBLEEXTVERSION;
    return 0;
}

uint32_t OpenedDevice(TService& s, uint32_t hPhone, TPhoneOpen*& Open, TProviderPhone*& Device)
{
    Open = s.PhoneOpen(hPhone);
    if (!Open) return PHONEERR_INVALPHONEHANDLE;
    Device = s.PhoneDevice(Open->DeviceID);
    return Device ? 0 : PHONEERR_NODEVICE;
}

uint32_t CountOpens(TService& s, uint32_t DeviceID, uint32_t Privilege)
{
    uint32_t n = 0;
    for (uint32_t h : s.PhoneSlots[DeviceID].Opens)
        if (TPhoneOpen* o = s.PhoneOpen(h); o && o->Privilege == Privilege) ++n;
    return n;
}

// An asynchronous setting, which needs owner privilege.
template <typename TOp>
uint32_t PhoneRequest(HPHONE hPhone, TOp&& Op)
{
    TServiceLock Lock;
    TService& s = Service();
    TPhoneOpen* o;
    TProviderPhone* d;
    if (uint32_t r = OpenedDevice(s, hPhone, o, d)) return r;
    if (o->Privilege != PHONEPRIVILEGE_OWNER) return PHONEERR_NOTOWNER;
    TPendingRequest& r = s.AddRequest(o->Usage, true, hPhone, o->Instance);
    uint32_t ID = r.ID;
    uint32_t Result = Op(*d, ID);
    if (Result) {
        s.DropRequest(ID);
        return Result;
    }
    return ID;
}

}  // namespace

}  // namespace kxtapi::service

using namespace kxtapi::service;

extern "C" {

uint32_t phoneGetDevCapsA(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                          LPPHONECAPS lpPhoneCaps)
{
    TServiceLock Lock;
    TService& s = Service();
    TProviderPhone* d = nullptr;
    if (uint32_t r = CheckDeviceCall(s, hPhoneApp, dwDeviceID, dwAPIVersion, dwExtVersion, d)) return r;
    if (!lpPhoneCaps) return PHONEERR_INVALPOINTER;
    if (!FitsFixed(lpPhoneCaps, sizeof(PHONECAPS))) return PHONEERR_STRUCTURETOOSMALL;
    TPhoneCapsData c;
    if (uint32_t r = d->GetDevCaps(dwAPIVersion, dwExtVersion, c)) return r;
    Deliver(PhoneCapsImage(c), lpPhoneCaps, c.Hostile);
    return 0;
}

uint32_t phoneOpen(HPHONEAPP hPhoneApp, DWORD dwDeviceID, LPHPHONE lphPhone, DWORD dwAPIVersion,
                   DWORD dwExtVersion, DWORD dwCallbackInstance, DWORD dwPrivilege)
{
    TServiceLock Lock;
    TService& s = Service();
    TProviderPhone* d = nullptr;
    if (uint32_t r = CheckDeviceCall(s, hPhoneApp, dwDeviceID, dwAPIVersion, dwExtVersion, d)) return r;
    if (!lphPhone) return PHONEERR_INVALPOINTER;
    if (dwPrivilege != PHONEPRIVILEGE_OWNER && dwPrivilege != PHONEPRIVILEGE_MONITOR)
        return PHONEERR_INVALPRIVILEGE;
    TPhoneSlot& Slot = s.PhoneSlots[dwDeviceID];
    if (Slot.Opens.empty())
        if (uint32_t r = d->Open()) return r;
    uint32_t h = s.NewHandle();
    TPhoneOpen& o = s.PhoneOpens[h];
    o.Handle = h;
    o.Usage = hPhoneApp;
    o.DeviceID = dwDeviceID;
    o.Instance = dwCallbackInstance;
    o.Privilege = dwPrivilege;
    o.APIVersion = dwAPIVersion;
    o.ExtVersion = dwExtVersion;
    uint32_t Count = CountOpens(s, dwDeviceID, dwPrivilege) + 1;
    s.PhoneState(d, dwPrivilege == PHONEPRIVILEGE_OWNER ? PHONESTATE_OWNER : PHONESTATE_MONITORS, Count, 0);
    Slot.Opens.push_back(h);
    *lphPhone = h;
    return 0;
}

uint32_t phoneClose(HPHONE hPhone)
{
    TServiceLock Lock;
    TService& s = Service();
    if (!s.PhoneOpen(hPhone)) return PHONEERR_INVALPHONEHANDLE;
    s.ClosePhoneOpen(hPhone, false);
    return 0;
}

uint32_t phoneSetStatusMessages(HPHONE hPhone, DWORD dwPhoneStates, DWORD dwButtonModes, DWORD dwButtonStates)
{
    TServiceLock Lock;
    TService& s = Service();
    TPhoneOpen* o;
    TProviderPhone* d;
    if (uint32_t r = OpenedDevice(s, hPhone, o, d)) return r;
    TPhoneCapsData c;
    if (uint32_t r = d->GetDevCaps(o->APIVersion, o->ExtVersion, c)) return r;
    if (dwPhoneStates & ~c.Fixed.dwPhoneStates) return PHONEERR_INVALPHONESTATE;
    if (dwButtonModes & ~0x3Fu) return PHONEERR_INVALBUTTONMODE;
    if ((dwButtonStates & ~0xFu) || (dwButtonModes && !dwButtonStates)) return PHONEERR_INVALBUTTONSTATE;
    o->PhoneStates = dwPhoneStates;
    o->ButtonModes = dwButtonModes;
    o->ButtonStates = dwButtonModes ? dwButtonStates : 0;
    return 0;
}

uint32_t phoneGetStatusMessages(HPHONE hPhone, LPDWORD lpdwPhoneStates, LPDWORD lpdwButtonModes,
                                LPDWORD lpdwButtonStates)
{
    TServiceLock Lock;
    TPhoneOpen* o = Service().PhoneOpen(hPhone);
    if (!o) return PHONEERR_INVALPHONEHANDLE;
    if (!lpdwPhoneStates || !lpdwButtonModes || !lpdwButtonStates) return PHONEERR_INVALPOINTER;
    *lpdwPhoneStates = o->PhoneStates;
    *lpdwButtonModes = o->ButtonModes;
    *lpdwButtonStates = o->ButtonStates;
    return 0;
}

uint32_t phoneGetStatusA(HPHONE hPhone, LPPHONESTATUS lpPhoneStatus)
{
    TServiceLock Lock;
    TService& s = Service();
    TPhoneOpen* o;
    TProviderPhone* d;
    if (uint32_t r = OpenedDevice(s, hPhone, o, d)) return r;
    if (!lpPhoneStatus) return PHONEERR_INVALPOINTER;
    if (!FitsFixed(lpPhoneStatus, sizeof(PHONESTATUS))) return PHONEERR_STRUCTURETOOSMALL;
    TPhoneStatusData st;
    if (uint32_t r = d->GetStatus(st)) return r;
    st.Fixed.dwNumOwners = CountOpens(s, o->DeviceID, PHONEPRIVILEGE_OWNER);
    st.Fixed.dwNumMonitors = CountOpens(s, o->DeviceID, PHONEPRIVILEGE_MONITOR);
    std::string Owner;
    for (uint32_t h : s.PhoneSlots[o->DeviceID].Opens) {
        TPhoneOpen* p = s.PhoneOpen(h);
        if (!p || p->Privilege != PHONEPRIVILEGE_OWNER) continue;
        if (auto u = s.Usages.find(p->Usage); u != s.Usages.end()) Owner = u->second->FriendlyName;
        break;
    }
    Deliver(PhoneStatusImage(st, Owner), lpPhoneStatus, st.Hostile);
    return 0;
}

uint32_t phoneGetIconA(DWORD dwDeviceID, LPCSTR lpszDeviceClass, LPHICON lphIcon)
{
    if (!lphIcon) return PHONEERR_INVALPOINTER;
    TServiceLock Lock;
    TService& s = Service();
    if (uint32_t r = s.CheckPhoneDevice(dwDeviceID)) return r;
    HICON Icon = 0;
    if (uint32_t r = s.PhoneDevice(dwDeviceID)->GetIcon(Str(lpszDeviceClass), Icon)) return r;
    *lphIcon = Icon;
    return 0;
}

uint32_t phoneConfigDialogA(DWORD dwDeviceID, HWND hwndOwner, LPCSTR lpszDeviceClass)
{
    {
        TServiceLock Lock;
        if (uint32_t r = Service().CheckPhoneDevice(dwDeviceID)) return r;
    }
    return ShowDialog(kxtapi::tdkPhoneConfig, dwDeviceID, hwndOwner, Str(lpszDeviceClass),
                      PHONEERR_OPERATIONUNAVAIL);
}

uint32_t phoneGetIDA(HPHONE hPhone, LPVARSTRING lpDeviceID, LPCSTR lpszDeviceClass)
{
    TServiceLock Lock;
    TService& s = Service();
    TPhoneOpen* o;
    TProviderPhone* d;
    if (uint32_t r = OpenedDevice(s, hPhone, o, d)) return r;
    if (!lpDeviceID || !lpszDeviceClass) return PHONEERR_INVALPOINTER;
    if (!FitsFixed(lpDeviceID, sizeof(VARSTRING))) return PHONEERR_STRUCTURETOOSMALL;
    TDeviceIDData ID;
    if (uint32_t r = d->GetID(lpszDeviceClass, ID)) return r;
    TBlockImage Image = VarStringImage(ID.Format, ID.Bytes.data(), static_cast<uint32_t>(ID.Bytes.size()));
    if (ID.Handle && BlockTotalSize(lpDeviceID) < Image.NeededSize()) kxtapi::CloseHandle(ID.Handle);
    Deliver(Image, lpDeviceID);
    return 0;
}

uint32_t phoneGetDisplay(HPHONE hPhone, LPVARSTRING lpDisplay)
{
    TServiceLock Lock;
    TService& s = Service();
    TPhoneOpen* o;
    TProviderPhone* d;
    if (uint32_t r = OpenedDevice(s, hPhone, o, d)) return r;
    if (!lpDisplay) return PHONEERR_INVALPOINTER;
    if (!FitsFixed(lpDisplay, sizeof(VARSTRING))) return PHONEERR_STRUCTURETOOSMALL;
    std::string Text;
    if (uint32_t r = d->GetDisplay(Text)) return r;
    Deliver(VarStringImage(STRINGFORMAT_ASCII, Text.c_str(), static_cast<uint32_t>(Text.size() + 1)), lpDisplay);
    return 0;
}

uint32_t phoneGetLamp(HPHONE hPhone, DWORD dwButtonLampID, LPDWORD lpdwLampMode)
{
    TServiceLock Lock;
    TService& s = Service();
    TPhoneOpen* o;
    TProviderPhone* d;
    if (uint32_t r = OpenedDevice(s, hPhone, o, d)) return r;
    if (!lpdwLampMode) return PHONEERR_INVALPOINTER;
    uint32_t Mode = 0;
    if (uint32_t r = d->GetLamp(dwButtonLampID, Mode)) return r;
    *lpdwLampMode = Mode;
    return 0;
}

uint32_t phoneGetButtonInfoA(HPHONE hPhone, DWORD dwButtonLampID, LPPHONEBUTTONINFO lpButtonInfo)
{
    TServiceLock Lock;
    TService& s = Service();
    TPhoneOpen* o;
    TProviderPhone* d;
    if (uint32_t r = OpenedDevice(s, hPhone, o, d)) return r;
    if (!lpButtonInfo) return PHONEERR_INVALPOINTER;
    if (!FitsFixed(lpButtonInfo, sizeof(PHONEBUTTONINFO))) return PHONEERR_STRUCTURETOOSMALL;
    TButtonInfoData b;
    if (uint32_t r = d->GetButtonInfo(dwButtonLampID, b)) return r;
    Deliver(ButtonInfoImage(b), lpButtonInfo, b.Hostile);
    return 0;
}

uint32_t phoneSetDisplay(HPHONE hPhone, DWORD dwRow, DWORD dwColumn, LPCSTR lpsDisplay, DWORD dwSize)
{
    if (!lpsDisplay && dwSize) return PHONEERR_INVALPOINTER;
    std::string Text = lpsDisplay ? std::string(lpsDisplay, strnlen(lpsDisplay, dwSize)) : std::string();
    return PhoneRequest(hPhone, [&](TProviderPhone& d, uint32_t ID) { return d.SetDisplay(ID, dwRow, dwColumn, Text); });
}

uint32_t phoneSetRing(HPHONE hPhone, DWORD dwRingMode, DWORD dwVolume)
{
    if (dwVolume > 0xFFFF) return PHONEERR_INVALPARAM;
    return PhoneRequest(hPhone, [&](TProviderPhone& d, uint32_t ID) { return d.SetRing(ID, dwRingMode, dwVolume); });
}

uint32_t phoneSetLamp(HPHONE hPhone, DWORD dwButtonLampID, DWORD dwLampMode)
{
    return PhoneRequest(hPhone,
                        [&](TProviderPhone& d, uint32_t ID) { return d.SetLamp(ID, dwButtonLampID, dwLampMode); });
}

uint32_t phoneSetHookSwitch(HPHONE hPhone, DWORD dwHookSwitchDevs, DWORD dwHookSwitchMode)
{
    constexpr uint32_t Devs = PHONEHOOKSWITCHDEV_HANDSET | PHONEHOOKSWITCHDEV_SPEAKER | PHONEHOOKSWITCHDEV_HEADSET;
    if (!dwHookSwitchDevs || (dwHookSwitchDevs & ~Devs)) return PHONEERR_INVALHOOKSWITCHDEV;
    if (dwHookSwitchMode != PHONEHOOKSWITCHMODE_ONHOOK && dwHookSwitchMode != PHONEHOOKSWITCHMODE_MIC &&
        dwHookSwitchMode != PHONEHOOKSWITCHMODE_SPEAKER && dwHookSwitchMode != PHONEHOOKSWITCHMODE_MICSPEAKER)
        return PHONEERR_INVALHOOKSWITCHMODE;
    return PhoneRequest(hPhone, [&](TProviderPhone& d, uint32_t ID) {
        return d.SetHookSwitch(ID, dwHookSwitchDevs, dwHookSwitchMode);
    });
}

uint32_t phoneSetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwGain)
{
    if (dwHookSwitchDev != PHONEHOOKSWITCHDEV_HANDSET && dwHookSwitchDev != PHONEHOOKSWITCHDEV_SPEAKER &&
        dwHookSwitchDev != PHONEHOOKSWITCHDEV_HEADSET)
        return PHONEERR_INVALHOOKSWITCHDEV;
    if (dwGain > 0xFFFF) return PHONEERR_INVALPARAM;
    return PhoneRequest(hPhone, [&](TProviderPhone& d, uint32_t ID) { return d.SetGain(ID, dwHookSwitchDev, dwGain); });
}

uint32_t phoneSetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwVolume)
{
    if (dwHookSwitchDev != PHONEHOOKSWITCHDEV_HANDSET && dwHookSwitchDev != PHONEHOOKSWITCHDEV_SPEAKER &&
        dwHookSwitchDev != PHONEHOOKSWITCHDEV_HEADSET)
        return PHONEERR_INVALHOOKSWITCHDEV;
    if (dwVolume > 0xFFFF) return PHONEERR_INVALPARAM;
    return PhoneRequest(hPhone,
                        [&](TProviderPhone& d, uint32_t ID) { return d.SetVolume(ID, dwHookSwitchDev, dwVolume); });
}

}  // extern "C"
