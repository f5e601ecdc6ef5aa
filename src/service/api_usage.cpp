// Usages, message retrieval and version negotiation, line and phone side.

#include "service/api_common.h"

#include "kxtapi/rtl/sync.h"
#include "kxtapi/rtl/tick.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <unistd.h>

namespace kxtapi::service {

uint32_t NegotiateVersion(const TVersionRange& Device, uint32_t Low, uint32_t High)
{
    if (Device.Empty() || Low > High) return 0;
    uint32_t Lo = std::max({Low, Device.Low, ServiceAPILow});
    uint32_t Hi = std::min({High, Device.High, ServiceAPIHigh});
    uint32_t Best = 0;
    for (uint32_t v : KnownAPIVersions)
        if (v >= Lo && v <= Hi) Best = v;
    return Best;
}

bool ValidAPIVersion(const TVersionRange& Device, uint32_t Version)
{
    return NegotiateVersion(Device, Version, Version) == Version && Version != 0;
}

bool ValidExtVersion(const TVersionRange& Device, uint32_t Version)
{
    return Version == 0 || (!Device.Empty() && Version >= Device.Low && Version <= Device.High);
}

uint32_t NegotiateExt(const TVersionRange& Device, uint32_t Low, uint32_t High, uint32_t& Out)
{
    if (Device.Empty()) return LINEERR_OPERATIONUNAVAIL;
    uint32_t Lo = std::max(Low, Device.Low), Hi = std::min(High, Device.High);
    if (Low > High || Lo > Hi) return LINEERR_INCOMPATIBLEEXTVERSION;
    Out = Hi;
    return 0;
}

std::string ProgramBaseName()
{
    char Path[4096];
    ssize_t n = readlink("/proc/self/exe", Path, sizeof Path - 1);
    return n > 0 ? ModuleBaseName(std::string(Path, static_cast<size_t>(n))) : std::string();
}

namespace {

// Line and phone differ only in their error codes and the structures'
// names; one implementation serves both.
struct TSide {
    bool Phone;
    uint32_t InvalPointer, StructTooSmall, InvalAppHandle, IncompatibleAPI, IncompatibleExt, OperationUnavail,
        OperationFailed, NoMem, InvalParam, BadDeviceID, NoDevice;
};

constexpr TSide LineSide{false,
                         LINEERR_INVALPOINTER,
                         LINEERR_STRUCTURETOOSMALL,
                         LINEERR_INVALAPPHANDLE,
                         LINEERR_INCOMPATIBLEAPIVERSION,
                         LINEERR_INCOMPATIBLEEXTVERSION,
                         LINEERR_OPERATIONUNAVAIL,
                         LINEERR_OPERATIONFAILED,
                         LINEERR_NOMEM,
                         LINEERR_INVALPARAM,
                         LINEERR_BADDEVICEID,
                         LINEERR_NODEVICE};

constexpr TSide PhoneSide{true,
                          PHONEERR_INVALPOINTER,
                          PHONEERR_STRUCTURETOOSMALL,
                          PHONEERR_INVALAPPHANDLE,
                          PHONEERR_INCOMPATIBLEAPIVERSION,
                          PHONEERR_INCOMPATIBLEEXTVERSION,
                          PHONEERR_OPERATIONUNAVAIL,
                          PHONEERR_OPERATIONFAILED,
                          PHONEERR_NOMEM,
                          PHONEERR_INVALPARAM,
                          PHONEERR_BADDEVICEID,
                          PHONEERR_NODEVICE};

// LINEINITIALIZEEXPARAMS and PHONEINITIALIZEEXPARAMS have the same layout.
static_assert(sizeof(LINEINITIALIZEEXPARAMS) == sizeof(PHONEINITIALIZEEXPARAMS));

uint32_t Initialize(const TSide& Side, uint32_t* App, const char* FriendlyName, uint32_t* NumDevs,
                    uint32_t* APIVersion, void* Params)
{
    if (!App || !NumDevs || !APIVersion || !Params) return Side.InvalPointer;
    LINEINITIALIZEEXPARAMS p;
    if (BlockTotalSize(Params) < sizeof p) return Side.StructTooSmall;
    std::memcpy(&p, Params, sizeof p);
    // Only event mode exists here: there are no hidden windows to call back
    // through, nor completion ports.
    if (p.dwOptions == LINEINITIALIZEEXOPTION_USEHIDDENWINDOW ||
        p.dwOptions == LINEINITIALIZEEXOPTION_USECOMPLETIONPORT)
        return Side.OperationUnavail;
    if (p.dwOptions != LINEINITIALIZEEXOPTION_USEEVENT) return Side.InvalParam;
    if (*APIVersion < 0x00020000) return Side.IncompatibleAPI;

    std::string Program = ProgramBaseName();
    TServiceLock Lock;
    TService& s = Service();
    if (uint32_t e = s.StartIfNeeded()) {
        // The codes of a failed start have phone counterparts.
        if (!Side.Phone) return e;
        return e == LINEERR_INIFILECORRUPT ? PHONEERR_INIFILECORRUPT : PHONEERR_NODRIVER;
    }
    THandle Event = CreateEvent(true, false);
    if (!Event) {
        s.StopIfIdle();
        return Side.NoMem;
    }
    auto u = std::make_unique<TUsage>();
    u->Handle = s.NewHandle();
    u->Phone = Side.Phone;
    u->FriendlyName = FriendlyName && *FriendlyName ? FriendlyName : Program;
    u->ModuleName = Program;
    u->APIVersion = std::min(*APIVersion, ServiceAPIHigh);
    u->Event = Event;
    u->Order = s.NextOrder();
    *App = u->Handle;
    *NumDevs = static_cast<uint32_t>(Side.Phone ? s.PhoneSlots.size() : s.LineSlots.size());
    *APIVersion = ServiceAPIHigh;
    p.dwNeededSize = p.dwUsedSize = sizeof p;
    p.Handles.hEvent = Event;
    std::memcpy(Params, &p, sizeof p);
    s.Usages.emplace(u->Handle, std::move(u));
    return 0;
}

uint32_t Shutdown(const TSide& Side, uint32_t App)
{
    TServiceLock Lock;
    TService& s = Service();
    TUsage* u = Side.Phone ? s.PhoneUsage(App) : s.LineUsage(App);
    if (!u) return Side.InvalAppHandle;
    // Wakes a thread that waits in GetMessage, so it sees the usage gone.
    SetEvent(u->Event);
    s.ShutdownUsage(App);
    return 0;
}

uint32_t GetMessage(const TSide& Side, uint32_t App, LINEMESSAGE* Msg, uint32_t Timeout)
{
    if (!Msg) return Side.InvalPointer;
    uint32_t Start = GetTickCount();
    for (;;) {
        THandle Event;
        {
            TServiceLock Lock;
            TService& s = Service();
            TUsage* u = Side.Phone ? s.PhoneUsage(App) : s.LineUsage(App);
            if (!u) return Side.InvalAppHandle;
            if (s.Fetch(*u, *Msg)) return 0;
            Event = u->Event;
        }
        uint32_t Left = TickRemaining(Start, Timeout, GetTickCount());
        if (Left == 0) return Side.OperationFailed;
        // The event stays signalled while messages wait; another thread may
        // take the message first, which only sends this one round again.
        if (WaitForSingleObject(Event, Left) == WAIT_FAILED) return Side.InvalAppHandle;
    }
}

template <typename TDevice>
uint32_t NegotiateAPI(const TSide& Side, uint32_t App, uint32_t DeviceID, uint32_t Low, uint32_t High,
                      uint32_t* Version, void* ExtensionID)
{
    if (!Version || !ExtensionID) return Side.InvalPointer;
    TServiceLock Lock;
    TService& s = Service();
    if (!(Side.Phone ? s.PhoneUsage(App) : s.LineUsage(App))) return Side.InvalAppHandle;
    uint32_t r = Side.Phone ? s.CheckPhoneDevice(DeviceID) : s.CheckLineDevice(DeviceID);
    if (r) return r;
    TDevice* d;
    if constexpr (std::is_same_v<TDevice, TProviderLine>)
        d = s.LineDevice(DeviceID);
    else
        d = s.PhoneDevice(DeviceID);
    uint32_t v = NegotiateVersion(d->APIVersions(), Low, High);
    if (!v) return Side.IncompatibleAPI;
    *Version = v;
    auto Ext = d->ExtensionID();
    std::memcpy(ExtensionID, &Ext, sizeof Ext);
    return 0;
}

template <typename TDevice>
uint32_t NegotiateExtension(const TSide& Side, uint32_t App, uint32_t DeviceID, uint32_t APIVersion,
                            uint32_t Low, uint32_t High, uint32_t* ExtVersion)
{
    if (!ExtVersion) return Side.InvalPointer;
    TServiceLock Lock;
    TService& s = Service();
    if (!(Side.Phone ? s.PhoneUsage(App) : s.LineUsage(App))) return Side.InvalAppHandle;
    uint32_t r = Side.Phone ? s.CheckPhoneDevice(DeviceID) : s.CheckLineDevice(DeviceID);
    if (r) return r;
    TDevice* d;
    if constexpr (std::is_same_v<TDevice, TProviderLine>)
        d = s.LineDevice(DeviceID);
    else
        d = s.PhoneDevice(DeviceID);
    if (!ValidAPIVersion(d->APIVersions(), APIVersion)) return Side.IncompatibleAPI;
    uint32_t Out = 0;
    r = NegotiateExt(d->ExtVersions(), Low, High, Out);
    if (r == LINEERR_OPERATIONUNAVAIL) return Side.OperationUnavail;
    if (r) return Side.IncompatibleExt;
    *ExtVersion = Out;
    return 0;
}

}  // namespace

}  // namespace kxtapi::service

