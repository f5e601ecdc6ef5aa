// Feeds arbitrary bytes to the SIP address readers of the SIP provider
// (URIs, dialed destinations, listen addresses, port ranges): no crash, and
// whatever a destination becomes is a URI the URI reader accepts.

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
    (void)IsHostPort(Text);
    return 0;
}
