#include "kxtapi/rtl/format.h"

#include "kxtapi/rtl/object.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kxtapi {

namespace {

[[noreturn]] void FormatError(std::string_view Fmt)
{
    throw EConvertError("Format '" + std::string(Fmt) + "' invalid or incompatible with argument");
}

std::string Digits(uint64_t Value, unsigned Base, bool Lower)
{
    const char* digits = Lower ? "0123456789abcdef" : "0123456789ABCDEF";
    char buf[24];
    int n = 0;
    do {
        buf[n++] = digits[Value % Base];
        Value /= Base;
    } while (Value != 0);
    std::string out;
    out.reserve(n);
    while (n > 0) out.push_back(buf[--n]);
    return out;
}

std::string Thousands(std::string digits)
{
    std::string out;
    int count = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (count == 3) { out.push_back(','); count = 0; }
        out.push_back(*it);
        ++count;
    }
    return std::string(out.rbegin(), out.rend());
}

} // namespace

std::string FormatV(std::string_view Fmt, const std::vector<TFormatArg>& Args, bool LowerHex)
{
    std::string out;
    out.reserve(Fmt.size() + 16);
    std::size_t argIndex = 0;
    std::size_t p = 0;
    const std::size_t n = Fmt.size();

    auto nextArg = [&]() -> const TFormatArg& {
        if (argIndex >= Args.size()) FormatError(Fmt);
        return Args[argIndex++];
    };
    auto readNumber = [&](int& value) -> bool {
        if (p < n && Fmt[p] == '*') {
            const TFormatArg& a = nextArg();
            if (a.kind != TFormatArg::Signed && a.kind != TFormatArg::Unsigned) FormatError(Fmt);
            value = static_cast<int>(a.i);
            ++p;
            return true;
        }
        if (p >= n || Fmt[p] < '0' || Fmt[p] > '9') return false;
        value = 0;
        while (p < n && Fmt[p] >= '0' && Fmt[p] <= '9') {
            value = value * 10 + (Fmt[p] - '0');
            if (value > 100000) FormatError(Fmt);
            ++p;
        }
        return true;
    };

    while (p < n) {
        char c = Fmt[p];
        if (c != '%') {
            out.push_back(c);
            ++p;
            continue;
        }
        ++p;
        if (p >= n) FormatError(Fmt);
        if (Fmt[p] == '%') {
            out.push_back('%');
            ++p;
            continue;
        }
        // "%index:" selects an argument explicitly.
        std::size_t save = p;
        int number = 0;
        if (Fmt[p] >= '0' && Fmt[p] <= '9' && readNumber(number) && p < n && Fmt[p] == ':') {
            argIndex = static_cast<std::size_t>(number);
            ++p;
        } else {
            p = save;
        }
        bool left = false;
        if (p < n && Fmt[p] == '-') { left = true; ++p; }
        int width = -1, precision = -1;
        readNumber(width);
        if (p < n && Fmt[p] == '.') {
            ++p;
            if (!readNumber(precision)) precision = 0;
        }
        if (p >= n) FormatError(Fmt);
        char conv = Fmt[p++];
        std::string body;
        switch (conv) {
        case 'd': case 'D': case 'u': case 'U': {
            const TFormatArg& a = nextArg();
            if (a.kind != TFormatArg::Signed && a.kind != TFormatArg::Unsigned) FormatError(Fmt);
            bool negative = false;
            uint64_t magnitude;
            if (conv == 'u' || conv == 'U') {
                // %u shows the bits of the argument as an unsigned number of its width.
                magnitude = a.bits == 32 ? static_cast<uint32_t>(a.u) : a.u;
            } else if (a.kind == TFormatArg::Signed && a.i < 0) {
                negative = true;
                magnitude = static_cast<uint64_t>(-(a.i + 1)) + 1;
            } else {
                magnitude = a.u;
            }
            std::string digits = Digits(magnitude, 10, false);
            if (precision >= 0 && static_cast<int>(digits.size()) < precision)
                digits.insert(0, precision - digits.size(), '0');
            body = (negative ? "-" : "") + digits;
            break;
        }
        case 'x': case 'X': {
            const TFormatArg& a = nextArg();
            if (a.kind != TFormatArg::Signed && a.kind != TFormatArg::Unsigned) FormatError(Fmt);
            uint64_t v = a.bits == 32 ? static_cast<uint32_t>(a.u) : a.u;
            body = Digits(v, 16, LowerHex);
            if (precision >= 0 && static_cast<int>(body.size()) < precision)
                body.insert(0, precision - body.size(), '0');
            break;
        }
        case 'p': case 'P': {
            const TFormatArg& a = nextArg();
            if (a.kind != TFormatArg::Pointer) FormatError(Fmt);
            body = Digits(a.u, 16, LowerHex);
            if (body.size() < 2 * sizeof(void*)) body.insert(0, 2 * sizeof(void*) - body.size(), '0');
            break;
        }
        case 's': case 'S': {
            const TFormatArg& a = nextArg();
            if (a.kind != TFormatArg::String) FormatError(Fmt);
            body = std::string(a.s);
            if (precision >= 0 && static_cast<int>(body.size()) > precision) body.resize(precision);
            break;
        }
        case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'n': case 'N': case 'm': case 'M': {
            const TFormatArg& a = nextArg();
            double v;
            if (a.kind == TFormatArg::Float) v = a.f;
            else if (a.kind == TFormatArg::Signed) v = static_cast<double>(a.i);
            else if (a.kind == TFormatArg::Unsigned) v = static_cast<double>(a.u);
            else FormatError(Fmt);
            char buf[512];
            char lc = static_cast<char>(conv | 0x20);
            if (lc == 'e') {
                std::snprintf(buf, sizeof buf, "%.*E", precision < 0 ? 14 : (precision > 0 ? precision - 1 : 0), v);
                body = buf;
            } else if (lc == 'f') {
                std::snprintf(buf, sizeof buf, "%.*f", precision < 0 ? 2 : precision, v);
                body = buf;
            } else if (lc == 'g') {
                std::snprintf(buf, sizeof buf, "%.*G", precision < 0 ? 15 : precision, v);
                body = buf;
            } else {
                if (!std::isfinite(v)) { body = std::isnan(v) ? "NAN" : (v < 0 ? "-INF" : "INF"); break; }
                std::snprintf(buf, sizeof buf, "%.*f", precision < 0 ? 2 : precision, std::fabs(v));
                std::string s = buf;
                std::size_t dot = s.find('.');
                std::string ip = dot == std::string::npos ? s : s.substr(0, dot);
                std::string fp = dot == std::string::npos ? "" : s.substr(dot);
                body = (v < 0 ? "-" : "") + Thousands(ip) + fp;
            }
            break;
        }
        default:
            FormatError(Fmt);
        }
        if (width >= 0 && static_cast<int>(body.size()) < width) {
            if (left) body.append(width - body.size(), ' ');
            else body.insert(0, width - body.size(), ' ');
        }
        out += body;
    }
    return out;
}

