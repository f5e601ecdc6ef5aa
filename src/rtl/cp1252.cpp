#include "kxtapi/rtl/strings.h"

#include <array>

namespace kxtapi {

namespace {

// Code points of bytes 0x80..0x9F; the undefined five keep their own value.
constexpr std::array<uint16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

int FromCodePoint(uint32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
    return -1;
}

} // namespace

std::string Cp1252ToUtf8(std::string_view S)
{
    std::string out;
    out.reserve(S.size() + S.size() / 4);
    for (char ch : S) {
        auto b = static_cast<uint8_t>(ch);
        if (b < 0x80) out.push_back(ch);
        else if (b < 0xA0) AppendUtf8(out, kHigh[b - 0x80]);
        else AppendUtf8(out, b);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view S, char Replacement)
{
    std::string out;
    out.reserve(S.size());
    std::size_t i = 0;
    while (i < S.size()) {
        auto b = static_cast<uint8_t>(S[i]);
        uint32_t cp;
        std::size_t len;
        if (b < 0x80) { cp = b; len = 1; }
        else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; len = 2; }
        else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; len = 3; }
        else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; len = 4; }
        else { out.push_back(Replacement); ++i; continue; }
        bool ok = i + len <= S.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            auto c = static_cast<uint8_t>(S[i + k]);
            if ((c & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (c & 0x3F);
        }
        // Overlong forms are malformed, not a second spelling of ASCII.
        if (ok && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000)))
            ok = false;
        if (!ok) { out.push_back(Replacement); ++i; continue; }
        int c = FromCodePoint(cp);
        out.push_back(c < 0 ? Replacement : static_cast<char>(c));
        i += len;
    }
    return out;
}

char AnsiUpperChar(char C) noexcept
{
    auto b = static_cast<uint8_t>(C);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
    switch (b) {
    case 0x9A: return static_cast<char>(0x8A);
    case 0x9C: return static_cast<char>(0x8C);
    case 0x9E: return static_cast<char>(0x8E);
    case 0xFF: return static_cast<char>(0x9F);
    default: return C;
    }
}

char AnsiLowerChar(char C) noexcept
{
    auto b = static_cast<uint8_t>(C);
    if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
    if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 32);
    switch (b) {
    case 0x8A: return static_cast<char>(0x9A);
    case 0x8C: return static_cast<char>(0x9C);
    case 0x8E: return static_cast<char>(0x9E);
    case 0x9F: return static_cast<char>(0xFF);
    default: return C;
    }
}

std::string AnsiUpperCase(std::string_view S)
{
    std::string out(S);
    for (char& c : out) c = AnsiUpperChar(c);
    return out;
}

std::string AnsiLowerCase(std::string_view S)
{
    std::string out(S);
    for (char& c : out) c = AnsiLowerChar(c);
    return out;
}

int AnsiCompareText(std::string_view A, std::string_view B) noexcept
{
    std::size_t n = A.size() < B.size() ? A.size() : B.size();
    for (std::size_t i = 0; i < n; ++i) {
        auto a = static_cast<uint8_t>(AnsiUpperChar(A[i]));
        auto b = static_cast<uint8_t>(AnsiUpperChar(B[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    if (A.size() == B.size()) return 0;
    return A.size() < B.size() ? -1 : 1;
}

bool AnsiSameText(std::string_view A, std::string_view B) noexcept
{
    return A.size() == B.size() && AnsiCompareText(A, B) == 0;
}

std::string Trim(std::string_view S)
{
    std::size_t b = 0, e = S.size();
    while (b < e && static_cast<uint8_t>(S[b]) <= ' ') ++b;
    while (e > b && static_cast<uint8_t>(S[e - 1]) <= ' ') --e;
    return std::string(S.substr(b, e - b));
}

} // namespace kxtapi
