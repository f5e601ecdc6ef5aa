#include "service/providers/sip/sip_caller_id.h"

#include <cctype>

namespace kxtapi::service::sip {

namespace {

bool SameNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string CleanText(std::string_view s)
{
    std::string Out;
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) Out += c;
    return Out;
}

}  // namespace

bool PrivacyWithholdsIdentity(std::string_view Privacy)
{
    while (!Privacy.empty()) {
        size_t End = Privacy.find_first_of(";,");
        std::string_view Value = Trim(Privacy.substr(0, End));
        if (SameNoCase(Value, "id") || SameNoCase(Value, "header") || SameNoCase(Value, "user")) return true;
        if (End == std::string_view::npos) break;
        Privacy.remove_prefix(End + 1);
    }
    return false;
}

std::string UnescapeUser(std::string_view User)
{
    std::string Out;
    for (size_t i = 0; i < User.size(); ++i) {
        if (User[i] == '%' && i + 2 < User.size()) {
            int h = HexValue(User[i + 1]), l = HexValue(User[i + 2]);
            if (h >= 0 && l >= 0) {
                Out += static_cast<char>(h * 16 + l);
                i += 2;
                continue;
            }
        }
        Out += User[i];
    }
    return CleanText(Out);
}

TPartyIdentity CallerIdentity(std::string_view DisplayName, std::string_view User, std::string_view Host,
                              std::string_view Privacy)
{
    TPartyIdentity p;
    DisplayName = Trim(DisplayName);
    if (DisplayName.size() >= 2 && DisplayName.front() == '"' && DisplayName.back() == '"')
        DisplayName = DisplayName.substr(1, DisplayName.size() - 2);
    if (PrivacyWithholdsIdentity(Privacy) || SameNoCase(DisplayName, "anonymous") || SameNoCase(User, "anonymous") ||
        SameNoCase(Host, "anonymous.invalid")) {
        p.Blocked = true;
        return p;
    }
    p.Number = UnescapeUser(User);
    std::string Name;
    for (size_t i = 0; i < DisplayName.size(); ++i) {
        // A quoted display name escapes with '\'.
        if (DisplayName[i] == '\\' && i + 1 < DisplayName.size()) ++i;
        Name += DisplayName[i];
    }
    p.Name = CleanText(Name);
    return p;
}

}  // namespace kxtapi::service::sip