std::string IntToStr(int64_t Value)
{
    return Format("%d", Value);
}

std::string IntToHex(uint64_t Value, int Digits)
{
    std::string s = kxtapi::Digits(Value, 16, false);
    if (Digits > 0 && static_cast<int>(s.size()) < Digits) s.insert(0, Digits - s.size(), '0');
    return s;
}

int64_t StrToIntDef(std::string_view S, int64_t Default)
{
    std::string_view t = S;
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t.front() == '$') { base = 16; t.remove_prefix(1); }
    else if (t.size() > 1 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) { base = 16; t.remove_prefix(2); }
    if (t.empty()) return Default;
    uint64_t value = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value, base);
    if (ec != std::errc() || ptr != t.data() + t.size()) return Default;
    if (base == 10) {
        if (!negative && value > static_cast<uint64_t>(INT64_MAX)) return Default;
        if (negative && value > static_cast<uint64_t>(INT64_MAX) + 1) return Default;
    }
    return negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
}

int64_t StrToInt(std::string_view S)
{
    constexpr int64_t sentinel = INT64_MIN;
    int64_t v = StrToIntDef(S, sentinel);
    if (v == sentinel && StrToIntDef(S, 0) != sentinel)
        throw EConvertError("'" + std::string(S) + "' is not a valid integer value");
    return v;
}

} // namespace kxtapi
