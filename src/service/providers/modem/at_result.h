// Result codes of AT-command modems (V.250 and V.253, with the variants
// modems really send), as pure functions over one response line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kxtapi::service::modem {

enum TAtResultKind {
    arText,          // not a result code: information text of a command
    arOK,
    arConnect,       // CONNECT [rate][/protocol ...]
    arRing,          // RING, also RING A/B/C (distinctive ringing)
    arNoCarrier,
    arError,         // ERROR, +CME ERROR: n, +FCERROR
    arNoDialtone,    // NO DIALTONE, NO DIAL TONE
    arBusy,
    arNoAnswer,
    arVcon,          // voice connection (V.253)
    arDelayed,       // dialling refused for now (blacklisting rules)
    arBlacklisted,   // BLACKLISTED, BLACKLIST FULL
    // Intermediate results reported while a call is being set up.
    arRinging,       // RINGING, RINGBACK: the far end rings
    arCarrier,       // CARRIER rate: a modem answered
    arProtocol,      // PROTOCOL: ..., COMPRESSION: ...
};

struct TAtResult {
    TAtResultKind Kind = arText;
    /// Rate of CONNECT and CARRIER in bit/s; 0 when none was given.
    uint32_t Rate = 0;
};

/// Classifies one response line (without its line end). Leading and
/// trailing blanks are ignored, letters compared case-insensitively. With
/// Numeric, the short numeric form of ATV0 ("0" OK, "1" CONNECT, "3" NO
/// CARRIER ...) is recognised as well; it is off by default because a
/// numeric line is otherwise information text (an S-register's value).
TAtResult ParseResultLine(std::string_view Line, bool Numeric = false);

/// True for the codes that end a command: OK, CONNECT, NO CARRIER, ERROR,
/// NO DIALTONE, BUSY, NO ANSWER, VCON, DELAYED, BLACKLISTED.
bool IsFinal(TAtResultKind Kind) noexcept;

/// True for the codes that only report progress of a call being set up.
bool IsProgress(TAtResultKind Kind) noexcept;

/// Name of a kind, for diagnostics ("NO CARRIER").
const char* ResultName(TAtResultKind Kind) noexcept;

/// The line without leading and trailing blanks.
std::string_view TrimBlanks(std::string_view Line) noexcept;

}  // namespace kxtapi::service::modem
