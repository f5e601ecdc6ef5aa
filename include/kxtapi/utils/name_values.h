// TAPI constants from their names: the reverse of value_names.h for the mode
// families a user types in. S must equal a name exactly -- whole string,
// case-sensitive, no blanks trimmed -- or the function's default is returned.
#pragma once

#include <cstdint>
#include <string_view>

namespace kxtapi {

/// "NONE" 0x1, "MONITOR" 0x2, "OWNER" 0x4; anything else gives 0x1 (NONE),
/// so "owner" gives 0x1.
uint32_t StrToLineCallPrivilege(std::string_view S);

/// The 14 names of LineMediaModeToStr and "VIDEO" (0x8000); anything else
/// gives Default.
uint32_t StrToLineMediaMode(std::string_view S, uint32_t Default);

/// The 7 names of LineBearerModeToStr; anything else gives 0.
uint32_t StrToLineBearerMode(std::string_view S);

/// "ADDRESSID" 0x1, "DIALABLEADDR" 0x2; anything else gives 0.
uint32_t StrToLineAddressMode(std::string_view S);

/// "DTMF" 0x2, "DTMFEND" 0x4, "PULSE" 0x1; anything else gives Default.
uint32_t StrToLineDigitMode(std::string_view S, uint32_t Default);

} // namespace kxtapi
