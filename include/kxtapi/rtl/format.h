// Formatted strings with the semantics the library's quoted texts rely on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace kxtapi {

/// One argument of `Format`: an integer (with its width and signedness, so
/// that "%x" of -1 as a 32-bit value gives FFFFFFFF), a string, a floating
/// value or a pointer.
struct TFormatArg {
    enum Kind { Signed, Unsigned, String, Float, Pointer } kind;
    int64_t i = 0;
    uint64_t u = 0;
    double f = 0;
    std::string_view s;
    unsigned bits = 32;   // width of the integer as given, for hexadecimal

    template <typename T>
        requires std::is_integral_v<T> && (!std::is_same_v<T, bool>) && (!std::is_same_v<T, char>)
    TFormatArg(T v) noexcept
        : kind(std::is_signed_v<T> ? Signed : Unsigned),
          i(static_cast<int64_t>(v)), u(static_cast<uint64_t>(v)),
          bits(sizeof(T) > 4 ? 64 : 32) {}
    TFormatArg(bool v) noexcept : kind(Signed), i(v), u(v) {}
    TFormatArg(char v) noexcept : kind(Unsigned), i(static_cast<uint8_t>(v)), u(static_cast<uint8_t>(v)) {}
    TFormatArg(double v) noexcept : kind(Float), f(v) {}
    TFormatArg(float v) noexcept : kind(Float), f(v) {}
    TFormatArg(const char* v) noexcept : kind(String), s(v ? v : "") {}
    TFormatArg(std::string_view v) noexcept : kind(String), s(v) {}
    TFormatArg(const std::string& v) noexcept : kind(String), s(v) {}
    TFormatArg(const void* v) noexcept
        : kind(Pointer), u(reinterpret_cast<uintptr_t>(v)), bits(64) {}
};

/// Formats like the host framework's `Format`:
///   %d (signed decimal), %u (unsigned decimal), %x and %X (both upper-case
///   hexadecimal), %s, %e %f %g %n (floating), %p (pointer), %% (a percent);
///   "%[-][width][.precision]" where a precision on an integer is its minimum
///   digit count, padded with zeros ("0x%8.8x" of 255 gives 0x000000FF); a
///   precision on a string cuts it; '*' takes width or precision from the
///   arguments; "%n:" picks argument n.
/// A directive that does not match its argument, or a missing argument, raises
/// EConvertError with "Format '<fmt>' invalid or incompatible with argument".
std::string FormatV(std::string_view Fmt, const std::vector<TFormatArg>& Args,
                    bool LowerHex = false);

template <typename... A>
std::string Format(std::string_view Fmt, const A&... Args)
{
    return FormatV(Fmt, std::vector<TFormatArg>{TFormatArg(Args)...});
}

/// As `Format`, but %x and %X give lower-case hexadecimal; for the few texts
/// that want it.
template <typename... A>
std::string FormatLowerHex(std::string_view Fmt, const A&... Args)
{
    return FormatV(Fmt, std::vector<TFormatArg>{TFormatArg(Args)...}, true);
}

/// Decimal text of an integer ("IntToStr").
std::string IntToStr(int64_t Value);
/// Upper-case hexadecimal of Value with at least Digits digits ("IntToHex").
std::string IntToHex(uint64_t Value, int Digits);
/// Parses a decimal (or "$"/"0x"-prefixed hexadecimal) integer; raises
/// EConvertError "'<s>' is not a valid integer value" when it is not one.
int64_t StrToInt(std::string_view S);
/// As StrToInt but returns Default instead of raising.
int64_t StrToIntDef(std::string_view S, int64_t Default);

} // namespace kxtapi
