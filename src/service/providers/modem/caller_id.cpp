#include "service/providers/modem/caller_id.h"

#include "service/providers/modem/at_result.h"

#include "kxtapi/tapi.h"

#include <cctype>
#include <vector>

namespace kxtapi::service::modem {

namespace {

enum TTag { tgDate, tgTime, tgNumber, tgName, tgMessage, tgNoNumberReason, tgNoNameReason };

// Longest tags first where one is a prefix of another.
constexpr struct {
    const char* Text;
    TTag Tag;
} Tags[] = {
    {"REASON FOR NO CALLER NUMBER", tgNoNumberReason},
    {"REASON FOR NO CALLER NAME", tgNoNameReason},
    {"CALLER NUMBER", tgNumber},
    {"CALLER NAME", tgName},
    {"DDN_NMBR", tgNumber},
    {"DATE", tgDate},
    {"TIME", tgTime},
    {"NMBR", tgNumber},
    {"NAME", tgName},
    {"MESG", tgMessage},
};

char Up(char c) noexcept { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool EqualsNoCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Up(a[i]) != Up(b[i])) return false;
    return true;
}

// "TAG = value", "TAG=value", "TAG: value"; blanks anywhere around the
// separator. Returns false when Line does not start with a known tag.
bool SplitTag(std::string_view Line, TTag& Tag, std::string_view& Value)
{
    Line = TrimBlanks(Line);
    for (const auto& t : Tags) {
        std::string_view Name(t.Text);
        if (Line.size() <= Name.size() || !EqualsNoCase(Line.substr(0, Name.size()), Name)) continue;
        std::string_view Rest = TrimBlanks(Line.substr(Name.size()));
        if (Rest.empty() || (Rest[0] != '=' && Rest[0] != ':')) continue;
        Tag = t.Tag;
        Value = TrimBlanks(Rest.substr(1));
        return true;
    }
    return false;
}

// Printable bytes only (Windows-1252 letters included), blanks at the ends
// removed, at most MaxCallerIDText of them.
std::string Clean(std::string_view Value)
{
    std::string r;
    for (char c : Value) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) continue;
        if (r.size() == MaxCallerIDText) break;
        r.push_back(c);
    }
    while (!r.empty() && r.back() == ' ') r.pop_back();
    return r;
}

std::string DigitsOf(std::string_view Value)
{
    std::string r;
    for (char c : Value)
        if (std::isdigit(static_cast<unsigned char>(c)) && r.size() < 16) r.push_back(c);
    return r;
}

// "P" and "O" as the standards send them, and the words some modems and
// exchanges put in their place.
TCidPresence PresenceOf(std::string_view Value) noexcept
{
    static constexpr const char* Private[] = {"P", "PRIVATE", "ANONYMOUS", "WITHHELD"};
    static constexpr const char* Unavailable[] = {"O", "OUT OF AREA", "OUT-OF-AREA", "UNAVAILABLE"};
    for (const char* w : Private)
        if (EqualsNoCase(Value, w)) return cpPrivate;
    for (const char* w : Unavailable)
        if (EqualsNoCase(Value, w)) return cpUnavailable;
    return cpGiven;
}

void SetNumber(TCallerID& b, std::string_view Value)
{
    TCidPresence p = PresenceOf(Value);
    b.NumberPresence = p;
    b.Number = p == cpGiven ? Clean(Value) : std::string();
    if (p == cpGiven && b.Number.empty()) b.NumberPresence = cpNone;
}

void SetName(TCallerID& b, std::string_view Value)
{
    TCidPresence p = PresenceOf(Value);
    b.NamePresence = p;
    b.Name = p == cpGiven ? Clean(Value) : std::string();
    if (p == cpGiven && b.Name.empty()) b.NamePresence = cpNone;
}

// Date and time in one value: "03-21 14:05", "03211405".
void SetDateTime(TCallerID& b, std::string_view Value)
{
    std::string d = DigitsOf(Value);
    if (d.size() >= 8) {
        b.Date = d.substr(0, 4);
        b.Time = d.substr(4, 4);
    } else if (d.size() == 4) {
        b.Time = d;
    }
}

