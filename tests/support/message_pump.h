// Waiting in tests for what other threads deliver to the main thread's
// message loop, always bounded in real time (never by a test clock).
#pragma once

#include <functional>

namespace kxtapi::testing {

/// Handles the main thread's messages until Done() holds or Ms of real
/// time passed; true when Done() held. Between looks it sleeps until a
/// message arrives or a fraction of a millisecond passed, so that it
/// notices what changes without a message too and leaves the processors
/// to the threads being waited for.
bool PumpUntil(const std::function<bool()>& Done, int Ms = 5000);

/// Handles what is waiting now and what arrives within Ms of real time.
void PumpFor(int Ms);

}  // namespace kxtapi::testing

namespace kxtapi::test {
using kxtapi::testing::PumpFor;
using kxtapi::testing::PumpUntil;
}  // namespace kxtapi::test
