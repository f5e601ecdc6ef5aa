// Switching the digit, media and silence monitors of a call on and off, and
// the mode setters they guard while they run.

#include "kxtapi/line/address.h"
#include "kxtapi/line/call.h"
#include "kxtapi/line/call_monitors.h"
#include "kxtapi/line/line.h"
#include "kxtapi/tapi/line_functions.h"

namespace kxtapi {
namespace {

// dwCallFeatures of LINEADDRESSCAPS in the address caps view.
constexpr int AddressCapsCallFeatures = 22;

bool ValidCall(const TTapiCall* Call) noexcept
{
    return Call != nullptr && Call->Valid();
}

} // namespace

// --- Digits ----------------------------------------------------------------------

void TTapiCallMonitorDigits::Set_Active(bool Value)
{
    if (!ValidCall(FCall)) throw Exception("MonitorDigits: No valid call");
    if (Value != FActive)
        FCall->Get_Line()->CheckTapiResult(lineMonitorDigits(FCall->Get_Handle(), Value ? FDigitModes : 0));
    FActive = Value;
}

void TTapiCallMonitorDigits::SetDigitModes(uint32_t Value)
{
    // The service listens for the modes given when monitoring began.
    if (FActive) throw Exception("Unable to set DigitModes while monitoring is active.");
    TTapiCallMonitorDigitsParams::SetDigitModes(Value);
}

// --- Media modes -----------------------------------------------------------------

void TTapiCallMonitorMedia::Set_Active(bool Value)
{
    if (!ValidCall(FCall)) throw Exception("MonitorMedia: No valid call");
    if (Value != FActive)
        FCall->Get_Line()->CheckTapiResult(lineMonitorMedia(FCall->Get_Handle(), Value ? FMediaModes : 0));
    FActive = Value;
}

void TTapiCallMonitorMedia::SetMediaModes(uint32_t Value)
{
    if (FActive) throw Exception("Unable to set MediaModes while monitoring is active.");
    TTapiCallMonitorMediaParams::SetMediaModes(Value);
}

// --- Silence ---------------------------------------------------------------------

void TTapiCallMonitorSilence::Set_Active(bool Value)
{
    if (!ValidCall(FCall)) throw Exception("MonitorSilence: No valid call");
    if (Value == FActive) return;
    TTapiLine* Line = FCall->Get_Line();
    if (Value) {
        LINEMONITORTONE Silence{};
        Silence.dwAppSpecific = SilenceAppSpecific;
        Silence.dwDuration = FDuration;
        Line->MonitorTones(FCall, &Silence, 1);
    } else {
        // TAPI keeps one tone list per call: emptying it is the only way to
        // stop listening for the silence entry.
        Line->MonitorTones(FCall, nullptr, 0);
    }
    FActive = Value;
}

bool TTapiCallMonitorSilence::Get_Available() const
{
    if (FCall == nullptr) return false;
    TTapiAddress* Address = FCall->Get_Address();
    if (Address == nullptr) return false;
    return (Address->Get_Caps()->GetDWORD(AddressCapsCallFeatures) & LINECALLFEATURE_MONITORTONES) != 0;
}

} // namespace kxtapi
