// Typed numbers of the TAPI editors: 32-bit values, signed or unsigned.

#include "design/numeric_entry.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/rtl/strings.h"

#include <limits>
#include <string>

namespace kxtapi::design_detail {
namespace {

// A value outside both 32-bit ranges would be cut to some other number.
bool Fits32(int64_t V)
{
    return V >= std::numeric_limits<int32_t>::min() && V <= std::numeric_limits<uint32_t>::max();
}

} // namespace

bool ParseTypedNumber(std::string_view Text, uint32_t& Value)
{
    const std::string t = Trim(Text);
    if (t.empty() || !(t[0] == '$' || (t[0] >= '0' && t[0] <= '9'))) return false;
    try {
        Value = StrToInt32Bits(t);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

uint32_t StrToInt32Bits(std::string_view Text)
{
    const int64_t v = StrToInt(Text);
    if (!Fits32(v)) throw EConvertError("'" + std::string(Text) + "' is not a valid integer value");
    return static_cast<uint32_t>(v);
}

} // namespace kxtapi::design_detail
