// Feeds arbitrary bytes to the SIP provider's own readers (URIs, dialed
// destinations, listen addresses, port ranges, the caller's identity and
// privacy): no crash, whatever a destination becomes is a URI the URI
// reader accepts, and no identity text carries a control character.

#include "service/providers/sip/sip_caller_id.h"
#include "service/providers/sip/sip_uri.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    using namespace kxtapi::service::sip;
    std::string_view Text(reinterpret_cast<const char*>(Data), Size);
    if (auto u = ParseSipUri(Text)) {
        if (u->Host.empty()) __builtin_trap();
        if (HasControlCharacters(u->User) || HasControlCharacters(u->Host)) __builtin_trap();
    }
    if (auto d = DestinationUri(Text, "example.org")) {
        if (!ParseSipUri(*d)) __builtin_trap();
    }
    if (auto r = ParsePortRange(Text)) {
        if (r->First > r->Last || r->First < 1024) __builtin_trap();
    }
    (void)ParseListenAddress(Text);
    if (auto t = ParseReferTarget(Text)) {
        if (!ParseSipUri(t->Uri) || HasControlCharacters(t->Replaces)) __builtin_trap();
        auto Again = ParseReferTarget(t->Uri + "?Replaces=" + EscapeUriHeader(t->Replaces));
        if (!t->Replaces.empty() && (!Again || Again->Replaces != t->Replaces)) __builtin_trap();
    }
    // The caller's identity from header parts: nothing that could end a
    // header line gets through.
    size_t Third = Text.size() / 3;
    TPartyIdentity p = CallerIdentity(Text.substr(0, Third), Text.substr(Third, Third), Text.substr(2 * Third), Text);
    if (HasControlCharacters(p.Name) || HasControlCharacters(p.Number)) __builtin_trap();
    if (p.Blocked && (!p.Name.empty() || !p.Number.empty())) __builtin_trap();
    (void)IsHostPort(Text);
    return 0;
}
