// Assisted telephony: request recipients, their requests and the priority
// list that picks among applications.

#include "service/api_common.h"

#include <algorithm>
#include <cstring>

namespace kxtapi::service {

namespace {

constexpr uint32_t RequestModes = LINEREQUESTMODE_MAKECALL | LINEREQUESTMODE_MEDIACALL;
constexpr size_t MaxPendingRequests = 64;

// The recipient of make-call requests: the first program of the priority
// list that is registered (by its program or its friendly name, which is a
// module name too for most applications), else the one registered first.
TUsage* MakeCallRecipient(TService& s)
{
    for (const TAppPriority& p : s.Priorities) {
        if (!(p.RequestMode & LINEREQUESTMODE_MAKECALL)) continue;
        for (auto& [h, u] : s.Usages)
            if (!u->Phone && (u->RequestModes & LINEREQUESTMODE_MAKECALL) &&
                (u->ModuleName == p.Module || ModuleBaseName(u->FriendlyName) == p.Module))
                return u.get();
    }
    TUsage* Best = nullptr;
    for (auto& [h, u] : s.Usages)
        if (!u->Phone && (u->RequestModes & LINEREQUESTMODE_MAKECALL) && (!Best || u->RequestOrder < Best->RequestOrder))
            Best = u.get();
    return Best;
}

void CopyField(char* Field, size_t Size, const char* Text)
{
    std::memset(Field, 0, Size);
    if (Text) std::strncpy(Field, Text, Size - 1);
}

}  // namespace

}  // namespace kxtapi::service

using namespace kxtapi::service;

extern "C" {

uint32_t lineRegisterRequestRecipient(HLINEAPP hLineApp, DWORD dwRegistrationInstance, DWORD dwRequestMode,
                                      DWORD bEnable)
{
    TServiceLock Lock;
    TService& s = Service();
    TUsage* u = s.LineUsage(hLineApp);
    if (!u) return LINEERR_INVALAPPHANDLE;
    if (dwRequestMode == 0 || (dwRequestMode & ~RequestModes)) return LINEERR_INVALREQUESTMODE;
    if (bEnable) {
        if (!u->RequestModes) u->RequestOrder = s.NextOrder();
        u->RequestModes |= dwRequestMode;
        if (dwRequestMode & LINEREQUESTMODE_MAKECALL) u->RequestInstance[0] = dwRegistrationInstance;
        if (dwRequestMode & LINEREQUESTMODE_MEDIACALL) u->RequestInstance[1] = dwRegistrationInstance;
        return 0;
    }
    if ((u->RequestModes & dwRequestMode) != dwRequestMode) return LINEERR_NOTREGISTERED;
    u->RequestModes &= ~dwRequestMode;
    if (dwRequestMode & LINEREQUESTMODE_MAKECALL) u->MakeCallRequests.clear();
    return 0;
}

uint32_t lineGetRequestA(HLINEAPP hLineApp, DWORD dwRequestMode, LPVOID lpRequestBuffer)
{
    TServiceLock Lock;
    TService& s = Service();
    TUsage* u = s.LineUsage(hLineApp);
    if (!u) return LINEERR_INVALAPPHANDLE;
    if (dwRequestMode != LINEREQUESTMODE_MAKECALL && dwRequestMode != LINEREQUESTMODE_MEDIACALL)
        return LINEERR_INVALREQUESTMODE;
    if (!(u->RequestModes & dwRequestMode)) return LINEERR_NOTREGISTERED;
    if (!lpRequestBuffer) return LINEERR_INVALPOINTER;
    // Media-call requests are never made in this process.
    if (dwRequestMode == LINEREQUESTMODE_MEDIACALL || u->MakeCallRequests.empty()) return LINEERR_NOREQUEST;
    std::memcpy(lpRequestBuffer, &u->MakeCallRequests.front(), sizeof(LINEREQMAKECALL));
    u->MakeCallRequests.pop_front();
    return 0;
}

uint32_t lineSetAppPriorityA(LPCSTR lpszAppFilename, DWORD dwMediaMode, LPLINEEXTENSIONID, DWORD dwRequestMode,
                             LPCSTR, DWORD dwPriority)
{
    if (!lpszAppFilename || !*lpszAppFilename) return LINEERR_INVALAPPNAME;
    if (dwPriority > 1) return LINEERR_INVALPARAM;
    if (dwMediaMode) {
        if ((dwMediaMode & (dwMediaMode - 1)) || (dwMediaMode & ~0xFFFEu)) return LINEERR_INVALMEDIAMODE;
    } else if (dwRequestMode != LINEREQUESTMODE_MAKECALL && dwRequestMode != LINEREQUESTMODE_MEDIACALL) {
        return LINEERR_INVALREQUESTMODE;
    }
    TServiceLock Lock;
    TService& s = Service();
    TAppPriority Entry{ModuleBaseName(lpszAppFilename), dwMediaMode, dwMediaMode ? 0 : dwRequestMode};
    auto& P = s.Priorities;
    P.erase(std::remove_if(P.begin(), P.end(),
                           [&](const TAppPriority& p) {
                               return p.Module == Entry.Module && p.MediaMode == Entry.MediaMode &&
                                      p.RequestMode == Entry.RequestMode;
                           }),
            P.end());
    if (dwPriority == 1) P.insert(P.begin(), Entry);
    return 0;
}

uint32_t tapiRequestMakeCallA(LPCSTR lpszDestAddress, LPCSTR lpszAppName, LPCSTR lpszCalledParty,
                              LPCSTR lpszComment)
{
    if (!lpszDestAddress || !*lpszDestAddress || std::strlen(lpszDestAddress) >= TAPIMAXDESTADDRESSSIZE)
        return TAPIERR_INVALDESTADDRESS;
    TServiceLock Lock;
    TService& s = Service();
    TUsage* u = MakeCallRecipient(s);
    if (!u) return TAPIERR_NOREQUESTRECIPIENT;
    if (u->MakeCallRequests.size() >= MaxPendingRequests) return TAPIERR_REQUESTQUEUEFULL;
    LINEREQMAKECALL r;
    CopyField(r.szDestAddress, sizeof r.szDestAddress, lpszDestAddress);
    CopyField(r.szAppName, sizeof r.szAppName, lpszAppName);
    CopyField(r.szCalledParty, sizeof r.szCalledParty, lpszCalledParty);
    CopyField(r.szComment, sizeof r.szComment, lpszComment);
    u->MakeCallRequests.push_back(r);
    s.Post(*u, LINEMESSAGE{0, LINE_REQUEST, u->RequestInstance[0], LINEREQUESTMODE_MAKECALL, 0, 0});
    return 0;
}

}  // extern "C"
