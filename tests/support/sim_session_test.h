// The world most component tests start from: the simulated switch with its
// default configuration, and the process-wide session stopped, with its
// default settings, no handlers and empty queues, under a test clock. Both
// are put back the same way afterwards, so no test sees another's leftovers.
#pragma once

#include "message_pump.h"

#include "kxtapi/kxtapi.h"
#include "kxtapi/sim.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kxtapi::testing {

/// Stops the session and puts back what a test may have changed: its
/// handlers, make-call registration, automatic shutdown, application name,
/// sound feedback and the messages and replies still queued.
void ResetTapiSession();

class SimSessionTest : public ::testing::Test {
protected:
    explicit SimSessionTest(uint32_t StartTick = 1000);
    ~SimSessionTest() override;

    static void ResetSession() { ResetTapiSession(); }

    /// Moves the clock on by Ms and runs the session's tick.
    void Tick(uint32_t Ms);

    TTestClock Clock;
    sim::TSimSwitch& Sim = sim::Switch();
};

}  // namespace kxtapi::testing
