// TTapiPhoneRinger: ring mode and volume read from the phone's blocks,
// written through the phone.

#include "kxtapi/phone/ringer.h"

#include "kxtapi/phone/phone.h"
#include "kxtapi/tapi/phone_structs.h"

#include <cstddef>

namespace kxtapi {

bool TTapiPhoneRinger::Get_Available() const
{
    return FPhone != nullptr && FPhone->Get_DevCapsBlock().Dword(offsetof(PHONECAPS, dwNumRingModes)) != 0;
}

uint32_t TTapiPhoneRinger::Get_RingMode() const
{
    return FPhone != nullptr ? FPhone->Get_DevStatusBlock().Dword(offsetof(PHONESTATUS, dwRingMode)) : 0;
}

uint32_t TTapiPhoneRinger::Get_Volume() const
{
    return FPhone != nullptr ? FPhone->Get_DevStatusBlock().Dword(offsetof(PHONESTATUS, dwRingVolume)) : 0;
}

uint32_t TTapiPhoneRinger::Set_RingMode(uint32_t Value)
{
    if (FPhone == nullptr) throw Exception("No phone device");
    return FPhone->Set_Ring(this, Value, Get_Volume());
}

uint32_t TTapiPhoneRinger::Set_Volume(uint32_t Value)
{
    if (FPhone == nullptr) throw Exception("No phone device");
    return FPhone->Set_Ring(this, Get_RingMode(), Value);
}

} // namespace kxtapi
