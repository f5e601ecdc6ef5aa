// Published properties of the line's parameter, option and view classes.

#include "kxtapi/line/registration.h"

#include "kxtapi/line/address_views.h"
#include "kxtapi/line/call_info.h"
#include "kxtapi/line/call_options.h"
#include "kxtapi/line/call_parameters.h"
#include "kxtapi/line/call_params.h"
#include "kxtapi/line/line_caps.h"
#include "kxtapi/rtl/properties.h"

#include <mutex>

namespace kxtapi {
namespace {

void RegisterParameters()
{
    using CP = TTapiCallParameters;
    RegisterClass<CP, TPersistent>("TTapiCallParameters")
        .Cardinal("AddressID", &CP::Get_AddressID, &CP::Set_AddressID, 0)
        .Cardinal("BearerMode", &CP::Get_BearerMode, &CP::Set_BearerMode, LINEBEARERMODE_VOICE)
        .Boolean("BlockID", &CP::Get_BlockID, &CP::Set_BlockID, false)
        .Cardinal("MediaMode", &CP::Get_MediaMode, &CP::Set_MediaMode, LINEMEDIAMODE_INTERACTIVEVOICE)
        .Cardinal("NoAnswerTimeout", &CP::Get_NoAnswerTimeout, &CP::Set_NoAnswerTimeout, 0);

    using D = TTapiDialParams;
    RegisterClass<D, TPersistent>("TTapiDialParams")
        .Cardinal("DialPause", &D::Get_DialPause, &D::Set_DialPause, 0)
        .Cardinal("DialSpeed", &D::Get_DialSpeed, &D::Set_DialSpeed, 0)
        .Cardinal("DigitDuration", &D::Get_DigitDuration, &D::Set_DigitDuration, 0)
        .Cardinal("WaitForDialtone", &D::Get_WaitForDialtone, &D::Set_WaitForDialtone, 0);

    using P = TTapiCallParams;
    RegisterClass<P, TPersistent>("TTapiCallParams")
        .Cardinal("BearerMode", &P::Get_BearerMode, &P::Set_BearerMode, LINEBEARERMODE_VOICE)
        .Cardinal("MinRate", &P::Get_MinRate, &P::Set_MinRate, 0)
        .Cardinal("MaxRate", &P::Get_MaxRate, &P::Set_MaxRate, 0)
        .Cardinal("MediaMode", &P::Get_MediaMode, &P::Set_MediaMode, LINEMEDIAMODE_INTERACTIVEVOICE)
        .Cardinal("Flags", &P::Get_Flags, &P::Set_Flags, 0)
        .Cardinal("AddressMode", &P::Get_AddressMode, &P::Set_AddressMode, LINEADDRESSMODE_ADDRESSID)
        .Cardinal("AddressID", &P::Get_AddressID, &P::Set_AddressID, 0)
        .Object("DialParams", &P::Get_DialParams)
        .String("OrigAddress", &P::Get_OrigAddress, &P::Set_OrigAddress)
        .String("DisplayableAddress", &P::Get_DisplayableAddress, &P::Set_DisplayableAddress)
        .String("CalledParty", &P::Get_CalledParty, &P::Set_CalledParty)
        .String("Comment", &P::Get_Comment, &P::Set_Comment)
        .String("TargetAddress", &P::Get_TargetAddress, &P::Set_TargetAddress)
        .Cardinal("NoAnswerTimeout", &P::Get_NoAnswerTimeout, &P::Set_NoAnswerTimeout, 0)
        .String("CallingPartyID", &P::Get_CallingPartyID, &P::Set_CallingPartyID);
}

void RegisterOptions()
{
    using G = TTapiCallGatherDigitsParams;
    RegisterClass<G, TPersistent>("TTapiCallGatherDigitsParams")
        .Cardinal("DigitModes", &G::Get_DigitModes, &G::Set_DigitModes, LINEDIGITMODE_DTMF)
        .String("TerminationDigits", &G::Get_TerminationDigits, &G::Set_TerminationDigits, "*#")
        .Cardinal("FirstDigitTimeout", &G::Get_FirstDigitTimeout, &G::Set_FirstDigitTimeout, 5000)
        .Cardinal("InterDigitTimeout", &G::Get_InterDigitTimeout, &G::Set_InterDigitTimeout, 5000)
        .Cardinal("NumDigits", &G::Get_NumDigits, &G::Set_NumDigits, 0);

    using MD = TTapiCallMonitorDigitsParams;
    RegisterClass<MD, TPersistent>("TTapiCallMonitorDigitsParams")
        .Cardinal("DigitModes", &MD::Get_DigitModes, &MD::SetDigitModes, LINEDIGITMODE_DTMF);

    using MM = TTapiCallMonitorMediaParams;
    RegisterClass<MM, TPersistent>("TTapiCallMonitorMediaParams")
        .Cardinal("MediaModes", &MM::Get_MediaModes, &MM::SetMediaModes, 0);

    using MS = TTapiCallMonitorSilenceParams;
    RegisterClass<MS, TPersistent>("TTapiCallMonitorSilenceParams")
        .Cardinal("Duration", &MS::Get_Duration, &MS::Set_Duration, 0);

    using C = TTapiCallCommParams;
    RegisterClass<C, TPersistent>("TTapiCallCommParams")
        .Boolean("Enabled", &C::Get_Enabled, &C::Set_Enabled, false);

    using O = TTapiCallOptions;
    RegisterClass<O, TPersistent>("TTapiCallOptions")
        .Object("GatherDigits", &O::Get_GatherDigits)
        .Object("MonitorDigits", &O::Get_MonitorDigits)
        .Object("MonitorMedia", &O::Get_MonitorMedia)
        .Object("MonitorSilence", &O::Get_MonitorSilence)
        .Object("Comm", &O::Get_Comm);
}

// Publishes the number of index i as a read-only property.
template <class V>
void AddNumber(TClassBuilder<V>& B, int i)
{
    B.Cardinal(V::Fields()[i].Name, [i](const V& View) { return View.GetDWORD(i); });
}

template <class V>
void AddString(TClassBuilder<V>& B, int i)
{
    B.String(V::Strings()[i].Name, [i](const V& View) { return View.GetString(i); });
}

void RegisterViews()
{
    // Each string stands after its size and offset.
    auto Caps = RegisterClass<TTapiLineCaps, TPersistent>("TTapiLineCaps");
    for (int s = 0; s < TTapiLineCaps::StringCount; ++s) {
        AddNumber(Caps, 2 * s);
        AddNumber(Caps, 2 * s + 1);
        AddString(Caps, s);
    }
    for (int i = 2 * TTapiLineCaps::StringCount; i < TTapiLineCaps::DWordCount; ++i) AddNumber(Caps, i);

    auto Info = RegisterClass<TTapiCallInfo, TPersistent>("TTapiCallInfo");
    for (int s = 0; s < TTapiCallInfo::StringCount; ++s) AddString(Info, s);
    for (int i = 0; i < TTapiCallInfo::DWordCount; ++i) AddNumber(Info, i);

    auto AddrCaps = RegisterClass<TTapiAddressCaps, TPersistent>("TTapiAddressCaps");
    for (int i = 0; i < TTapiAddressCaps::DWordCount; ++i) {
        AddNumber(AddrCaps, i);
        if (i == 2) AddString(AddrCaps, 0);  // Address after its pair
    }

    auto AddrStatus = RegisterClass<TTapiAddressStatus, TPersistent>("TTapiAddressStatus");
    for (int i = 0; i < TTapiAddressStatus::DWordCount; ++i) AddNumber(AddrStatus, i);
}

} // namespace

void RegisterLineClasses()
{
    static std::once_flag Once;
    std::call_once(Once, [] {
        RegisterParameters();
        RegisterOptions();
        RegisterViews();
    });
}

namespace {

struct TRegisterClassesAtLoad {
    TRegisterClassesAtLoad() { RegisterLineClasses(); }
} gRegisterClassesAtLoad;

} // namespace

} // namespace kxtapi
