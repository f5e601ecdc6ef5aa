// The hexadecimal editor and the base of the TAPI mode editors.

#include "kxtapi/design/tapi_editors.h"

#include "design/numeric_entry.h"
#include "kxtapi/rtl/format.h"

namespace kxtapi {

std::string TTapiHexProperty::GetValue()
{
    return "$" + IntToHex(GetOrdValue(), 1);
}

void TTapiHexProperty::SetValue(const std::string& Value)
{
    // Text that is no number reaches the designer as a conversion error.
    if (!SetNumValue(Value)) SetOrdValue(design_detail::StrToInt32Bits(Value));
}

bool TTapiHexProperty::SetNumValue(const std::string& Text)
{
    uint32_t v = 0;
    if (!design_detail::ParseTypedNumber(Text, v)) return false;
    SetOrdValue(v);
    return true;
}

TPropertyAttributes TTapiOrdValueProperty::GetAttributes()
{
    return {paValueList};
}

void TTapiOrdValueProperty::GetValues(const TGetStrProc& Proc)
{
    TStringList list;
    GetValueList(&list);
    for (int i = 0; i < list.Count(); ++i) Proc(list.Strings(i));
}

void TTapiOrdValueProperty::GetValueList(TStrings*) {}

bool TTapiOrdValueProperty::SetNumValue(const std::string& Text)
{
    uint32_t v = 0;
    if (!design_detail::ParseTypedNumber(Text, v)) return false;
    SetOrdValue(v);
    return true;
}

} // namespace kxtapi
