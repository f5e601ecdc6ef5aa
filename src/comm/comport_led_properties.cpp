// Published properties of the signal LED. None declares a streaming
// default, so each is written to every form; the port is written by name.
#include "kxtapi/comm/comport.h"
#include "kxtapi/comm/comport_led.h"
#include "kxtapi/rtl/properties.h"

namespace kxtapi {

namespace {

const bool Registered = [] {
    RegisterEnum<TCommSignal>("TCommSignal", {"csDTR", "csDSR", "csRTS", "csCTS", "csDCD", "csTXD", "csRXD"});
    RegisterEnum<TBevelStyle>("TBevelStyle", {"bsLowered", "bsRaised"});
    RegisterClass<TComPortLed, TCustomControl>("TComPortLed")
        .Boolean("Active", &TComPortLed::Get_Active)
        .Enum("Style", &TComPortLed::Get_Style, &TComPortLed::SetStyle)
        .Cardinal("ColorOn", &TComPortLed::Get_ColorOn,
                  [](TComPortLed& L, TColor V) { L.SetColor(0, V); })
        .Cardinal("ColorOff", &TComPortLed::Get_ColorOff,
                  [](TComPortLed& L, TColor V) { L.SetColor(1, V); })
        .Reference("ComPort", &TComPortLed::Get_ComPort, &TComPortLed::SetPort)
        .Enum("Signal", &TComPortLed::Get_Signal, &TComPortLed::SetSignal);
    return true;
}();

} // namespace

} // namespace kxtapi
