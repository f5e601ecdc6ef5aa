#include "service/providers/sip/sip_uri.h"

#include <cctype>
#include <cstring>

namespace kxtapi::service::sip {

namespace {

bool IsAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsHex(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool IsUnreserved(char c)
{
    return IsAlnum(c) || std::strchr("-_.!~*'()", c) != nullptr;
}

// Characters of Text are unreserved, escapes (%HH) or in Extra.
bool AllOf(std::string_view Text, const char* Extra)
{
    for (size_t i = 0; i < Text.size(); ++i) {
        char c = Text[i];
        if (c == '%') {
            if (i + 2 >= Text.size() || !IsHex(Text[i + 1]) || !IsHex(Text[i + 2])) return false;
            i += 2;
            continue;
        }
        if (c == '\0' || !(IsUnreserved(c) || std::strchr(Extra, c) != nullptr)) return false;
    }
    return true;
}

bool IsHostName(std::string_view h)
{
    if (h.empty() || h.size() > 253) return false;
    if (h.back() == '.') h.remove_suffix(1);
    size_t Start = 0;
    for (;;) {
        size_t Dot = h.find('.', Start);
        std::string_view Label = h.substr(Start, Dot == std::string_view::npos ? std::string_view::npos : Dot - Start);
        if (Label.empty() || Label.size() > 63 || Label.front() == '-' || Label.back() == '-') return false;
        for (char c : Label)
            if (!IsAlnum(c) && c != '-') return false;
        if (Dot == std::string_view::npos) return true;
        Start = Dot + 1;
    }
}

bool IsIPv6Body(std::string_view h)
{
    if (h.size() < 2 || h.size() > 45) return false;
    size_t Colons = 0;
    for (char c : h) {
        if (c == ':') ++Colons;
        else if (!IsHex(c) && c != '.') return false;
    }
    return Colons >= 2;
}

bool IsIPv4(std::string_view h)
{
    int Parts = 0;
    size_t i = 0;
    while (i <= h.size()) {
        size_t End = h.find('.', i);
        if (End == std::string_view::npos) End = h.size();
        std::string_view p = h.substr(i, End - i);
        if (p.empty() || p.size() > 3) return false;
        int v = 0;
        for (char c : p) {
            if (c < '0' || c > '9') return false;
            v = v * 10 + (c - '0');
        }
        if (v > 255) return false;
        ++Parts;
        i = End + 1;
        if (End == h.size()) break;
    }
    return Parts == 4;
}

// Reads digits as a port 1..65535 (0 when AllowZero).
std::optional<uint16_t> ParsePort(std::string_view p, bool AllowZero)
{
    if (p.empty() || p.size() > 5) return std::nullopt;
    uint32_t v = 0;
    for (char c : p) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    if (v > 65535 || (v == 0 && !AllowZero)) return std::nullopt;
    return static_cast<uint16_t>(v);
}

// Splits "host[:port]"; Host keeps IPv6 brackets.
bool SplitHostPort(std::string_view Text, std::string& Host, uint16_t& Port)
{
    std::string_view h = Text, p;
    if (!Text.empty() && Text.front() == '[') {
        size_t Close = Text.find(']');
        if (Close == std::string_view::npos || !IsIPv6Body(Text.substr(1, Close - 1))) return false;
        h = Text.substr(0, Close + 1);
        std::string_view Rest = Text.substr(Close + 1);
        if (!Rest.empty()) {
            if (Rest.front() != ':') return false;
            p = Rest.substr(1);
            if (p.empty()) return false;
        }
    } else {
        size_t Colon = Text.find(':');
        if (Colon != std::string_view::npos) {
            h = Text.substr(0, Colon);
            p = Text.substr(Colon + 1);
            if (p.empty()) return false;
        }
        if (!IsHostName(h)) return false;
    }
    Port = 0;
    if (!p.empty()) {
        std::optional<uint16_t> v = ParsePort(p, false);
        if (!v) return false;
        Port = *v;
    }
    Host.assign(h);
    return true;
}

bool IsParameters(std::string_view p)
{
    // ;name[=value] repeated; each name non-empty.
    while (!p.empty()) {
        if (p.front() != ';') return false;
        p.remove_prefix(1);
        size_t End = p.find(';');
        std::string_view Param = p.substr(0, End);
        size_t Eq = Param.find('=');
        std::string_view Name = Param.substr(0, Eq);
        if (Name.empty() || !AllOf(Name, "[]/:&+$")) return false;
        if (Eq != std::string_view::npos && !AllOf(Param.substr(Eq + 1), "[]/:&+$")) return false;
        p = End == std::string_view::npos ? std::string_view() : p.substr(End);
    }
    return true;
}

bool IsHeaders(std::string_view h)
{
    // name=value joined by '&'.
    if (h.empty()) return false;
    size_t Start = 0;
    for (;;) {
        size_t End = h.find('&', Start);
        std::string_view Pair = h.substr(Start, End == std::string_view::npos ? std::string_view::npos : End - Start);
        size_t Eq = Pair.find('=');
        if (Eq == 0 || Eq == std::string_view::npos) return false;
        if (!AllOf(Pair.substr(0, Eq), "[]/?:+$") || !AllOf(Pair.substr(Eq + 1), "[]/?:+$")) return false;
        if (End == std::string_view::npos) return true;
        Start = End + 1;
    }
}

bool StartsWithNoCase(std::string_view Text, std::string_view Prefix)
{
    if (Text.size() < Prefix.size()) return false;
    for (size_t i = 0; i < Prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(Text[i])) != Prefix[i]) return false;
    return true;
}

}  // namespace

bool IsSipUser(std::string_view Text)
{
    return !Text.empty() && AllOf(Text, "&=+$,;?/");
}

bool HasControlCharacters(std::string_view Text)
{
    for (unsigned char c : Text)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

std::optional<TSipUri> ParseSipUri(std::string_view Text)
{
    TSipUri u;
    if (StartsWithNoCase(Text, "sips:")) {
        u.Secure = true;
        Text.remove_prefix(5);
    } else if (StartsWithNoCase(Text, "sip:")) {
        Text.remove_prefix(4);
    } else {
        return std::nullopt;
    }
    size_t Question = Text.find('?');
    if (Question != std::string_view::npos) {
        if (!IsHeaders(Text.substr(Question + 1))) return std::nullopt;
        u.Headers.assign(Text.substr(Question));
        Text = Text.substr(0, Question);
    }
    // The user part may hold ';' itself, so the host starts after the last
    // '@'; the parameters after the first ';' behind it.
    size_t At = Text.rfind('@');
    if (At != std::string_view::npos) {
        std::string_view User = Text.substr(0, At);
        if (!IsSipUser(User)) return std::nullopt;
        u.User.assign(User);
        Text.remove_prefix(At + 1);
    }
    size_t Semi = Text.find(';');
    std::string_view HostPort = Text.substr(0, Semi);
    if (Semi != std::string_view::npos) {
        if (!IsParameters(Text.substr(Semi))) return std::nullopt;
        u.Parameters.assign(Text.substr(Semi));
    }
    if (!SplitHostPort(HostPort, u.Host, u.Port)) return std::nullopt;
    return u;
}

bool IsHostPort(std::string_view Text)
{
    std::string Host;
    uint16_t Port;
    return SplitHostPort(Text, Host, Port);
}

std::optional<TListenAddress> ParseListenAddress(std::string_view Text)
{
    TListenAddress a;
    std::string_view p;
    if (!Text.empty() && Text.front() == '[') {
        size_t Close = Text.find(']');
        if (Close == std::string_view::npos || Close + 1 >= Text.size() || Text[Close + 1] != ':') return std::nullopt;
        std::string_view h = Text.substr(1, Close - 1);
        if (!IsIPv6Body(h)) return std::nullopt;
        a.Host.assign(h);
        p = Text.substr(Close + 2);
    } else {
        size_t Colon = Text.rfind(':');
        if (Colon == std::string_view::npos) return std::nullopt;
        std::string_view h = Text.substr(0, Colon);
        if (!IsIPv4(h)) return std::nullopt;
        a.Host.assign(h);
        p = Text.substr(Colon + 1);
    }
    std::optional<uint16_t> Port = ParsePort(p, true);
    if (!Port) return std::nullopt;
    a.Port = *Port;
    return a;
}

std::optional<TPortRange> ParsePortRange(std::string_view Text)
{
    size_t Dash = Text.find('-');
    if (Dash == std::string_view::npos) return std::nullopt;
    std::optional<uint16_t> a = ParsePort(Text.substr(0, Dash), false);
    std::optional<uint16_t> b = ParsePort(Text.substr(Dash + 1), false);
    if (!a || !b || *a < 1024 || *a > *b) return std::nullopt;
    return TPortRange{*a, *b};
}

std::optional<std::string> DestinationUri(std::string_view Dest, std::string_view Domain)
{
    // Blanks around what the program passed are not part of it.
    while (!Dest.empty() && (Dest.front() == ' ' || Dest.front() == '\t')) Dest.remove_prefix(1);
    while (!Dest.empty() && (Dest.back() == ' ' || Dest.back() == '\t')) Dest.remove_suffix(1);
    if (StartsWithNoCase(Dest, "sip:") || StartsWithNoCase(Dest, "sips:")) {
        if (!ParseSipUri(Dest)) return std::nullopt;
        return std::string(Dest);
    }
    if (size_t At = Dest.find('@'); At != std::string_view::npos && At > 0) {
        std::string Uri = "sip:" + std::string(Dest);
        // A '@' may also be a dial modifier ("wait for quiet"), which never
        // has a host after it.
        if (ParseSipUri(Uri)) return Uri;
    }
    // A name ("bob") is a user part as it is; only what looks like a
    // number is reduced to its digits.
    bool Dialable = true;
    for (char c : Dest)
        if (!std::strchr("0123456789+*#()-. ,WwPpTt@$!;", c)) Dialable = false;
    if (!Dialable) {
        if (!IsSipUser(Dest)) return std::nullopt;
        // '?' may stand in a user part, but a URI reader takes the first one
        // for the start of the URI's headers: it goes escaped.
        std::string User;
        for (char c : Dest) User += c == '?' ? std::string("%3F") : std::string(1, c);
        return "sip:" + User + "@" + std::string(Domain);
    }
    std::string Number;
    for (char c : Dest) {
        // Pauses and waits are for analogue dialing; what follows them would
        // be dialed after the call is up, which a SIP request cannot say.
        if (std::strchr(",Ww@$!;", c)) break;
        if ((c >= '0' && c <= '9') || c == '+' || c == '*') Number += c;
        else if (c == '#') Number += "%23";
    }
    if (Number.empty() || Number == "+") return std::nullopt;
    return "sip:" + Number + "@" + std::string(Domain);
}

std::string EscapeUriHeader(std::string_view Value)
{
    static const char Hex[] = "0123456789ABCDEF";
    std::string Out;
    for (char c : Value) {
        if (IsUnreserved(c) || std::strchr("[]/?:+$", c)) {
            Out += c;
        } else {
            Out += '%';
            Out += Hex[static_cast<unsigned char>(c) >> 4];
            Out += Hex[static_cast<unsigned char>(c) & 15];
        }
    }
    return Out;
}

std::optional<TReferTarget> ParseReferTarget(std::string_view Uri)
{
    TReferTarget t;
    std::string_view Headers;
    if (size_t q = Uri.find('?'); q != std::string_view::npos) {
        Headers = Uri.substr(q + 1);
        Uri = Uri.substr(0, q);
    }
    if (!ParseSipUri(Uri)) return std::nullopt;
    t.Uri.assign(Uri);
    while (!Headers.empty()) {
        size_t End = Headers.find('&');
        std::string_view Pair = Headers.substr(0, End);
        if (Pair.size() > 9 && StartsWithNoCase(Pair, "replaces=")) {
            std::string Value;
            std::string_view v = Pair.substr(9);
            for (size_t i = 0; i < v.size(); ++i) {
                if (v[i] == '%' && i + 2 < v.size() && IsHex(v[i + 1]) && IsHex(v[i + 2])) {
                    auto Digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(static_cast<unsigned char>(c)) - 'a' + 10); };
                    Value += static_cast<char>(Digit(v[i + 1]) * 16 + Digit(v[i + 2]));
                    i += 2;
                } else {
                    Value += v[i];
                }
            }
            // The value becomes a header line of ours: nothing may end it.
            if (HasControlCharacters(Value)) return std::nullopt;
            t.Replaces = Value;
        }
        if (End == std::string_view::npos) break;
        Headers.remove_prefix(End + 1);
    }
    return t;
}

}  // namespace kxtapi::service::sip
