// Deadline-bounded message I/O on local sockets (socket_io.h).

#include "service/requests/socket_io.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace kxtapi::service {

namespace {

using TClock = std::chrono::steady_clock;

// Milliseconds left until Deadline, at least 0.
int Remaining(TClock::time_point Deadline)
{
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now()).count();
    return Left > 0 ? static_cast<int>(Left) : 0;
}

// Waits for Events on Fd until Deadline; false on time-out or error.
bool WaitFor(int Fd, short Events, TClock::time_point Deadline)
{
    for (;;) {
        pollfd p{Fd, Events, 0};
        const int r = poll(&p, 1, Remaining(Deadline));
        if (r > 0) return true;
        if (r == 0 || errno != EINTR) return false;
    }
}

}  // namespace

TFd::~TFd()
{
    if (FFd >= 0) close(FFd);
}

TFd& TFd::operator=(TFd&& Other) noexcept
{
    if (this != &Other) {
        if (FFd >= 0) close(FFd);
        FFd = Other.Release();
    }
    return *this;
}

TWireStatus ReceiveWireMessage(int Fd, int TimeoutMs, TWireMessage& Out)
{
    const auto Deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    std::vector<uint8_t> Buffer;
    uint8_t Chunk[512];
    for (;;) {
        // The reader refuses a header announcing more than MaxWireMessage,
        // so an incomplete message always has room left here.
        const size_t Room = MaxWireMessage - Buffer.size();
        const ssize_t n = recv(Fd, Chunk, Room < sizeof Chunk ? Room : sizeof Chunk, 0);
        if (n > 0) {
            Buffer.insert(Buffer.end(), Chunk, Chunk + n);
            const TWireRead r = ReadWireMessage(Buffer.data(), Buffer.size(), Out);
            if (r.Status != wsIncomplete) return r.Status;
            continue;
        }
        if (n == 0) return wsIncomplete;   // closed before the message was whole
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return wsIncomplete;
        if (!WaitFor(Fd, POLLIN, Deadline)) return wsIncomplete;
    }
}

bool SendAll(int Fd, const std::vector<uint8_t>& Bytes, int TimeoutMs)
{
    const auto Deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    size_t Sent = 0;
    while (Sent < Bytes.size()) {
        const ssize_t n = send(Fd, Bytes.data() + Sent, Bytes.size() - Sent, MSG_NOSIGNAL);
        if (n > 0) {
            Sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        if (!WaitFor(Fd, POLLOUT, Deadline)) return false;
    }
    return true;
}

bool PeerIsThisUser(int Fd)
{
    ucred Cred{};
    socklen_t Size = sizeof Cred;
    return getsockopt(Fd, SOL_SOCKET, SO_PEERCRED, &Cred, &Size) == 0 && Cred.uid == geteuid();
}

}  // namespace kxtapi::service
