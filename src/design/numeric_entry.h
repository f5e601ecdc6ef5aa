// Typed numbers of the TAPI editors.
#pragma once

#include <cstdint>
#include <string_view>

namespace kxtapi::design_detail {

/// Text trimmed of blanks that starts with "$" (hexadecimal) or a digit and
/// converts to an integer that fits in 32 bits, signed or unsigned: true,
/// with its bit pattern in Value. Anything else: false.
bool ParseTypedNumber(std::string_view Text, uint32_t& Value);

/// Text as an integer that fits in 32 bits, signed or unsigned; raises
/// EConvertError "'<text>' is not a valid integer value" otherwise.
uint32_t StrToInt32Bits(std::string_view Text);

} // namespace kxtapi::design_detail
