// Error texts in English and German, and the exceptions built from them.
#include "kxtapi/comm/comport.h"

#include "kxtapi/rtl/system.h"

namespace kxtapi {

namespace {

struct TErrorText {
    int Code;
    const char* English;
    const char* German;  // Windows-1252
};

constexpr TErrorText kTexts[] = {
    {1, "Error accessing %s", "%s konnte nicht ge\xF6" "ffnet werden."},
    {2, "%s already assigned (open)", "%s ist bereits ge\xF6" "ffnet."},
    {3, "%s not open, unable to complete operation",
     "Der Vorgang kann nicht ausgef\xFC" "hrt werden, da %s nicht ge\xF6" "ffnet ist."},
    {4, "Error initializing Read/Write Buffers", "Fehler beim Initialisieren des Schreib-/Lese-Puffers von %s."},
    {5, "Error updating DataControlBlock", "Fehler beim Einstellen der Eigenschaften von %s."},
    {6, "Error updating CommTimeouts", "Fehler beim Einstellen der Timeout-Werte von %s."},
    {7, "EscapeCommFunction failure", "Fehler beim \xC4" "ndern der Eigenschaften von %s."},
    {8, "Read error", "Lesefehler an %s."},
    {9, "Read timeout", "Zeit\xFC" "berschreitung beim Lesen von %s."},
    {16, "Write error", "Schreibfehler an %s."},
    {17, "Write timeout", "Zeit\xFC" "berschreitung beim Schreiben auf %s."},
    {18, "Invalid stop bits value", "Ung\xFC" "ltiger Stopbits-Wert."},
    {19, "Invalid data bits value", "Ung\xFC" "ltiger Datenbits-Wert."},
    {20, "SetCommState failure", "Fehler beim Einstellen der Eigenschaften von %s."},
    {4097, "Receive queue overflow", "\xDC" "berlauf im Empfangspuffer von %s."},
    {4098, "Receive overrun error", "Empfangs\xFC" "berlauf an %s."},
    {4099, "Receive parity error", "Parity-Fehler an %s."},
    {4100, "Receive framing error", "Framing-Fehler an %s."},
    {4101, "Break detected", "Break an %s erkannt."},
    {4102, "Transmit queue is full", "Der Sendespeicher von %s ist voll."},
};

std::string Substitute(std::string Text, const std::string& PortName)
{
    // Plain replacement: a port name is never read as a format.
    const size_t at = Text.find("%s");
    if (at != std::string::npos) Text.replace(at, 2, PortName);
    return Text;
}

} // namespace

std::string TCustomComPort::ErrorText(int Code) const
{
    const bool english = PRIMARYLANGID(GetUserDefaultLCID()) == LANG_ENGLISH;
    const char* text = english ? "Error on %s" : "Fehler an %s";
    for (const auto& t : kTexts)
        if (t.Code == Code) text = english ? t.English : t.German;
    return Substitute(text, FPortName);
}

void TCustomComPort::RaiseComError(int Kind, int TextCode, uint32_t Code) const
{
    std::string msg = ErrorText(TextCode);
    switch (Kind) {
    case 1: throw EComPortWrite(std::move(msg), Code);
    case 2: throw EComPortTimeout(std::move(msg), Code);
    default: throw EComPort(std::move(msg), Code);
    }
}

std::string ComErrorsToStr(uint32_t Errors)
{
    static constexpr struct {
        uint32_t Flag;
        const char* Text;
    } kFlags[] = {
        {0x01, "Receive Queue Overflow"}, {0x02, "Receive Overrun Error"}, {0x04, "Receive Parity Error"},
        {0x08, "Receive Framing Error"},  {0x10, "Break Detected"},        {0x100, "TX Queue is full"},
    };
    std::string s;
    for (const auto& f : kFlags) {
        if (!(Errors & f.Flag)) continue;
        if (!s.empty()) s += '/';
        s += f.Text;
    }
    return s;
}

} // namespace kxtapi
