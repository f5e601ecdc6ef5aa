// Tables of TAPI constants and their names, and the look-ups, joins and
// fallback forms every text function is built from.
//
// Each family is one table read in both directions, so a value and its name
// cannot drift apart. The compile-time checks below keep a table in strict
// value order and, for flag families, one bit per entry.
#pragma once

#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

namespace kxtapi {
class TStrings;
}

namespace kxtapi::names {

struct TNamedValue {
    uint32_t Value;
    std::string_view Name;
};

using TNameTable = std::span<const TNamedValue>;
/// Values in the order a join or list takes them, when that is not the
/// table's own order; each value must be in the table it is used with.
using TNameOrder = std::span<const uint32_t>;

constexpr const TNamedValue* FindValue(TNameTable Table, uint32_t Value) noexcept
{
    for (const TNamedValue& e : Table)
        if (e.Value == Value) return &e;
    return nullptr;
}

/// Whole-string, case-sensitive match.
constexpr const TNamedValue* FindName(TNameTable Table, std::string_view Name) noexcept
{
    for (const TNamedValue& e : Table)
        if (e.Name == Name) return &e;
    return nullptr;
}

/// The leading entries of an ascending table, up to and including Last.
constexpr TNameTable UpTo(TNameTable Table, uint32_t Last) noexcept
{
    size_t n = 0;
    while (n < Table.size() && Table[n].Value <= Last) ++n;
    return Table.first(n);
}

// ---- compile-time checks of the tables ------------------------------------

constexpr bool IsAscending(TNameTable Table) noexcept
{
    for (size_t i = 1; i < Table.size(); ++i)
        if (Table[i - 1].Value >= Table[i].Value) return false;
    return true;
}

constexpr bool IsSingleBit(uint32_t V) noexcept { return V != 0 && (V & (V - 1)) == 0; }

/// Ascending and one bit per entry.
constexpr bool IsBitTable(TNameTable Table) noexcept
{
    for (const TNamedValue& e : Table)
        if (!IsSingleBit(e.Value)) return false;
    return IsAscending(Table);
}

/// The entries are exactly First, First+1, First+2 ...
constexpr bool IsDense(TNameTable Table, uint32_t First) noexcept
{
    for (size_t i = 0; i < Table.size(); ++i)
        if (Table[i].Value != First + i) return false;
    return true;
}

constexpr bool HasValue(TNameTable Table, uint32_t Value) noexcept
{
    for (const TNamedValue& e : Table)
        if (e.Value == Value) return true;
    return false;
}

/// Every value of Order is named in Table and none comes twice.
constexpr bool IsOrderOf(TNameOrder Order, TNameTable Table) noexcept
{
    for (size_t i = 0; i < Order.size(); ++i) {
        if (!HasValue(Table, Order[i])) return false;
        for (size_t j = 0; j < i; ++j)
            if (Order[j] == Order[i]) return false;
    }
    return true;
}

// ---- texts ----------------------------------------------------------------

/// "$%x": $8000, $0.
std::string DollarHex(uint32_t Value);
/// "x%x": x1B.
std::string XHex(uint32_t Value);
/// At least four upper-case hexadecimal digits: 0010, 12345.
std::string FourDigitHex(uint32_t Value);

using TFallback = std::string (*)(uint32_t);

/// The name of Value in Table, or Fallback(Value).
std::string NameOr(TNameTable Table, uint32_t Value, TFallback Fallback);

/// The names of the bits set in Bits, in table order (or in Order), each
/// after the previous one and Separator. Bits without a name are ignored.
std::string JoinNames(uint32_t Bits, TNameTable Table, std::string_view Separator);
std::string JoinNames(uint32_t Bits, TNameTable Table, TNameOrder Order,
                      std::string_view Separator);

/// Clears List and appends the names JoinNames would join, one per line.
/// A null List is left alone.
void ListNames(uint32_t Bits, TNameTable Table, TStrings* List);
void ListNames(uint32_t Bits, TNameTable Table, TNameOrder Order, TStrings* List);

} // namespace kxtapi::names
