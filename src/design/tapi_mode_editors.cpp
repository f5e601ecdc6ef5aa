// The editors that show TAPI mode values by their constant names.

#include "kxtapi/design/tapi_editors.h"

#include "kxtapi/kxtapiutils.h"
#include "kxtapi/tapi.h"

namespace kxtapi {

// Each takes typed text as a number first, then as a name; an unknown name
// stores the lookup's fallback, 0.

std::string TTapiMediaModeProperty::GetValue()
{
    return LineMediaModeToStr(GetOrdValue());
}

void TTapiMediaModeProperty::SetValue(const std::string& Value)
{
    if (!SetNumValue(Value)) SetOrdValue(StrToLineMediaMode(Value, 0));
}

void TTapiMediaModeProperty::GetValueList(TStrings* List)
{
    LineMediaModesToStrList(0xFFFFFFFF, List);
}

std::string TTapiBearerModeProperty::GetValue()
{
    return LineBearerModeToStr(GetOrdValue());
}

void TTapiBearerModeProperty::SetValue(const std::string& Value)
{
    if (!SetNumValue(Value)) SetOrdValue(StrToLineBearerMode(Value));
}

void TTapiBearerModeProperty::GetValueList(TStrings* List)
{
    LineBearerModesToStrList(255, List);
}

std::string TTapiAddressModeProperty::GetValue()
{
    return LineAddressModeToStr(GetOrdValue());
}

void TTapiAddressModeProperty::SetValue(const std::string& Value)
{
    if (!SetNumValue(Value)) SetOrdValue(StrToLineAddressMode(Value));
}

void TTapiAddressModeProperty::GetValueList(TStrings* List)
{
    LineAddressModesToStrList(255, List);
}

std::string TTapiDigitModeProperty::GetValue()
{
    return LineDigitModeToStr(GetOrdValue());
}

void TTapiDigitModeProperty::SetValue(const std::string& Value)
{
    if (!SetNumValue(Value)) SetOrdValue(StrToLineDigitMode(Value, 0));
}

void TTapiDigitModeProperty::GetValueList(TStrings* List)
{
    LineDigitModesToStrList(255, List);
}

std::string TTapiCallPrivilegeProperty::GetValue()
{
    const uint32_t v = GetOrdValue();
    std::string text;
    auto add = [&](uint32_t Bit, const char* Name) {
        if ((v & Bit) == 0) return;
        if (!text.empty()) text += '+';
        text += Name;
    };
    add(LINECALLPRIVILEGE_NONE, "NONE");
    add(LINECALLPRIVILEGE_OWNER, "OWNER");
    add(LINECALLPRIVILEGE_MONITOR, "MONITOR");
    return text;
}

void TTapiCallPrivilegeProperty::SetValue(const std::string& Value)
{
    if (Value == "NONE") SetOrdValue(LINECALLPRIVILEGE_NONE);
    else if (Value == "MONITOR") SetOrdValue(LINECALLPRIVILEGE_MONITOR);
    else if (Value == "OWNER") SetOrdValue(LINECALLPRIVILEGE_OWNER);
    else if (Value == "OWNER+MONITOR") SetOrdValue(LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR);
}

void TTapiCallPrivilegeProperty::GetValueList(TStrings* List)
{
    if (List == nullptr) return;
    List->Clear();
    List->Add("NONE");
    List->Add("MONITOR");
    List->Add("OWNER");
    List->Add("OWNER+MONITOR");
}

} // namespace kxtapi
