// Asking and handing requests to other programs' sockets (sender.h).

#include "service/requests/sender.h"

#include "service/requests/request_dir.h"
#include "service/requests/socket_io.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kxtapi::service {

TExchange ExchangeWith(const std::string& Dir, pid_t Pid, const std::vector<uint8_t>& Request)
{
    TExchange x;
    const std::string Path = RecipientSocketPath(Dir, Pid);
    sockaddr_un Address{};
    Address.sun_family = AF_UNIX;
    if (Path.size() >= sizeof Address.sun_path) return x;
    if (!CheckRecipientSocket(Path).empty()) {
        x.Status = access(Path.c_str(), F_OK) == 0 ? xsFailed : xsUnreachable;
        return x;
    }
    std::memcpy(Address.sun_path, Path.c_str(), Path.size() + 1);
    TFd Fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!Fd) return x;
    if (connect(Fd.Get(), reinterpret_cast<const sockaddr*>(&Address), sizeof Address) != 0) {
        // A local socket connects at once or not at all: EAGAIN is a full
        // backlog, refusal a socket nobody listens on any more.
        if (errno == EAGAIN) {
            x.Status = xsBusy;
        } else if (errno == ECONNREFUSED || errno == ENOENT) {
            x.Status = xsUnreachable;
            if (errno == ECONNREFUSED && !ProgramRuns(Pid)) unlink(Path.c_str());
        }
        return x;
    }
    if (!PeerIsThisUser(Fd.Get())) return x;
    if (!SendAll(Fd.Get(), Request, ExchangeTimeoutMs)) return x;
    if (ReceiveWireMessage(Fd.Get(), ExchangeTimeoutMs, x.Reply) != wsComplete) return x;
    x.Status = xsAnswered;
    return x;
}

std::vector<TRemoteRecipient> QueryRecipients(const std::string& Dir)
{
    std::vector<TRemoteRecipient> Found;
    const std::vector<uint8_t> Query = WriteQuery();
    for (pid_t Pid : ListRecipientSockets(Dir)) {
        TExchange x = ExchangeWith(Dir, Pid, Query);
        if (x.Status != xsAnswered || x.Reply.Kind != wkQueryReply || x.Reply.Result != 0) continue;
        Found.push_back({Pid, x.Reply.PriorityStamp, x.Reply.RegistrationStamp});
    }
    return Found;
}

}  // namespace kxtapi::service
