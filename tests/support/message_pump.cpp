#include "message_pump.h"

#include "kxtapi/rtl/messages.h"

#include <chrono>

#include <poll.h>

namespace kxtapi::testing {

bool PumpUntil(const std::function<bool()>& Done, int Ms)
{
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
    for (;;) {
        Application()->ProcessMessages();
        if (Done()) return true;
        if (std::chrono::steady_clock::now() >= Deadline) return false;
        pollfd p{Application()->PollFd(), POLLIN, 0};
        const timespec Nap{0, 500'000};
        ::ppoll(&p, 1, &Nap, nullptr);
    }
}

void PumpFor(int Ms)
{
    PumpUntil([] { return false; }, Ms);
}

}  // namespace kxtapi::testing
