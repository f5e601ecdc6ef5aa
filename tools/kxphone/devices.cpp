#include "devices.h"

#include "event_output.h"

#include <kxtapi/kxtapi.h>
#include <kxtapi/kxtapicomm.h>
#include <kxtapi/kxtapiutils.h>

#include <string>

namespace kxphone {

using namespace kxtapi;

namespace {

std::string Version(uint32_t V)
{
    if (V == 0) return "none";
    char b[48];
    std::snprintf(b, sizeof b, "%u.%u (0x%08X)", V >> 16, V & 0xFFFF, V);
    return b;
}

void Put(std::FILE* Out, const std::string& Utf8Text)
{
    std::fputs(Utf8Text.c_str(), Out);
    std::fputc('\n', Out);
}

void ListLine(std::FILE* Out, int32_t ID, bool WithCaps)
{
    TTapiLine Line(nullptr);
    try {
        Line.Set_DeviceID(ID);
    } catch (const Exception& E) {
        Put(Out, "  line " + std::to_string(ID) + "  (unavailable: " + Utf8(E.Message()) + ")");
        return;
    }
    TTapiLineCaps* Caps = Line.Get_Caps();
    Put(Out, "  line " + std::to_string(ID) + "  \"" + Utf8(Line.Get_DeviceName()) + "\"");
    Put(Out, "    provider     " + Utf8(Caps->GetString(0)));
    Put(Out, "    API version  " + Version(Line.Get_TSP()->APIVersion) + ", extension " +
                 Version(Line.Get_TSP()->Get_ExtVersion()));
    Put(Out, "    permanent ID 0x" + IntToHex(Caps->GetDWORD(6), 8));
    std::string Addresses;
    for (int i = 0; i < Line.Get_AddressNames()->Count(); ++i)
        Addresses += (i ? ", " : "") + Utf8(Line.Get_AddressNames()->Strings(i));
    Put(Out, "    addresses    " + (Addresses.empty() ? std::string("(none)") : Addresses));
    Put(Out, "    media modes  " + LineMediaModesToStr(Caps->GetDWORD(12), ", "));
    if (!WithCaps) return;
    // The dump's lines end in CR LF; the output's in LF.
    std::string Dump = Utf8(Caps->TextDump()), Text;
    for (char c : Dump)
        if (c != '\r') Text += c;
    size_t Start = 0;
    while (Start < Text.size()) {
        const size_t End = Text.find('\n', Start);
        Put(Out, "    " + Text.substr(Start, End == std::string::npos ? std::string::npos : End - Start));
        if (End == std::string::npos) break;
        Start = End + 1;
    }
}

void ListPhone(std::FILE* Out, int32_t ID)
{
    TTapiPhone Phone(nullptr);
    try {
        Phone.Set_DeviceID(ID);
    } catch (const Exception& E) {
        Put(Out, "  phone " + std::to_string(ID) + "  (unavailable: " + Utf8(E.Message()) + ")");
        return;
    }
    TTapiPhoneCaps* Caps = Phone.Get_Caps();
    Put(Out, "  phone " + std::to_string(ID) + "  \"" + Utf8(Phone.Get_DeviceName()) + "\"");
    Put(Out, "    provider     " + Utf8(Caps->GetString(0)));
    Put(Out, "    API version  " + Version(Phone.Get_TSP()->APIVersion) + ", extension " +
                 Version(Phone.Get_TSP()->Get_ExtVersion()));
    Put(Out, "    permanent ID 0x" + IntToHex(Caps->GetDWORD(7), 8));
    Put(Out, "    display      " + std::to_string(Caps->GetDWORD(18)) + " x " + std::to_string(Caps->GetDWORD(19)));
    Put(Out, "    ring modes   " + std::to_string(Caps->GetDWORD(20)));
    // The buttons' texts come only from an open phone; opened to monitor, it
    // changes nothing. A phone that will not open names its buttons by
    // function, or by number.
    try {
        Phone.Set_Active(true);
    } catch (const Exception&) {
    }
    std::string Buttons;
    for (int i = 0; i < Phone.Get_Controls()->Count(); ++i) {
        TTapiPhoneControl* c = Phone.Get_Controls()->Get(i);
        c->Update();
        std::string Text = Utf8(c->Get_ButtonText());
        if (Text.empty() && c->Get_ButtonFunction() != PHONEBUTTONFUNCTION_NONE) Text = c->Get_ButtonFunctionText();
        Buttons += (i ? ", " : "") + (Text.empty() ? std::to_string(i) : Text);
    }
    Put(Out, "    buttons      " + (Buttons.empty() ? std::string("(none)") : Buttons));
}

} // namespace

int ListDevices(std::FILE* Out, bool WithCaps)
{
    {
        TTapiLine Probe(nullptr);
        TStrings* Lines = Probe.Get_DeviceList();   // starts the session
        Put(Out, "Line devices: " + std::to_string(Lines->Count()));
        for (int i = 0; i < Lines->Count(); ++i) ListLine(Out, i, WithCaps);
    }
    {
        TTapiPhone Probe(nullptr);
        TStrings* Phones = Probe.Get_DeviceList();
        Put(Out, "Phone devices: " + std::to_string(Phones->Count()));
        for (int i = 0; i < Phones->Count(); ++i) ListPhone(Out, i);
    }
    const std::vector<std::string> Ports = EnumComPorts();
    const TComPortMap Map = TComPortMap::Current();
    Put(Out, "Serial ports: " + std::to_string(Ports.size()));
    for (const std::string& Name : Ports) {
        const std::string Path = SimulatedPort(Name) ? std::string("(simulated)") : Map.Path(Name);
        Put(Out, "  " + Name + "  " + Utf8(Path));
    }
    return 0;
}

} // namespace kxphone