using namespace kxtapi::service;

extern "C" {

uint32_t lineInitializeExA(LPHLINEAPP lphLineApp, HINSTANCE, LINECALLBACK, LPCSTR lpszFriendlyAppName,
                           LPDWORD lpdwNumDevs, LPDWORD lpdwAPIVersion,
                           LPLINEINITIALIZEEXPARAMS lpLineInitializeExParams)
{
    return Initialize(LineSide, lphLineApp, lpszFriendlyAppName, lpdwNumDevs, lpdwAPIVersion,
                      lpLineInitializeExParams);
}

uint32_t phoneInitializeExA(LPHPHONEAPP lphPhoneApp, HINSTANCE, PHONECALLBACK, LPCSTR lpszFriendlyAppName,
                            LPDWORD lpdwNumDevs, LPDWORD lpdwAPIVersion,
                            LPPHONEINITIALIZEEXPARAMS lpPhoneInitializeExParams)
{
    return Initialize(PhoneSide, lphPhoneApp, lpszFriendlyAppName, lpdwNumDevs, lpdwAPIVersion,
                      lpPhoneInitializeExParams);
}

uint32_t lineShutdown(HLINEAPP hLineApp)
{
    return Shutdown(LineSide, hLineApp);
}

uint32_t phoneShutdown(HPHONEAPP hPhoneApp)
{
    return Shutdown(PhoneSide, hPhoneApp);
}

uint32_t lineGetMessage(HLINEAPP hLineApp, LPLINEMESSAGE lpMessage, DWORD dwTimeout)
{
    return GetMessage(LineSide, hLineApp, lpMessage, dwTimeout);
}

uint32_t phoneGetMessage(HPHONEAPP hPhoneApp, LPPHONEMESSAGE lpMessage, DWORD dwTimeout)
{
    static_assert(sizeof(PHONEMESSAGE) == sizeof(LINEMESSAGE));
    LINEMESSAGE m{};
    if (!lpMessage) return PHONEERR_INVALPOINTER;
    uint32_t r = GetMessage(PhoneSide, hPhoneApp, &m, dwTimeout);
    if (r == 0) std::memcpy(lpMessage, &m, sizeof m);
    return r;
}

uint32_t lineNegotiateAPIVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                 DWORD dwAPIHighVersion, LPDWORD lpdwAPIVersion, LPLINEEXTENSIONID lpExtensionID)
{
    return NegotiateAPI<TProviderLine>(LineSide, hLineApp, dwDeviceID, dwAPILowVersion, dwAPIHighVersion,
                                       lpdwAPIVersion, lpExtensionID);
}

uint32_t phoneNegotiateAPIVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                  DWORD dwAPIHighVersion, LPDWORD lpdwAPIVersion,
                                  LPPHONEEXTENSIONID lpExtensionID)
{
    return NegotiateAPI<TProviderPhone>(PhoneSide, hPhoneApp, dwDeviceID, dwAPILowVersion, dwAPIHighVersion,
                                        lpdwAPIVersion, lpExtensionID);
}

uint32_t lineNegotiateExtVersion(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtLowVersion,
                                 DWORD dwExtHighVersion, LPDWORD lpdwExtVersion)
{
    return NegotiateExtension<TProviderLine>(LineSide, hLineApp, dwDeviceID, dwAPIVersion, dwExtLowVersion,
                                             dwExtHighVersion, lpdwExtVersion);
}

uint32_t phoneNegotiateExtVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                  DWORD dwExtLowVersion, DWORD dwExtHighVersion, LPDWORD lpdwExtVersion)
{
    return NegotiateExtension<TProviderPhone>(PhoneSide, hPhoneApp, dwDeviceID, dwAPIVersion, dwExtLowVersion,
                                              dwExtHighVersion, lpdwExtVersion);
}

}  // extern "C"
