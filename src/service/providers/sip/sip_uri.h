// The SIP addresses this provider reads itself: URIs in the configuration and
// in dialed destinations, listen addresses and port ranges. Pure functions,
// so they are tested from tables and fuzzed; whatever reaches libre has
// passed them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kxtapi::service::sip {

/// The parts of a sip: or sips: URI.
struct TSipUri {
    bool Secure = false;       // sips:
    std::string User;          // may be empty; escapes kept as written
    std::string Host;          // IPv6 references keep their brackets
    uint16_t Port = 0;         // 0 when not given
    std::string Parameters;    // ";lr;transport=udp" as written, or empty
    std::string Headers;       // "?Subject=x" as written, or empty
};

/// Parses a SIP URI (RFC 3261 section 19.1, without the password of the
/// user info). No white space, no control characters; nullopt for anything
/// else.
std::optional<TSipUri> ParseSipUri(std::string_view Text);

/// Whether Text is a host name, an IPv4 address or a bracketed IPv6
/// reference, optionally followed by ":port".
bool IsHostPort(std::string_view Text);

/// A listen address: a numeric IPv4 address or a bracketed IPv6 address and
/// a port (0: any free port).
struct TListenAddress {
    std::string Host;   // without brackets
    uint16_t Port = 0;
};
std::optional<TListenAddress> ParseListenAddress(std::string_view Text);

/// "A-B" with 1024 <= A <= B <= 65535.
struct TPortRange {
    uint16_t First = 0;
    uint16_t Last = 0;
};
std::optional<TPortRange> ParsePortRange(std::string_view Text);

/// Whether Text may be the user part of a SIP URI as it stands.
bool IsSipUser(std::string_view Text);

/// Characters a display name or other header text must not contain (control
/// characters, which would end the header or the message).
bool HasControlCharacters(std::string_view Text);

/// What a dialed destination becomes: a sip: or sips: URI as it is; a
/// "user@host" with "sip:" before it; a number (digits and what dial
/// strings hold besides), reduced to its digits, '+', '*' and '#' (up to
/// the first pause or wait modifier), as sip:NUMBER@Domain; a name
/// ("bob") as sip:NAME@Domain. nullopt when nothing dialable is left.
std::optional<std::string> DestinationUri(std::string_view Dest, std::string_view Domain);

/// The target of a REFER (the URI of its Refer-To header): the SIP URI to
/// call, and the Replaces header its header part asks for (unescaped;
/// empty when none). Other headers of the URI are dropped.
struct TReferTarget {
    std::string Uri;
    std::string Replaces;
};
std::optional<TReferTarget> ParseReferTarget(std::string_view Uri);

/// A header value escaped for the header part of a URI ("?Replaces=...").
std::string EscapeUriHeader(std::string_view Value);

}  // namespace kxtapi::service::sip
