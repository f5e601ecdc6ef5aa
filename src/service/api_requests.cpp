// Assisted telephony: request recipients, their requests and the priority
// list that picks among applications. Requests also travel between the
// programs of one user, over the sockets of requests/.

#include "service/api_common.h"
#include "service/requests/recipients.h"
#include "service/requests/request_dir.h"
#include "service/requests/sender.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace kxtapi::service {

namespace {

constexpr uint32_t RequestModes = LINEREQUESTMODE_MAKECALL | LINEREQUESTMODE_MEDIACALL;

bool Registered(const TUsage& u, uint32_t Mode)
{
    return Mode == LINEREQUESTMODE_MAKECALL ? !u.MakeCallInstances.empty() : u.MediaCallRecipient;
}

uint32_t EnableMakeCall(TService& s, TUsage& u, uint32_t Instance)
{
    auto& List = u.MakeCallInstances;
    const std::vector<uint32_t> Before = List;
    const uint64_t StampBefore = u.RequestStamp;
    // Registering again makes the instance the newest.
    List.erase(std::remove(List.begin(), List.end(), Instance), List.end());
    List.push_back(Instance);
    u.RequestStamp = NewStamp();
    if (!SyncRequestSocket(s).empty()) {
        // Other programs could not reach it: refused, as the socket's
        // problem would otherwise only show as requests that never come.
        List = Before;
        u.RequestStamp = StampBefore;
        return LINEERR_OPERATIONFAILED;
    }
    return 0;
}

uint32_t DisableMakeCall(TService& s, TUsage& u, uint32_t Instance)
{
    auto& List = u.MakeCallInstances;
    auto it = std::find(List.begin(), List.end(), Instance);
    if (it == List.end()) return LINEERR_NOTREGISTERED;
    List.erase(it);
    if (List.empty()) {
        u.MakeCallRequests.clear();
        SyncRequestSocket(s);
    }
    return 0;
}

// The best of this program's and the other programs' recipients gets the
// request; one that went away meanwhile passes it to the next.
uint32_t HandOut(const LINEREQMAKECALL& Record, const std::vector<uint8_t>& Message)
{
    std::optional<TRecipientRank> Local;
    {
        TServiceLock Lock;
        TService& s = Service();
        if (TUsage* u = LocalMakeCallRecipient(s)) Local = RankOf(s, *u);
    }
    // Other programs are asked without the lock: they may be asking this
    // one at the same moment.
    const std::string Dir = RequestDirPath();
    bool Missing = false;
    const std::string DirProblem = CheckRequestDir(Dir, false, &Missing);
    std::vector<TRemoteRecipient> Remote;
    if (DirProblem.empty() && !Missing) Remote = QueryRecipients(Dir);
    std::sort(Remote.begin(), Remote.end(), [](const TRemoteRecipient& a, const TRemoteRecipient& b) {
        return TRecipientRank{a.PriorityStamp, a.RegistrationStamp} > TRecipientRank{b.PriorityStamp, b.RegistrationStamp};
    });

    size_t Next = 0;
    bool LocalTried = false;
    for (;;) {
        const bool HaveRemote = Next < Remote.size();
        const bool TryLocal = Local && !LocalTried &&
                              (!HaveRemote || *Local >= TRecipientRank{Remote[Next].PriorityStamp,
                                                                       Remote[Next].RegistrationStamp});
        if (TryLocal) {
            LocalTried = true;
            TServiceLock Lock;
            TService& s = Service();
            if (TUsage* u = LocalMakeCallRecipient(s)) return QueueMakeCall(s, *u, Record);
            continue;
        }
        if (!HaveRemote) break;
        const TExchange x = ExchangeWith(Dir, Remote[Next++].Pid, Message);
        if (x.Status == xsBusy) return TAPIERR_REQUESTQUEUEFULL;
        if (x.Status != xsAnswered || x.Reply.Kind != wkMakeCallReply) continue;
        if (x.Reply.Result != TAPIERR_NOREQUESTRECIPIENT) return x.Reply.Result;
    }
    // A directory that may not be used is a failure, not an absence.
    return DirProblem.empty() ? TAPIERR_NOREQUESTRECIPIENT : TAPIERR_REQUESTFAILED;
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
    if (uint32_t r = s.FailCall("lineRegisterRequestRecipient")) return r;
    if (!bEnable) {
        // Checked first, so a refusal changes nothing.
        for (uint32_t Mode : {LINEREQUESTMODE_MAKECALL, LINEREQUESTMODE_MEDIACALL})
            if ((dwRequestMode & Mode) && !Registered(*u, Mode)) return LINEERR_NOTREGISTERED;
        if ((dwRequestMode & LINEREQUESTMODE_MAKECALL) &&
            std::find(u->MakeCallInstances.begin(), u->MakeCallInstances.end(), dwRegistrationInstance) ==
                u->MakeCallInstances.end())
            return LINEERR_NOTREGISTERED;
        if (dwRequestMode & LINEREQUESTMODE_MEDIACALL) u->MediaCallRecipient = false;
        if (dwRequestMode & LINEREQUESTMODE_MAKECALL) DisableMakeCall(s, *u, dwRegistrationInstance);
        return 0;
    }
    if (dwRequestMode & LINEREQUESTMODE_MAKECALL)
        if (const uint32_t r = EnableMakeCall(s, *u, dwRegistrationInstance)) return r;
    if (dwRequestMode & LINEREQUESTMODE_MEDIACALL) u->MediaCallRecipient = true;
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
    if (!Registered(*u, dwRequestMode)) return LINEERR_NOTREGISTERED;
    if (!lpRequestBuffer) return LINEERR_INVALPOINTER;
    if (uint32_t r = s.FailCall("lineGetRequestA")) return r;
    // Media-call requests are never made.
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
    if (uint32_t r = s.FailCall("lineSetAppPriorityA")) return r;
    TAppPriority Entry{ModuleBaseName(lpszAppFilename), dwMediaMode, dwMediaMode ? 0 : dwRequestMode, NewStamp()};
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
    const std::string Dest = Str(lpszDestAddress);
    if (const uint32_t r = CheckDestAddress(Dest)) return r;
    const std::string AppName = Str(lpszAppName), CalledParty = Str(lpszCalledParty), Comment = Str(lpszComment);
    LINEREQMAKECALL Record;
    CopyRecordField(Record.szDestAddress, sizeof Record.szDestAddress, Dest);
    CopyRecordField(Record.szAppName, sizeof Record.szAppName, AppName);
    CopyRecordField(Record.szCalledParty, sizeof Record.szCalledParty, CalledParty);
    CopyRecordField(Record.szComment, sizeof Record.szComment, Comment);
    return HandOut(Record, WriteMakeCall(Dest, AppName, CalledParty, Comment));
}

}  // extern "C"

namespace kxtapi {

std::string RequestDirectory()
{
    return service::RequestDirPath();
}

std::string RequestDirectoryProblem()
{
    return service::CheckRequestDir(service::RequestDirPath(), false);
}

}  // namespace kxtapi