int HexDigit(char c) noexcept
{
    if (c >= '0' && c <= '9') return c - '0';
    c = Up(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hex digits in pairs, blanks allowed between the bytes.
bool HexBytes(std::string_view Text, std::vector<uint8_t>& Out)
{
    Out.clear();
    size_t i = 0;
    while (i < Text.size()) {
        if (Text[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= Text.size()) return false;
        int h = HexDigit(Text[i]), l = HexDigit(Text[i + 1]);
        if (h < 0 || l < 0) return false;
        Out.push_back(static_cast<uint8_t>(h * 16 + l));
        i += 2;
    }
    return !Out.empty();
}

std::string_view AsText(const uint8_t* p, size_t n) { return {reinterpret_cast<const char*>(p), n}; }

void ApplyParameter(TCallerID& b, uint8_t Type, const uint8_t* p, size_t n)
{
    switch (Type) {
    case 0x01: SetDateTime(b, AsText(p, n)); break;
    case 0x02: SetNumber(b, AsText(p, n)); break;
    case 0x04: b.NumberPresence = PresenceOf(AsText(p, n)) == cpPrivate ? cpPrivate : cpUnavailable;
               b.Number.clear(); break;
    case 0x07: SetName(b, AsText(p, n)); break;
    case 0x08: b.NamePresence = PresenceOf(AsText(p, n)) == cpPrivate ? cpPrivate : cpUnavailable;
               b.Name.clear(); break;
    default: break;   // other parameters (called line, message waiting ...) say nothing of the caller
    }
}

bool ParametersWellFormed(const uint8_t* Data, size_t Size, size_t& End)
{
    size_t i = 0;
    while (i + 2 <= Size) {
        size_t n = Data[i + 1];
        if (n == 0 || i + 2 + n > Size) break;
        i += 2 + n;
    }
    End = i;
    // Nothing left over, or a single checksum byte.
    return i > 0 && (i == Size || i + 1 == Size);
}

}  // namespace

bool DecodeCallerIDParameters(const uint8_t* Data, size_t Size, TCallerID& Block)
{
    size_t End = 0;
    if (!Data || !ParametersWellFormed(Data, Size, End)) return false;
    for (size_t i = 0; i < End; i += 2 + Data[i + 1]) ApplyParameter(Block, Data[i], Data + i + 2, Data[i + 1]);
    return true;
}

bool DecodeCallerIDMessage(const uint8_t* Data, size_t Size, TCallerID& Block)
{
    if (!Data || Size < 3) return false;
    size_t n = Data[1];
    if (Size != n + 3) return false;
    uint8_t Sum = 0;
    for (size_t i = 0; i < Size; ++i) Sum = static_cast<uint8_t>(Sum + Data[i]);
    if (Sum != 0) return false;
    const uint8_t* p = Data + 2;
    if (Data[0] == 0x04) {
        // SDMF: MMDDHHMM, then the number or "P"/"O".
        if (n < 8) return false;
        TCallerID b;
        SetDateTime(b, AsText(p, 8));
        if (n > 8) SetNumber(b, AsText(p + 8, n - 8));
        Block = b;
        return true;
    }
    if (Data[0] == 0x80) {
        TCallerID b;
        size_t End = 0;
        if (!ParametersWellFormed(p, n, End) || End != n) return false;
        DecodeCallerIDParameters(p, n, b);
        Block = b;
        return true;
    }
    return false;
}

bool ParseCallerIDHex(std::string_view Line, TCallerID& Block)
{
    std::vector<uint8_t> Bytes;
    if (!HexBytes(TrimBlanks(Line), Bytes)) return false;
    return DecodeCallerIDMessage(Bytes.data(), Bytes.size(), Block);
}

bool ParseCallerIDLine(std::string_view Line, TCallerID& Block)
{
    TTag Tag;
    std::string_view Value;
    if (!SplitTag(Line, Tag, Value)) return false;
    switch (Tag) {
    case tgDate: {
        std::string d = DigitsOf(Value);
        if (d.size() >= 8) SetDateTime(Block, d);
        else Block.Date = d;
        break;
    }
    case tgTime: SetDateTime(Block, Value); break;
    case tgNumber: SetNumber(Block, Value); break;
    case tgName: SetName(Block, Value); break;
    case tgNoNumberReason:
        Block.NumberPresence = PresenceOf(Value) == cpPrivate ? cpPrivate : cpUnavailable;
        Block.Number.clear();
        break;
    case tgNoNameReason:
        Block.NamePresence = PresenceOf(Value) == cpPrivate ? cpPrivate : cpUnavailable;
        Block.Name.clear();
        break;
    case tgMessage: {
        // The parameters the modem did not present under a tag of their
        // own, in hex; some modems put the whole message there.
        std::vector<uint8_t> Bytes;
        TCallerID Decoded = Block;
        if (HexBytes(Value, Bytes) && (DecodeCallerIDMessage(Bytes.data(), Bytes.size(), Decoded) ||
                                       DecodeCallerIDParameters(Bytes.data(), Bytes.size(), Decoded))) {
            Block = Decoded;
            break;
        }
        // Kept as received, for the program to read from the call's display.
        std::string Raw = Clean(Value);
        if (!Raw.empty() && Block.Message.size() + Raw.size() < 4 * MaxCallerIDText) {
            if (!Block.Message.empty()) Block.Message += ' ';
            Block.Message += Raw;
        }
        break;
    }
    }
    return true;
}

bool IsCallerIDLine(std::string_view Line)
{
    TTag Tag;
    std::string_view Value;
    if (SplitTag(Line, Tag, Value)) return true;
    TCallerID Scratch;
    return ParseCallerIDHex(Line, Scratch);
}

uint32_t CallerIDFlags(const TCallerID& b) noexcept
{
    uint32_t f = 0;
    if (b.NumberPresence == cpGiven) f |= LINECALLPARTYID_ADDRESS;
    if (b.NamePresence == cpGiven) f |= LINECALLPARTYID_NAME;
    if (b.NumberPresence == cpPrivate || (b.NumberPresence == cpNone && b.NamePresence == cpPrivate))
        f |= LINECALLPARTYID_BLOCKED;
    if (b.NumberPresence == cpUnavailable || (b.NumberPresence == cpNone && b.NamePresence == cpUnavailable))
        f |= LINECALLPARTYID_OUTOFAREA;
    return f ? f : LINECALLPARTYID_UNKNOWN;
}

}  // namespace kxtapi::service::modem
