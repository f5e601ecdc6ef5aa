#include "serial/wake_fd.h"

#include <cerrno>
#include <cstdint>
#include <new>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kxtapi {

TWakeFd::TWakeFd() : FFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (FFd < 0) throw std::bad_alloc();
}

TWakeFd::~TWakeFd() { close(FFd); }

void TWakeFd::Signal() noexcept
{
    const uint64_t one = 1;
    // A full counter (EAGAIN) is already readable, which is all we need.
    while (write(FFd, &one, sizeof one) < 0 && errno == EINTR) {}
}

void TWakeFd::Drain() noexcept
{
    uint64_t value;
    while (read(FFd, &value, sizeof value) < 0 && errno == EINTR) {}
}

} // namespace kxtapi
