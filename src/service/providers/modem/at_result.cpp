#include "service/providers/modem/at_result.h"

#include <cctype>

namespace kxtapi::service::modem {

namespace {

char Up(char c) noexcept { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool StartsWith(std::string_view s, std::string_view Prefix) noexcept
{
    if (s.size() < Prefix.size()) return false;
    for (size_t i = 0; i < Prefix.size(); ++i)
        if (Up(s[i]) != Prefix[i]) return false;
    return true;
}

bool Equals(std::string_view s, std::string_view Word) noexcept
{
    return s.size() == Word.size() && StartsWith(s, Word);
}

// "CONNECT 33600/ARQ": the digits that follow, with a "K" suffix for
// thousands ("CONNECT 56K" on some data pumps).
uint32_t RateAfter(std::string_view Rest) noexcept
{
    Rest = TrimBlanks(Rest);
    uint64_t v = 0;
    size_t i = 0;
    while (i < Rest.size() && std::isdigit(static_cast<unsigned char>(Rest[i]))) {
        if (i == 9) return 0;   // no line runs that fast: not a rate
        v = v * 10 + static_cast<uint64_t>(Rest[i] - '0');
        ++i;
    }
    if (i == 0) return 0;
    if (i < Rest.size() && Up(Rest[i]) == 'K') v *= 1000;
    return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
}

// A word is followed by nothing or by a separator, so that "RINGING" is not
// "RING" and "OKAY" is not "OK".
bool Word(std::string_view s, std::string_view W) noexcept
{
    if (!StartsWith(s, W)) return false;
    if (s.size() == W.size()) return true;
    char c = s[W.size()];
    return !std::isalpha(static_cast<unsigned char>(c));
}

TAtResult Numeric(std::string_view s) noexcept
{
    // ATV0 codes; the CONNECT variants of the classic code table carry
    // their rate in the number.
    static constexpr struct { const char* Code; TAtResultKind Kind; uint32_t Rate; } Table[] = {
        {"0", arOK, 0},         {"1", arConnect, 0},      {"2", arRing, 0},        {"3", arNoCarrier, 0},
        {"4", arError, 0},      {"5", arConnect, 1200},   {"6", arNoDialtone, 0},  {"7", arBusy, 0},
        {"8", arNoAnswer, 0},   {"10", arConnect, 2400},  {"11", arConnect, 4800}, {"12", arConnect, 9600},
        {"13", arConnect, 7200}, {"14", arConnect, 12000}, {"15", arConnect, 14400}, {"16", arConnect, 19200},
        {"17", arConnect, 38400}, {"18", arConnect, 57600}, {"19", arConnect, 115200},
    };
    for (const auto& e : Table)
        if (s == e.Code) return {e.Kind, e.Rate};
    return {};
}

}  // namespace

std::string_view TrimBlanks(std::string_view Line) noexcept
{
    while (!Line.empty() && (Line.front() == ' ' || Line.front() == '\t')) Line.remove_prefix(1);
    while (!Line.empty() && (Line.back() == ' ' || Line.back() == '\t')) Line.remove_suffix(1);
    return Line;
}

TAtResult ParseResultLine(std::string_view Line, bool NumericForm)
{
    std::string_view s = TrimBlanks(Line);
    if (s.empty()) return {};
    if (NumericForm && std::isdigit(static_cast<unsigned char>(s[0]))) return Numeric(s);
    if (Equals(s, "OK")) return {arOK};
    if (Word(s, "CONNECT")) return {arConnect, RateAfter(s.substr(7))};
    if (Word(s, "RINGING") || Word(s, "RINGBACK")) return {arRinging};
    if (Word(s, "RING")) return {arRing};
    if (Equals(s, "NO CARRIER")) return {arNoCarrier};
    if (Equals(s, "ERROR") || StartsWith(s, "+CME ERROR") || StartsWith(s, "+FCERROR")) return {arError};
    if (Equals(s, "NO DIALTONE") || Equals(s, "NO DIAL TONE")) return {arNoDialtone};
    if (Equals(s, "BUSY")) return {arBusy};
    if (Equals(s, "NO ANSWER")) return {arNoAnswer};
    if (Equals(s, "VCON")) return {arVcon};
    if (Equals(s, "DELAYED")) return {arDelayed};
    if (Equals(s, "BLACKLISTED") || Equals(s, "BLACKLIST FULL")) return {arBlacklisted};
    if (Word(s, "CARRIER")) return {arCarrier, RateAfter(s.substr(7))};
    if (StartsWith(s, "PROTOCOL:") || StartsWith(s, "COMPRESSION:")) return {arProtocol};
    return {};
}

bool IsFinal(TAtResultKind Kind) noexcept
{
    switch (Kind) {
    case arOK: case arConnect: case arNoCarrier: case arError: case arNoDialtone: case arBusy:
    case arNoAnswer: case arVcon: case arDelayed: case arBlacklisted:
        return true;
    default:
        return false;
    }
}

bool IsProgress(TAtResultKind Kind) noexcept
{
    return Kind == arRinging || Kind == arCarrier || Kind == arProtocol;
}

const char* ResultName(TAtResultKind Kind) noexcept
{
    switch (Kind) {
    case arText: return "text";
    case arOK: return "OK";
    case arConnect: return "CONNECT";
    case arRing: return "RING";
    case arNoCarrier: return "NO CARRIER";
    case arError: return "ERROR";
    case arNoDialtone: return "NO DIALTONE";
    case arBusy: return "BUSY";
    case arNoAnswer: return "NO ANSWER";
    case arVcon: return "VCON";
    case arDelayed: return "DELAYED";
    case arBlacklisted: return "BLACKLISTED";
    case arRinging: return "RINGING";
    case arCarrier: return "CARRIER";
    case arProtocol: return "PROTOCOL";
    }
    return "?";
}

}  // namespace kxtapi::service::modem
