// This program's request socket and the thread that answers it.
//
// While at least one usage of the process is registered as make-call
// recipient, the service listens on "<pid>.sock" in the request directory
// (request_dir.h). Other programs of the same user connect, send one
// message (wire.h) and read one reply. The thread serves one connection at
// a time with a deadline, so a sender that stalls or floods holds it for a
// bounded time only, and the socket's small backlog bounds what waits.
//
// The thread starts with the first registration and runs until exit; it is
// never joined under the service lock, because answering takes that lock.
// Start and Stop are called with the service lock held.
#pragma once

#include "service/requests/wire.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kxtapi::service {

/// Turns a request into the reply bytes. Runs on the listener thread
/// without the service lock.
using TRequestAnswer = std::function<std::vector<uint8_t>(const TWireMessage& Request)>;

/// How long one connection may take to deliver its request.
inline constexpr int ServeTimeoutMs = 500;
/// Connections the socket keeps waiting while one is served.
inline constexpr int ListenBacklog = 16;

class TRequestListener {
public:
    /// Creates the directory (if missing) and the socket, and has the
    /// thread answer it with Answer. Returns an empty string, or why the
    /// socket could not be made (nothing is left behind then). Listening
    /// already: nothing changes.
    std::string Start(TRequestAnswer Answer);
    /// Removes the socket; connections already waiting are still answered.
    void Stop();
    bool Listening() const noexcept { return FListening; }
    /// The socket's path while listening.
    const std::string& Get_SocketPath() const noexcept { return FPath; }
    /// At exit: removes the socket and ends the thread.
    void Shutdown() noexcept;

private:
    friend TRequestListener& RequestListener();
    TRequestListener();
    struct TState;
    TState* FState;   // never freed: the listener lives until the process ends
    bool FListening = false;
    std::string FPath;
};

/// The process's listener.
TRequestListener& RequestListener();

}  // namespace kxtapi::service
