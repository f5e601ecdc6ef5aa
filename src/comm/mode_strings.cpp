#include "comm/mode_strings.h"

#include "kxtapi/comm/comport.h"

#include <cctype>

namespace kxtapi {

namespace {

[[noreturn]] void Bad(const char* Text) { throw EComPort(Text, 0); }

std::string Upper(std::string_view S)
{
    std::string u(S);
    for (auto& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

/// A decimal integer other than -1, the only values a speed field takes.
bool ParseSpeed(const std::string& V, int32_t& Out)
{
    if (V.empty() || V.size() > 11) return false;
    size_t i = (V[0] == '-' || V[0] == '+') ? 1 : 0;
    if (i == V.size()) return false;
    int64_t n = 0;
    for (; i < V.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(V[i]))) return false;
        n = n * 10 + (V[i] - '0');
    }
    if (V[0] == '-') n = -n;
    if (n < INT32_MIN || n > INT32_MAX || n == -1) return false;
    Out = static_cast<int32_t>(n);
    return true;
}

bool IsParityLetter(const std::string& V) { return V.size() == 1 && std::string_view("EMNOS").find(V[0]) != std::string_view::npos; }

bool IsDataDigit(const std::string& V) { return V.size() == 1 && V[0] >= '4' && V[0] <= '8'; }

bool ParseStop(const std::string& V, int32_t& Out)
{
    if (V == "1") Out = 1;
    else if (V == "2") Out = 2;
    else if (V == "1.5") Out = 15;
    else return false;
    return true;
}

/// The value of key K: from one character after K's first occurrence up to
/// the next space.
std::string KeyValue(const std::string& S, std::string_view K)
{
    const size_t at = S.find(K);
    if (at == std::string::npos) return {};
    const size_t start = at + K.size() + 1;
    if (start >= S.size()) return {};
    const size_t end = S.find(' ', start);
    return S.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void ParseKeywords(const std::string& S, TComModeSettings& M)
{
    if (const size_t at = S.find("COM"); at != std::string::npos) {
        std::string name = "COM";
        for (size_t i = at + 3; i < S.size() && std::isdigit(static_cast<unsigned char>(S[i])); ++i) name += S[i];
        if (name.size() < 4) Bad("No or invalid port defined");
        M.PortName = name;
    }
    if (const std::string v = KeyValue(S, "BAUD"); !v.empty()) {
        if (!ParseSpeed(v, M.Baud)) Bad("No or invalid baudrate defined");
    }
    if (const std::string v = KeyValue(S, "PARITY"); !v.empty()) {
        if (!IsParityLetter(v)) Bad("No or invalid Parity defined");
        M.Parity = v[0];
    }
    if (const std::string v = KeyValue(S, "DATA"); !v.empty()) {
        if (!IsDataDigit(v)) Bad("No or invalid Databits defined");
        M.Databits = static_cast<uint8_t>(v[0] - '0');
    }
    if (const std::string v = KeyValue(S, "STOP"); !v.empty()) {
        if (!ParseStop(v, M.Stopbits)) Bad("No or invalid Stopbits defined");
    }
    M.FlowControl = TFlowControlSet();
    if (KeyValue(S, "XON") == "ON") M.FlowControl.Include(fcUseXonXoff).Include(fcRequireXonXoff);
    if (const std::string v = KeyValue(S, "DTR"); v == "HS") M.FlowControl.Include(fcUseDTR);
    else M.DTR = v == "ON";
    if (KeyValue(S, "ODSR") == "ON") M.FlowControl.Include(fcRequireDSR);
    if (const std::string v = KeyValue(S, "RTS"); v == "HS") M.FlowControl.Include(fcUseRTS);
    else M.RTS = v == "ON";
    if (KeyValue(S, "OCTS") == "ON") M.FlowControl.Include(fcRequireCTS);
    if (KeyValue(S, "IDSR") == "ON") M.Options.Include(coDsrSensitivity);
}

// Fields are upper-cased one by one, so that a port given as a device path
// ('/dev/ttyUSB0:9600,N,8,1') keeps its case and can be opened; COM names
// and the other fields are upper-cased as before.
void ParseShort(std::string S, TComModeSettings& M)
{
    S += ',';
    enum { fPort, fSpeed, fParity, fData, fStop };
    int field = S.find(':') != std::string::npos ? fPort : fSpeed;
    std::string cur;
    for (char c : S) {
        if (c != ',' && c != ':') {
            cur += c;
            continue;
        }
        if (field != fPort) cur = Upper(cur);
        switch (field) {
        case fPort:
            if (cur.empty()) Bad("No Port defined");
            M.PortName = cur[0] == '/' ? cur : Upper(cur);
            break;
        case fSpeed:
            if (!ParseSpeed(cur, M.Baud)) Bad("No or invalid Baudrate defined");
            break;
        case fParity:
            if (!IsParityLetter(cur)) Bad("No or invalid parity defined");
            M.Parity = cur[0];
            break;
        case fData:
            if (!IsDataDigit(cur)) Bad("No or invalid Databits defined");
            M.Databits = static_cast<uint8_t>(cur[0] - '0');
            break;
        case fStop:
            if (!ParseStop(cur, M.Stopbits)) Bad("No or invalid Stopbits defined");
            break;
        default:
            break;  // fields after the stop bits are ignored
        }
        ++field;
        cur.clear();
    }
}

} // namespace

std::string FormatComMode(const TComModeSettings& S)
{
    auto onOff = [](bool B) { return B ? "on" : "off"; };
    std::string m = "BAUD=" + std::to_string(S.Baud) + " PARITY=" + std::string(1, S.Parity)
                    + " DATA=" + std::to_string(S.Databits);
    m += S.Stopbits == 15 ? " STOP=1.5" : " STOP=" + std::to_string(S.Stopbits);
    m += " to=off";
    m += std::string(" xon=")
         + onOff(S.FlowControl.Contains(fcUseXonXoff) || S.FlowControl.Contains(fcRequireXonXoff));
    m += S.FlowControl.Contains(fcUseDTR) ? std::string(" dtr=hs") : std::string(" dtr=") + onOff(S.DTR);
    m += std::string(" odsr=") + onOff(S.FlowControl.Contains(fcRequireDSR));
    m += S.FlowControl.Contains(fcUseRTS) ? std::string(" rts=hs") : std::string(" rts=") + onOff(S.RTS);
    m += std::string(" octs=") + onOff(S.FlowControl.Contains(fcRequireCTS));
    m += std::string(" idsr=") + onOff(S.Options.Contains(coDsrSensitivity));
    return m;
}

void ParseComMode(std::string_view Mode, TComModeSettings& S)
{
    if (Mode.find('=') != std::string_view::npos) ParseKeywords(Upper(Mode), S);
    else if (!Mode.empty()) ParseShort(std::string(Mode), S);
}

std::string TCustomComPort::GetMode() const
{
    TComModeSettings s;
    s.PortName = FPortName;
    s.Baud = FBaud;
    s.Parity = FParity;
    s.Databits = FDatabits;
    s.Stopbits = FStopbits;
    s.FlowControl = FFlowControl;
    s.Options = FOptions;
    s.DTR = FDTR;
    s.RTS = FRTS;
    return FormatComMode(s);
}

void TCustomComPort::SetMode(const std::string& Mode)
{
    CheckNotOpen();
    TComModeSettings s;
    s.PortName = FPortName;
    s.Baud = FBaud;
    s.Parity = FParity;
    s.Databits = FDatabits;
    s.Stopbits = FStopbits;
    s.FlowControl = FFlowControl;
    s.Options = FOptions;
    s.DTR = FDTR;
    s.RTS = FRTS;
    // Fields are stored as they are parsed: those before a bad one stay set.
    auto store = [&] {
        FPortName = s.PortName;
        FBaud = s.Baud;
        FParity = s.Parity;
        FDatabits = s.Databits;
        FStopbits = s.Stopbits;
        FFlowControl = s.FlowControl;
        FOptions = s.Options;
        FDTR = s.DTR;
        FRTS = s.RTS;
    };
    try {
        ParseComMode(Mode, s);
    } catch (...) {
        store();
        throw;
    }
    store();
}

} // namespace kxtapi
