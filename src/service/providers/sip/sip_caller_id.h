// Who is calling, from the headers of an incoming INVITE.
#pragma once

#include <string>
#include <string_view>

namespace kxtapi::service::sip {

struct TPartyIdentity {
    std::string Number;   // the URI's user part, unescaped; empty when none
    std::string Name;     // the display name, unquoted; empty when none
    bool Blocked = false; // anonymous, or withheld by a Privacy header
};

/// Whether a Privacy header value (RFC 3323/3325: "id", "header", "user",
/// joined by ';') asks to withhold the caller's identity.
bool PrivacyWithholdsIdentity(std::string_view Privacy);

/// The identity shown for a caller: display name and URI parts of the
/// P-Asserted-Identity (or else the From) header, and the Privacy header's
/// value (empty when absent). Anonymous callers (RFC 3323: the display name
/// "Anonymous", the user "anonymous" or the host "anonymous.invalid") and
/// withheld identities are Blocked, with neither number nor name.
TPartyIdentity CallerIdentity(std::string_view DisplayName, std::string_view User, std::string_view Host,
                              std::string_view Privacy);

/// A URI's user part with its %HH escapes decoded; control characters are
/// dropped, since the text goes into a call's information.
std::string UnescapeUser(std::string_view User);

}  // namespace kxtapi::service::sip
