// The string a modem dials (ATD) for the destination a program gives.
#pragma once

#include <cstdint>
#include <string>

namespace kxtapi::service::modem {

/// Longest dial string sent: modems hold about 40 characters of a command.
inline constexpr size_t MaxDialString = 40;

/// Turns Dest into what follows ATD. A canonical address ("+1 (425)
/// 555-1212") is translated by the current location's rules first; a
/// subaddress ("|...") and a name ("^...") are left out. Digits, *, #, the
/// pause "," and the modifiers W (wait for dial tone), @ (wait for quiet),
/// ! (flash), $ (billing tone), P and T (pulse, tone) are kept, upper-case;
/// blanks, dashes, dots, slashes and brackets are dropped. Anything else
/// (letters, ";", control bytes) would reach the modem as a command and is
/// refused. Returns 0 or LINEERR_INVALADDRESS (also when nothing is left to
/// dial or the result is longer than MaxDialString).
uint32_t DialString(const std::string& Dest, std::string& Out);

}  // namespace kxtapi::service::modem
