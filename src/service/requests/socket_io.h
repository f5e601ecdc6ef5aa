// Reading and writing request-socket messages with deadlines, shared by the
// listening and the sending side.
#pragma once

#include "service/requests/wire.h"

#include <cstdint>
#include <vector>

namespace kxtapi::service {

/// A file descriptor closed when it goes.
class TFd {
public:
    TFd() = default;
    explicit TFd(int Fd) noexcept : FFd(Fd) {}
    ~TFd();
    TFd(TFd&& Other) noexcept : FFd(Other.Release()) {}
    TFd& operator=(TFd&& Other) noexcept;
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const noexcept { return FFd; }
    explicit operator bool() const noexcept { return FFd >= 0; }
    int Release() noexcept
    {
        const int Fd = FFd;
        FFd = -1;
        return Fd;
    }

private:
    int FFd = -1;
};

/// Reads one message from a connected, non-blocking socket within
/// TimeoutMs: wsComplete with Out set, the reader's refusal, or
/// wsIncomplete when the peer closed or the time ran out first. Never
/// buffers more than MaxWireMessage bytes.
TWireStatus ReceiveWireMessage(int Fd, int TimeoutMs, TWireMessage& Out);

/// Writes all of Bytes to a non-blocking socket within TimeoutMs; false on
/// failure or time-out. A peer that went away raises no signal.
bool SendAll(int Fd, const std::vector<uint8_t>& Bytes, int TimeoutMs);

/// True when the peer of a connected local socket runs as this user.
bool PeerIsThisUser(int Fd);

}  // namespace kxtapi::service
