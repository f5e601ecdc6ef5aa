// Published properties of the line component and its options.

#include "kxtapi/line/line.h"
#include "kxtapi/line/registration.h"
#include "kxtapi/rtl/properties.h"
#include "kxtapi/session/registration.h"

#include <mutex>

namespace kxtapi {

void RegisterLineComponents()
{
    static std::once_flag Once;
    std::call_once(Once, [] {
        RegisterSessionClasses();
        RegisterLineClasses();
        using O = TTapiLineOptions;
        RegisterClass<O, TTapiDeviceOptions>("TTapiLineOptions")
            .Cardinal("ReplyTimeout", &O::Get_ReplyTimeout, &O::Set_ReplyTimeout)
            .Boolean("SyncMode", &O::Get_SyncMode, &O::Set_SyncMode)
            .Integer("AutoFreeIdleCalls", &O::Get_AutoFreeIdleCalls, &O::Set_AutoFreeIdleCalls)
            .Integer("AutoDropDiscCalls", &O::Get_AutoDropDiscCalls, &O::Set_AutoDropDiscCalls);
        using L = TTapiLine;
        RegisterClass<L, TTapiDevice>("TTapiLine")
            .Object("CallOptions", &L::Get_CallOptions)
            .Object("CallParams", &L::Get_CallParams)
            .Cardinal("MediaModes", &L::Get_MediaModes, &L::Set_MediaModes)
            .Object("Options", &L::Get_Options)
            .Object("Privileges", &L::Get_Privileges)
            .Object("TSP", [](const L& Line) { return static_cast<TTapiLineTSP*>(Line.Get_TSP()); });
    });
}

namespace {

struct TRegisterLineComponentsAtLoad {
    TRegisterLineComponentsAtLoad() { RegisterLineComponents(); }
} gRegisterLineComponentsAtLoad;

} // namespace

} // namespace kxtapi
