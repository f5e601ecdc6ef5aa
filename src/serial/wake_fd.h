// A pollable wake-up flag (an eventfd) for threads that sleep in poll().
#pragma once

namespace kxtapi {

class TWakeFd {
public:
    TWakeFd();
    ~TWakeFd();
    TWakeFd(const TWakeFd&) = delete;
    TWakeFd& operator=(const TWakeFd&) = delete;

    /// Makes the descriptor readable; cheap and safe from any thread.
    void Signal() noexcept;
    /// Clears the readable state.
    void Drain() noexcept;
    int Fd() const noexcept { return FFd; }

private:
    int FFd;
};

} // namespace kxtapi
