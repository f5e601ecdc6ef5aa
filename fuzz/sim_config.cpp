// Feeds arbitrary bytes to the simulated switch's configuration reader: it
// must accept or refuse them without crashing, and what it accepts must be a
// configuration the switch can take.

#include "kxtapi/sim/config.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    kxtapi::sim::TSimConfig c;
    std::string Error;
    std::string_view Text(reinterpret_cast<const char*>(Data), Size);
    if (kxtapi::sim::ParseSimConfig(Text, c, &Error)) {
        size_t Buttons = 0;
        for (const auto& p : c.Phones) {
            if (uint64_t(p.DisplayRows) * p.DisplayColumns > 4096) __builtin_trap();
            Buttons += p.Buttons.size();
        }
        (void)Buttons;
    } else if (Error.empty()) {
        __builtin_trap();   // a refusal always says why
    }
    return 0;
}
