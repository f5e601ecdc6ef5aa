// `kxphone port PORT`: a serial terminal over the port component.
#pragma once

#include "event_loop.h"
#include "event_output.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kxphone {

struct TPortOptions {
    std::string Port;                 // a COM name or a device path
    std::string Mode;                 // a mode string, keyword or short style
    std::vector<std::string> Tokens;  // patterns the FIFO reports
    std::string LineEnd = "\r\n";     // sent after each typed line
    /// How long to go on receiving after standard input has ended.
    uint32_t Linger = 1000;
};

/// Opens the port and sends each line read from standard input; reports
/// received bytes (RX), modem-line changes (CTS, DSR, RING, DCD), breaks,
/// line errors and the tokens the FIFO finds, as they happen. Ends on
/// SIGINT (0), when input has ended and Linger has passed (0), or when the
/// port goes away (1).
int RunPortTerminal(TEventLoop& Loop, TEventOutput& Output, const TPortOptions& Options);

} // namespace kxphone
