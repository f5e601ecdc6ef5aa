// The sending side: asking other programs of this user how they rank as
// make-call recipient, and handing one of them a request.
#pragma once

#include "service/requests/wire.h"

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi::service {

/// How long one exchange with another program may take.
inline constexpr int ExchangeTimeoutMs = 1000;

enum TExchangeStatus {
    xsAnswered,      ///< Reply holds the program's answer
    xsUnreachable,   ///< no program listens there (a stale socket is removed)
    xsBusy,          ///< its backlog is full
    xsFailed         ///< refused, stalled or answered nonsense
};

struct TExchange {
    TExchangeStatus Status = xsFailed;
    TWireMessage Reply;
};

/// Connects to program Pid's socket in Dir, sends Request and reads one
/// reply. A socket whose owner or mode is wrong is not used; one whose
/// program has ended is removed.
TExchange ExchangeWith(const std::string& Dir, pid_t Pid, const std::vector<uint8_t>& Request);

/// A program that answered the query as registered recipient.
struct TRemoteRecipient {
    pid_t Pid = 0;
    uint64_t PriorityStamp = 0;
    uint64_t RegistrationStamp = 0;
};

/// Queries every other program with a socket in Dir and returns those
/// registered as make-call recipient.
std::vector<TRemoteRecipient> QueryRecipients(const std::string& Dir);

}  // namespace kxtapi::service
