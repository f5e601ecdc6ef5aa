#include "kxtapi/utils/name_values.h"

#include "utils/line_call_names.h"
#include "utils/line_mode_names.h"

namespace kxtapi {

using namespace names;

namespace {

uint32_t ValueOr(TNameTable Table, std::string_view S, uint32_t Default)
{
    const TNamedValue* e = FindName(Table, S);
    return e ? e->Value : Default;
}

} // namespace

uint32_t StrToLineCallPrivilege(std::string_view S)
{
    return ValueOr(LineCallPrivilegeNames, S, LINECALLPRIVILEGE_NONE);
}

uint32_t StrToLineMediaMode(std::string_view S, uint32_t Default)
{
    return ValueOr(LineMediaModeNames, S, Default);
}

uint32_t StrToLineBearerMode(std::string_view S)
{
    return ValueOr(LineBearerModeNames, S, 0);
}

uint32_t StrToLineAddressMode(std::string_view S)
{
    return ValueOr(LineAddressModeNames, S, 0);
}

uint32_t StrToLineDigitMode(std::string_view S, uint32_t Default)
{
    return ValueOr(LineDigitModeNames, S, Default);
}

} // namespace kxtapi
