// Requests the program was told had failed (their time-out passed, or a
// SyncMode wait gave up) while the service may still carry them out.
//
// A call such a request creates must not become the program's: the line
// keeps the call objects it had made for the request (the service may still
// write their handles) and ends whatever call the late reply brings. The
// record is bounded; the oldest entry goes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace kxtapi {

class TTapiCall;

class TAbandonedRequests {
public:
    /// Entries kept at most.
    static constexpr size_t Capacity = 64;

    struct TEntry {
        uint32_t RequestID = 0;
        /// Call objects made for the request, out of the line's lists.
        std::vector<TTapiCall*> Calls;
    };

    /// Notes RequestID with Calls (added to those noted for it before).
    /// Returns the oldest entry when it had to go to make room; its calls are
    /// the caller's to free.
    std::optional<TEntry> Note(uint32_t RequestID, const std::vector<TTapiCall*>& Calls = {});
    bool Contains(uint32_t RequestID) const;
    /// Takes the entry of RequestID out.
    std::optional<TEntry> Take(uint32_t RequestID);
    /// The kept call whose handle is hCall (0 finds nothing).
    TTapiCall* FindByHandle(uint32_t hCall) const;
    /// Forgets Call wherever it is kept (it is being freed).
    void Forget(const TTapiCall* Call) noexcept;
    /// Empties the record; the calls that were kept.
    std::vector<TTapiCall*> TakeAll();
    bool Empty() const noexcept { return FEntries.empty(); }

private:
    std::deque<TEntry> FEntries;
};

} // namespace kxtapi
