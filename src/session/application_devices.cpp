// The session's device-name lists: one entry per device identifier.

#include "kxtapi/rtl/format.h"
#include "kxtapi/session/application.h"
#include "kxtapi/session/errors.h"
#include "kxtapi/session/var_block.h"
#include "kxtapi/tapi/line_functions.h"
#include "kxtapi/tapi/phone_functions.h"

#include <algorithm>
#include <cstddef>

namespace kxtapi {
namespace {

constexpr uint32_t LowVersion = 0x00010000;
constexpr uint32_t HighVersion = 0x00020001;

std::string PhoneFailureName(int32_t ID, uint32_t Code)
{
    if (Code == PHONEERR_NODEVICE) return Format("Phone Device #%d (removed)", ID);
    if (Code == PHONEERR_INCOMPATIBLEAPIVERSION) return Format("Phone Device #%d (incombatible)", ID);
    return Format("Phone Device #%d (%s)", ID, TapiErrorText(Code));
}

} // namespace

void TTapiApplication::Update_LineDevices()
{
    LineDevices.Clear();
    if (LineAppHandle == 0) return;
    const uint32_t Count = std::min(LineDeviceCount, MaxListedDevices);
    for (uint32_t i = 0; i < Count; ++i) {
        const int32_t ID = static_cast<int32_t>(i);
        DWORD Version = 0;
        LINEEXTENSIONID Ext{};
        const uint32_t r = lineNegotiateAPIVersion(LineAppHandle, i, LowVersion, HighVersion, &Version, &Ext);
        std::string Name;
        if (r == 0) {
            // A fresh block per device: what one provider wrote into the
            // header must not spoil the next device's fetch.
            TVarBlock Caps(sizeof(LINEDEVCAPS));
            const uint32_t c = FetchVarBlock(Caps, [&] {
                return lineGetDevCapsA(LineAppHandle, i, Version, 0, Caps.As<LINEDEVCAPS>());
            });
            if (c == 0) Name = VarBlockString(Caps, offsetof(LINEDEVCAPS, dwLineNameSize));
            else Name = Format("Line Device #%d", ID);
        } else if (r == LINEERR_NODEVICE) {
            Name = Format("Line Device #%d (removed)", ID);
        } else if (r == LINEERR_INCOMPATIBLEAPIVERSION) {
            Name = Format("Line Device #%d (incompatible)", ID);
        } else {
            Name = Format("Line Device #%d (%s)", ID, TapiErrorText(r));
        }
        LineDevices.Add(Name);
    }
}

void TTapiApplication::Update_PhoneDevices()
{
    PhoneDevices.Clear();
    if (PhoneAppHandle == 0) return;
    const uint32_t Count = std::min(PhoneDeviceCount, MaxListedDevices);
    for (uint32_t i = 0; i < Count; ++i) {
        const int32_t ID = static_cast<int32_t>(i);
        DWORD Version = 0;
        PHONEEXTENSIONID Ext{};
        const uint32_t r = phoneNegotiateAPIVersion(PhoneAppHandle, i, LowVersion, HighVersion, &Version, &Ext);
        std::string Name;
        if (r == 0) {
            TVarBlock Caps(sizeof(PHONECAPS));
            const uint32_t c = FetchVarBlock(Caps, [&] {
                return phoneGetDevCapsA(PhoneAppHandle, i, Version, 0, Caps.As<PHONECAPS>());
            });
            if (c == 0) {
                Name = VarBlockString(Caps, offsetof(PHONECAPS, dwPhoneNameSize));
                if (Name.empty()) Name = Format("Phone Device #%d", ID);
            } else {
                Name = PhoneFailureName(ID, c);
            }
        } else {
            Name = PhoneFailureName(ID, r);
        }
        PhoneDevices.Add(Name);
    }
}

} // namespace kxtapi
