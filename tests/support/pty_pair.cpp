#include "pty_pair.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kxtapi::test {

TPtyPair::TPtyPair()
{
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0 || grantpt(FMaster) != 0 || unlockpt(FMaster) != 0)
        throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (ptsname_r(FMaster, name, sizeof name) != 0) throw std::runtime_error("ptsname");
    FSlave = name;
    fcntl(FMaster, F_SETFL, fcntl(FMaster, F_GETFL) | O_NONBLOCK);
}

TPtyPair::~TPtyPair() { CloseMaster(); }

void TPtyPair::Send(const std::string& Bytes)
{
    size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t r = write(FMaster, Bytes.data() + done, Bytes.size() - done);
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        if (r < 0 && errno != EAGAIN && errno != EINTR) throw std::runtime_error("pty write");
        pollfd p{FMaster, POLLOUT, 0};
        poll(&p, 1, 100);
    }
}

std::string TPtyPair::Receive(size_t Count, int TimeoutMs)
{
    std::string out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (out.size() < Count) {
        char buf[4096];
        const ssize_t r = read(FMaster, buf, std::min(sizeof buf, Count - out.size()));
        if (r > 0) {
            out.append(buf, static_cast<size_t>(r));
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now()).count();
        if (left <= 0) break;
        pollfd p{FMaster, POLLIN, 0};
        poll(&p, 1, static_cast<int>(left));
    }
    return out;
}

void TPtyPair::CloseMaster()
{
    if (FMaster >= 0) close(FMaster);
    FMaster = -1;
}

} // namespace kxtapi::test
