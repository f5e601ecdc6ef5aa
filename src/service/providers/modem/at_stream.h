// The byte stream a modem sends in command mode, cut into response lines
// and DLE-shielded event codes (V.253), and the watch for the end of a data
// connection in the bytes of data mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kxtapi::service::modem {

inline constexpr char DLE = 0x10;
inline constexpr size_t MaxResponseLine = 256;

struct TAtToken {
    enum TKind { tkLine, tkDle } Kind = tkLine;
    std::string Text;   // tkLine: the line without its end
    char Code = 0;      // tkDle: the character after DLE
};

/// Cuts command-mode bytes into tokens. Lines end at CR or LF; empty lines
/// are dropped; other control bytes (NUL, XON/XOFF) are ignored. A line
/// longer than MaxResponseLine is cut there, the rest of it dropped, so a
/// modem babbling without line ends costs bounded memory. DLE followed by
/// a character is an event code (DLE DLE is a shielded DLE and ignored);
/// a DLE at the end of one chunk pairs with the first byte of the next.
class TAtLexer {
public:
    void Feed(const char* Data, size_t Size, std::vector<TAtToken>& Out);
    /// Forgets a partial line and a pending DLE.
    void Reset();

private:
    std::string FLine;
    bool FOverlong = false;
    bool FDle = false;
};

/// Watches the bytes of a data connection for the modem's report that the
/// carrier was lost ("NO CARRIER" on a line of its own), across chunk
/// boundaries. The bytes themselves are passed on untouched: a program on
/// a modem port sees that report as well.
class TCarrierWatch {
public:
    /// Feeds one chunk; true when the report ends in it. Then Tail is set to
    /// the offset just past the report: what follows is command-mode text.
    bool Feed(const char* Data, size_t Size, size_t& Tail);
    void Reset() { FMatched = 0; }

private:
    size_t FMatched = 0;   // characters of the pattern matched so far
};

}  // namespace kxtapi::service::modem
