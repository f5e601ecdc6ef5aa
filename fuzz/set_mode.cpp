// Mode strings of any shape: parsing never reads out of bounds or crashes,
// failures are EComPort with code 0, and what GetMode writes for parsed
// settings parses back to the same text.
#include "comm/mode_strings.h"
#include "kxtapi/comm/comport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace kxtapi;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::string mode(reinterpret_cast<const char*>(Data), Size);
    TComModeSettings s;
    try {
        ParseComMode(mode, s);
    } catch (const EComPort& e) {
        if (e.ErrorCode != 0) std::abort();
        return 0;
    }
    if (s.Databits < 4 || s.Databits > 8) std::abort();
    if (s.Stopbits != 1 && s.Stopbits != 2 && s.Stopbits != 15) std::abort();
    const std::string text = FormatComMode(s);
    TComModeSettings again = s;
    ParseComMode(text, again);  // must not raise
    if (FormatComMode(again) != text) {
        std::fprintf(stderr, "round trip changed '%s' to '%s'\n", text.c_str(), FormatComMode(again).c_str());
        std::abort();
    }
    // The component's own entry point on a closed port.
    static TComPort* port = new TComPort(nullptr);
    try {
        port->SetMode(mode);
    } catch (const EComPort&) {
        std::abort();  // the pure parser accepted it
    }
    return 0;
}
