// Published properties of the session's classes, for form files and editors.

#include "kxtapi/session/registration.h"

#include "kxtapi/related/related_device.h"
#include "kxtapi/rtl/properties.h"
#include "kxtapi/session/appl.h"
#include "kxtapi/session/device.h"
#include "kxtapi/session/device_options.h"
#include "kxtapi/session/icon.h"
#include "kxtapi/session/privileges.h"
#include "kxtapi/session/tsp.h"

#include <mutex>

namespace kxtapi {

void RegisterSessionClasses()
{
    static std::once_flag Once;
    std::call_once(Once, [] {
        RegisterClass<TTapiComponent, TComponent>("TTapiComponent");
        RegisterClass<TTapiDevice, TTapiComponent>("TTapiDevice")
            .Boolean("Active", &TTapiDevice::Get_Active, &TTapiDevice::Set_Active, false)
            .String("DeviceName", &TTapiDevice::Get_DeviceName, &TTapiDevice::Set_DeviceName, "");
        RegisterClass<TTapiAppl, TTapiComponent>("TTapiAppl")
            .String("ApplName", &TTapiAppl::Get_ApplName, &TTapiAppl::Set_ApplName)
            .Integer("AutoShutdown", &TTapiAppl::Get_AutoShutdown, &TTapiAppl::Set_AutoShutdown, -1)
            .Boolean("Enabled", &TTapiAppl::Get_Enabled, &TTapiAppl::Set_Enabled, false)
            .Boolean("RequestMakeCall", &TTapiAppl::Get_RequestMakeCall, &TTapiAppl::Set_RequestMakeCall, false);
        RegisterClass<TTapiDeviceOptions, TPersistent>("TTapiDeviceOptions");
        RegisterClass<TTapiIcon, TPersistent>("TTapiIcon");
        RegisterClass<TTapiTSP, TPersistent>("TTapiTSP")
            .Cardinal("ExtVersion", &TTapiTSP::Get_ExtVersion)
            .Cardinal("ExtLowVersion", &TTapiTSP::Get_ExtLowVersion, &TTapiTSP::Set_ExtLowVersion, 0)
            .Cardinal("ExtHighVersion", &TTapiTSP::Get_ExtHighVersion, &TTapiTSP::Set_ExtHighVersion, 0)
            .Cardinal("ExtensionID0", [](const TTapiTSP& T) { return T.GetExtensionID(0); })
            .Cardinal("ExtensionID1", [](const TTapiTSP& T) { return T.GetExtensionID(1); })
            .Cardinal("ExtensionID2", [](const TTapiTSP& T) { return T.GetExtensionID(2); })
            .Cardinal("ExtensionID3", [](const TTapiTSP& T) { return T.GetExtensionID(3); });
        RegisterClass<TTapiLineTSP, TTapiTSP>("TTapiLineTSP");
        RegisterClass<TTapiPhoneTSP, TTapiTSP>("TTapiPhoneTSP");
        RegisterClass<TTapiLinePrivileges, TPersistent>("TTapiLinePrivileges")
            .Boolean("Monitor", &TTapiLinePrivileges::Get_Monitor, &TTapiLinePrivileges::Set_Monitor)
            .Boolean("None", &TTapiLinePrivileges::Get_None, &TTapiLinePrivileges::Set_None)
            .Boolean("Owner", &TTapiLinePrivileges::Get_Owner, &TTapiLinePrivileges::Set_Owner);
        RegisterClass<TTapiPhonePrivileges, TPersistent>("TTapiPhonePrivileges")
            .Boolean("Monitor", &TTapiPhonePrivileges::Get_Monitor, &TTapiPhonePrivileges::Set_Monitor)
            .Boolean("Owner", &TTapiPhonePrivileges::Get_Owner, &TTapiPhonePrivileges::Set_Owner);
        RegisterClass<TTapiRelatedDevice, TPersistent>("TTapiRelatedDevice");
        RegisterClass<TTapiPhoneLineDevice, TTapiRelatedDevice>("TTapiPhoneLineDevice");
        RegisterClass<TTapiLinePhoneDevices, TTapiRelatedDevice>("TTapiLinePhoneDevices");
        RegisterClass<TTapiRelatedWaveDevice, TTapiRelatedDevice>("TTapiRelatedWaveDevice");
        RegisterClass<TTapiCommDevice, TTapiRelatedDevice>("TTapiCommDevice")
            .String("DeviceClass", &TTapiCommDevice::Get_DeviceClass, &TTapiCommDevice::Set_DeviceClass,
                    "comm/datamodem")
            .Boolean("Enabled", &TTapiCommDevice::Get_Enabled, &TTapiCommDevice::Set_Enabled, false);
    });
}

namespace {

struct TRegisterSessionAtLoad {
    TRegisterSessionAtLoad() { RegisterSessionClasses(); }
} gRegisterSessionAtLoad;

} // namespace

} // namespace kxtapi
