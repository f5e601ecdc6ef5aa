// `kxphone demo`: the components at work on the simulated switch, each event
// printed as it is raised.
#pragma once

#include "event_loop.h"
#include "event_output.h"

#include <cstdint>

namespace kxphone {

struct TDemoOptions {
    /// Pause between the steps, in milliseconds (0: as fast as the switch goes).
    uint32_t Pace = 150;
};

/// Runs the demo on a freshly reset simulated switch: an incoming call
/// answered (offered with caller ID, answered, talked, hung up by the far
/// end, dropped, freed), then outgoing calls with hold, a consultation
/// transfer, a three-party conference, park and unpark. Returns the exit
/// status: 0 when every step happened, 1 when one stalled, 130 when
/// interrupted.
int RunDemo(TEventLoop& Loop, TEventOutput& Output, const TDemoOptions& Options);

} // namespace kxphone
