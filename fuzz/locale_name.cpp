// Locale names come from the environment; any byte string must map to a
// language identifier without reading outside it.
#include <kxtapi/rtl/system.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    std::string_view Name(reinterpret_cast<const char*>(Data), Size);
    kxtapi::LANGID Id = kxtapi::LangIDFromLocaleName(Name);
    // Every result is a primary language with a small sublanguage.
    if (kxtapi::SUBLANGID(Id) > 7) __builtin_trap();
    return 0;
}
