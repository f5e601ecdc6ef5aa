// The bounded record of requests the program has given up on.

#include "line/abandoned_requests.h"

#include "kxtapi/line/call.h"

#include <algorithm>

namespace kxtapi {

std::optional<TAbandonedRequests::TEntry> TAbandonedRequests::Note(uint32_t RequestID,
                                                                   const std::vector<TTapiCall*>& Calls)
{
    for (TEntry& e : FEntries) {
        if (e.RequestID != RequestID) continue;
        e.Calls.insert(e.Calls.end(), Calls.begin(), Calls.end());
        return std::nullopt;
    }
    FEntries.push_back(TEntry{RequestID, Calls});
    if (FEntries.size() <= Capacity) return std::nullopt;
    TEntry Oldest = std::move(FEntries.front());
    FEntries.pop_front();
    return Oldest;
}

bool TAbandonedRequests::Contains(uint32_t RequestID) const
{
    return std::any_of(FEntries.begin(), FEntries.end(),
                       [&](const TEntry& e) { return e.RequestID == RequestID; });
}

std::optional<TAbandonedRequests::TEntry> TAbandonedRequests::Take(uint32_t RequestID)
{
    for (auto It = FEntries.begin(); It != FEntries.end(); ++It) {
        if (It->RequestID != RequestID) continue;
        TEntry e = std::move(*It);
        FEntries.erase(It);
        return e;
    }
    return std::nullopt;
}

TTapiCall* TAbandonedRequests::FindByHandle(uint32_t hCall) const
{
    if (hCall == 0) return nullptr;
    for (const TEntry& e : FEntries)
        for (TTapiCall* Call : e.Calls)
            if (Call->Get_Handle() == hCall) return Call;
    return nullptr;
}

void TAbandonedRequests::Forget(const TTapiCall* Call) noexcept
{
    for (TEntry& e : FEntries) std::erase(e.Calls, Call);
}

std::vector<TTapiCall*> TAbandonedRequests::TakeAll()
{
    std::vector<TTapiCall*> Calls;
    for (TEntry& e : FEntries) Calls.insert(Calls.end(), e.Calls.begin(), e.Calls.end());
    FEntries.clear();
    return Calls;
}

} // namespace kxtapi
