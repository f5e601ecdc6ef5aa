// Make-call request recipients of this process and how they rank against
// those of other programs.
//
// A recipient ranks by its priority stamp first (when lineSetAppPriorityA
// last put its program at the top of the make-call list; 0 when it is not
// on the list), then by its registration stamp (when it last registered).
// Higher wins: the program most recently preferred, else the one that
// registered last. Stamps are on the system's monotonic clock, so they
// compare across the programs of one machine.
#pragma once

#include "service/requests/wire.h"
#include "service/service.h"

#include <compare>
#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi::service {

/// At most this many requests wait for one recipient to fetch them.
inline constexpr size_t MaxPendingRequests = 64;

struct TRecipientRank {
    uint64_t PriorityStamp = 0;
    uint64_t RegistrationStamp = 0;
    auto operator<=>(const TRecipientRank&) const = default;
};

/// A stamp later than every stamp this process made before.
uint64_t NewStamp();

/// Whether Usage is registered for make-call requests.
bool IsMakeCallRecipient(const TUsage& Usage);

/// The rank of a make-call recipient of this process.
TRecipientRank RankOf(const TService& s, const TUsage& Usage);

/// This process's best make-call recipient, or null.
TUsage* LocalMakeCallRecipient(TService& s);

/// Queues Request for Usage and posts LINE_REQUEST to its most recent
/// registration: 0, or TAPIERR_REQUESTQUEUEFULL.
uint32_t QueueMakeCall(TService& s, TUsage& Usage, const LINEREQMAKECALL& Request);

/// TAPIERR_INVALDESTADDRESS for an empty or overlong destination, else 0.
uint32_t CheckDestAddress(const std::string& DestAddress);

/// Listens while some usage of the process is a make-call recipient and
/// stops when none is. Returns why listening failed, or empty.
std::string SyncRequestSocket(TService& s);

/// The reply of this process to another program's message.
std::vector<uint8_t> AnswerRequest(const TWireMessage& Request);

}  // namespace kxtapi::service
