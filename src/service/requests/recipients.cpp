// Ranking, queueing and answering make-call requests (recipients.h).

#include "service/requests/recipients.h"

#include "service/requests/listener.h"
#include "service/service_lock.h"

#include <time.h>

namespace kxtapi::service {

uint64_t NewStamp()
{
    static uint64_t Last = 0;   // guarded by the service lock
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    uint64_t Now = uint64_t(t.tv_sec) * 1000000000u + uint64_t(t.tv_nsec);
    if (Now <= Last) Now = Last + 1;
    Last = Now;
    return Now;
}

bool IsMakeCallRecipient(const TUsage& Usage)
{
    return !Usage.Phone && !Usage.MakeCallInstances.empty();
}

TRecipientRank RankOf(const TService& s, const TUsage& Usage)
{
    TRecipientRank Rank{0, Usage.RequestStamp};
    // A program is known by its file or by its friendly name, which is a
    // module name too for most applications.
    const std::string Friendly = ModuleBaseName(Usage.FriendlyName);
    for (const TAppPriority& p : s.Priorities)
        if ((p.RequestMode & LINEREQUESTMODE_MAKECALL) && (p.Module == Usage.ModuleName || p.Module == Friendly) &&
            p.Stamp > Rank.PriorityStamp)
            Rank.PriorityStamp = p.Stamp;
    return Rank;
}

TUsage* LocalMakeCallRecipient(TService& s)
{
    TUsage* Best = nullptr;
    TRecipientRank BestRank;
    for (auto& [h, u] : s.Usages) {
        if (!IsMakeCallRecipient(*u)) continue;
        const TRecipientRank Rank = RankOf(s, *u);
        if (!Best || Rank > BestRank) {
            Best = u.get();
            BestRank = Rank;
        }
    }
    return Best;
}

uint32_t QueueMakeCall(TService& s, TUsage& Usage, const LINEREQMAKECALL& Request)
{
    if (Usage.MakeCallRequests.size() >= MaxPendingRequests) return TAPIERR_REQUESTQUEUEFULL;
    Usage.MakeCallRequests.push_back(Request);
    s.Post(Usage, LINEMESSAGE{0, LINE_REQUEST, Usage.MakeCallInstances.back(), LINEREQUESTMODE_MAKECALL, 0, 0});
    return 0;
}

uint32_t CheckDestAddress(const std::string& DestAddress)
{
    if (DestAddress.empty() || DestAddress.size() >= TAPIMAXDESTADDRESSSIZE) return TAPIERR_INVALDESTADDRESS;
    return 0;
}

std::string SyncRequestSocket(TService& s)
{
    TRequestListener& Listener = RequestListener();
    for (auto& [h, u] : s.Usages)
        if (IsMakeCallRecipient(*u)) return Listener.Start(AnswerRequest);
    Listener.Stop();
    return {};
}

std::vector<uint8_t> AnswerRequest(const TWireMessage& Request)
{
    TServiceLock Lock;
    TService& s = Service();
    TUsage* u = LocalMakeCallRecipient(s);
    if (Request.Kind == wkQuery) {
        if (!u) return WriteQueryReply(TAPIERR_NOREQUESTRECIPIENT, 0, 0);
        const TRecipientRank Rank = RankOf(s, *u);
        return WriteQueryReply(0, Rank.PriorityStamp, Rank.RegistrationStamp);
    }
    if (const uint32_t r = CheckDestAddress(Request.Fields[wfDestAddress])) return WriteMakeCallReply(r);
    if (!u) return WriteMakeCallReply(TAPIERR_NOREQUESTRECIPIENT);
    return WriteMakeCallReply(QueueMakeCall(s, *u, ToRecord(Request)));
}

}  // namespace kxtapi::service
