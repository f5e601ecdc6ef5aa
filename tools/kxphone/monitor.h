// `kxphone monitor LINE`: a line's events, live, until interrupted.
#pragma once

#include "event_loop.h"
#include "event_output.h"

#include <string>

namespace kxphone {

/// Opens the line LineSpec names (a name or an identifier) and prints its
/// events until SIGINT or SIGTERM (exit status 0) or until the service
/// closes or removes the line (1). The first record, OPENED, says the line
/// is open.
int RunMonitor(TEventLoop& Loop, TEventOutput& Output, const std::string& LineSpec);

} // namespace kxphone
