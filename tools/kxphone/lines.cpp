#include "lines.h"

#include <cctype>

namespace kxphone {

using namespace kxtapi;

namespace {

bool IsNumber(const std::string& S)
{
    if (S.empty() || S.size() > 9) return false;
    for (char c : S)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

} // namespace

int32_t FindLineDevice(const std::string& Spec)
{
    TTapiLine Probe(nullptr);
    TStrings* Names = Probe.Get_DeviceList();   // starts the session
    if (IsNumber(Spec) && std::stoi(Spec) < Names->Count()) return std::stoi(Spec);
    for (int i = 0; i < Names->Count(); ++i)
        if (AnsiSameText(Names->Strings(i), Spec)) return i;
    std::string Known;
    for (int i = 0; i < Names->Count(); ++i)
        Known += (i ? ", " : "") + std::to_string(i) + " \"" + Names->Strings(i) + "\"";
    throw Exception("no line device \"" + Spec + "\"" +
                    (Known.empty() ? std::string(": there is none") : "; there are " + Known));
}

void OpenLine(TTapiLine& Line, const std::string& Spec)
{
    Line.Set_DeviceID(FindLineDevice(Spec));
    Line.Set_Active(true);
    if (!Line.Get_Active()) throw Exception("line \"" + Line.Get_DeviceName() + "\" did not open");
}

void EndSession()
{
    if (TTapiApplication* App = TapiApplication.Peek(); App != nullptr && App->IsActive()) App->Shutdown();
}

} // namespace kxphone
