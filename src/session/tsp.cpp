// Version negotiation of lines and phones.

#include "kxtapi/session/tsp.h"

#include "kxtapi/session/application.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/phone_functions.h"

#include <cstring>

namespace kxtapi {

TTapiTSP::TTapiTSP(TTapiDevice* ADevice) : Device(ADevice) {}

void TTapiTSP::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TTapiTSP*>(Source)) {
        DeviceID = Other->DeviceID;
        std::memcpy(ExtensionID, Other->ExtensionID, sizeof(ExtensionID));
        ExtLowVersion = Other->ExtLowVersion;
        ExtHighVersion = Other->ExtHighVersion;
        ExtVersion = Other->ExtVersion;
        APILowVersion = Other->APILowVersion;
        APIHighVersion = Other->APIHighVersion;
        APIVersion = Other->APIVersion;
        return;
    }
    TPersistent::Assign(Source);
}

void TTapiTSP::Done()
{
    DeviceID = -1;
    ExtVersion = 0;
    APIVersion = 0;
    std::memset(ExtensionID, 0, sizeof(ExtensionID));
}

uint32_t TTapiTSP::Update()
{
    APIVersion = 0;
    ExtVersion = 0;
    if (DeviceID < 0) return 0;
    const uint32_t r = NegotiateAPIVersion();
    if (r == 0 && (ExtLowVersion != 0 || ExtHighVersion != 0)) NegotiateExtVersion();
    return r;
}

uint32_t TTapiTSP::Init(int32_t ADeviceID)
{
    DeviceID = ADeviceID;
    if (ADeviceID >= 0) return Update();
    Done();
    return 0;
}

uint32_t TTapiTSP::GetExtensionID(int Index) const
{
    if (Index < 0 || Index > 3) throw Exception("Invalid index");
    return ExtensionID[Index];
}

void TTapiTSP::Set_Version(int Index, uint32_t Value)
{
    if (Index == 2) ExtLowVersion = Value;
    else if (Index == 3) ExtHighVersion = Value;
    Update();
}

uint32_t TTapiLineTSP::NegotiateAPIVersion()
{
    APIVersion = 0;
    DWORD Version = 0;
    LINEEXTENSIONID Ext{};
    const uint32_t r = lineNegotiateAPIVersion(TapiApplication->LineAppHandle, static_cast<DWORD>(DeviceID),
                                               APILowVersion, APIHighVersion, &Version, &Ext);
    APIVersion = Version;
    ExtensionID[0] = Ext.dwExtensionID0;
    ExtensionID[1] = Ext.dwExtensionID1;
    ExtensionID[2] = Ext.dwExtensionID2;
    ExtensionID[3] = Ext.dwExtensionID3;
    return r;
}

uint32_t TTapiLineTSP::NegotiateExtVersion()
{
    ExtVersion = 0;
    DWORD Version = 0;
    const uint32_t r = lineNegotiateExtVersion(TapiApplication->LineAppHandle, static_cast<DWORD>(DeviceID),
                                               APIVersion, ExtLowVersion, ExtHighVersion, &Version);
    ExtVersion = Version;
    return r;
}

uint32_t TTapiPhoneTSP::NegotiateAPIVersion()
{
    APIVersion = 0;
    DWORD Version = 0;
    PHONEEXTENSIONID Ext{};
    const uint32_t r = phoneNegotiateAPIVersion(TapiApplication->PhoneAppHandle, static_cast<DWORD>(DeviceID),
                                                APILowVersion, APIHighVersion, &Version, &Ext);
    APIVersion = Version;
    ExtensionID[0] = Ext.dwExtensionID0;
    ExtensionID[1] = Ext.dwExtensionID1;
    ExtensionID[2] = Ext.dwExtensionID2;
    ExtensionID[3] = Ext.dwExtensionID3;
    return r;
}

uint32_t TTapiPhoneTSP::NegotiateExtVersion()
{
    ExtVersion = 0;
    DWORD Version = 0;
    const uint32_t r = phoneNegotiateExtVersion(TapiApplication->PhoneAppHandle, static_cast<DWORD>(DeviceID),
                                                APIVersion, ExtLowVersion, ExtHighVersion, &Version);
    ExtVersion = Version;
    return r;
}

} // namespace kxtapi
