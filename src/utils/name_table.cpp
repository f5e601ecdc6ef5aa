#include "utils/name_table.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/rtl/strings.h"

namespace kxtapi::names {

std::string DollarHex(uint32_t Value) { return Format("$%x", Value); }

std::string XHex(uint32_t Value) { return Format("x%x", Value); }

std::string FourDigitHex(uint32_t Value) { return IntToHex(Value, 4); }

std::string NameOr(TNameTable Table, uint32_t Value, TFallback Fallback)
{
    if (const TNamedValue* e = FindValue(Table, Value)) return std::string(e->Name);
    return Fallback(Value);
}

namespace {

template <typename Visit>
void ForEachSetName(uint32_t Bits, TNameTable Table, Visit visit)
{
    for (const TNamedValue& e : Table)
        if (Bits & e.Value) visit(e.Name);
}

template <typename Visit>
void ForEachSetName(uint32_t Bits, TNameTable Table, TNameOrder Order, Visit visit)
{
    for (uint32_t v : Order)
        if (Bits & v)
            if (const TNamedValue* e = FindValue(Table, v)) visit(e->Name);
}

template <typename... Source>
std::string Join(std::string_view Separator, const Source&... source)
{
    std::string result;
    ForEachSetName(source..., [&](std::string_view name) {
        if (!result.empty()) result += Separator;
        result += name;
    });
    return result;
}

template <typename... Source>
void List(TStrings* Target, const Source&... source)
{
    if (!Target) return;
    Target->Clear();
    ForEachSetName(source..., [&](std::string_view name) { Target->Add(std::string(name)); });
}

} // namespace

std::string JoinNames(uint32_t Bits, TNameTable Table, std::string_view Separator)
{
    return Join(Separator, Bits, Table);
}

std::string JoinNames(uint32_t Bits, TNameTable Table, TNameOrder Order,
                      std::string_view Separator)
{
    return Join(Separator, Bits, Table, Order);
}

void ListNames(uint32_t Bits, TNameTable Table, TStrings* Target)
{
    List(Target, Bits, Table);
}

void ListNames(uint32_t Bits, TNameTable Table, TNameOrder Order, TStrings* Target)
{
    List(Target, Bits, Table, Order);
}

} // namespace kxtapi::names
