// TTapiPhoneHookSwitch: reads from the phone's blocks, and the writes of
// mode, gain and volume as requests of the phone.

#include "kxtapi/phone/hook_switch.h"

#include "kxtapi/phone/phone.h"
#include "kxtapi/tapi/phone_constants.h"
#include "kxtapi/tapi/phone_functions.h"
#include "kxtapi/tapi/phone_structs.h"

#include <cstddef>

namespace kxtapi {
namespace {

// In PHONESTATUS each device has mode, volume and gain side by side, the
// handset's group first, then the speaker's, then the headset's; in
// PHONECAPS the three modes fields follow each other in the same order.
constexpr uint32_t GroupSize = 3 * sizeof(uint32_t);

} // namespace

TTapiPhoneHookSwitch::TTapiPhoneHookSwitch(TTapiPhone* APhone, uint32_t AHookSwitchDev) noexcept
    : FPhone(APhone), HookSwitchDev(AHookSwitchDev)
{
}

int TTapiPhoneHookSwitch::DevIndex() const
{
    switch (HookSwitchDev) {
    case PHONEHOOKSWITCHDEV_HANDSET: return 0;
    case PHONEHOOKSWITCHDEV_SPEAKER: return 1;
    case PHONEHOOKSWITCHDEV_HEADSET: return 2;
    default: throw Exception("Invalid HookSwitchDevice");
    }
}

uint32_t TTapiPhoneHookSwitch::StatusField(uint32_t FirstOffset) const
{
    const uint32_t Offset = FirstOffset + static_cast<uint32_t>(DevIndex()) * GroupSize;
    return FPhone != nullptr ? FPhone->Get_DevStatusBlock().Dword(Offset) : 0;
}

bool TTapiPhoneHookSwitch::Get_Available() const
{
    return FPhone != nullptr &&
           (FPhone->Get_DevCapsBlock().Dword(offsetof(PHONECAPS, dwHookSwitchDevs)) & HookSwitchDev) != 0;
}

bool TTapiPhoneHookSwitch::Get_Enabled() const
{
    return Get_Available() && FPhone->Get_Active();
}

uint32_t TTapiPhoneHookSwitch::Get_Modes() const
{
    const uint32_t Offset =
        offsetof(PHONECAPS, dwHandsetHookSwitchModes) + static_cast<uint32_t>(DevIndex()) * sizeof(uint32_t);
    return FPhone != nullptr ? FPhone->Get_DevCapsBlock().Dword(Offset) : 0;
}

uint32_t TTapiPhoneHookSwitch::Get_Mode() const
{
    return StatusField(offsetof(PHONESTATUS, dwHandsetHookSwitchMode));
}

uint32_t TTapiPhoneHookSwitch::Get_Volume() const
{
    return StatusField(offsetof(PHONESTATUS, dwHandsetVolume));
}

uint32_t TTapiPhoneHookSwitch::Get_Gain() const
{
    return StatusField(offsetof(PHONESTATUS, dwHandsetGain));
}

bool TTapiPhoneHookSwitch::Get_GainAvailable() const
{
    return FPhone != nullptr &&
           (FPhone->Get_DevCapsBlock().Dword(offsetof(PHONECAPS, dwGainFlags)) & HookSwitchDev) != 0;
}

bool TTapiPhoneHookSwitch::Get_VolumeAvailable() const
{
    return FPhone != nullptr &&
           (FPhone->Get_DevCapsBlock().Dword(offsetof(PHONECAPS, dwVolumeFlags)) & HookSwitchDev) != 0;
}

bool TTapiPhoneHookSwitch::Get_Unknown() const
{
    return Get_Mode() == PHONEHOOKSWITCHMODE_UNKNOWN;
}

bool TTapiPhoneHookSwitch::Get_OnHook() const
{
    return (Get_Mode() & (PHONEHOOKSWITCHMODE_ONHOOK | PHONEHOOKSWITCHMODE_UNKNOWN)) != 0;
}

bool TTapiPhoneHookSwitch::Get_Speaker() const
{
    const uint32_t M = Get_Mode();
    return M == PHONEHOOKSWITCHMODE_SPEAKER || M == PHONEHOOKSWITCHMODE_MICSPEAKER;
}

bool TTapiPhoneHookSwitch::Get_Micro() const
{
    const uint32_t M = Get_Mode();
    return M == PHONEHOOKSWITCHMODE_MIC || M == PHONEHOOKSWITCHMODE_MICSPEAKER;
}

// --- Writes ------------------------------------------------------------------------------

TTapiPhone& TTapiPhoneHookSwitch::ActivePhone() const
{
    if (FPhone == nullptr) throw Exception("No phone device");
    if (!FPhone->Get_Active()) throw Exception("Phone device not active");
    return *FPhone;
}

uint32_t TTapiPhoneHookSwitch::WriteMode(uint32_t Mode)
{
    TTapiPhone& Phone = ActivePhone();
    const uint32_t r = Phone.CheckTapiResult(phoneSetHookSwitch(Phone.Get_DeviceHandle(), HookSwitchDev, Mode));
    return Phone.FileSetting(r, prkSetHookSwitch, this);
}

uint32_t TTapiPhoneHookSwitch::Set_OnHook(bool Value)
{
    // Taking the device off hook switches both microphone and speaker on.
    return WriteMode(Value ? PHONEHOOKSWITCHMODE_ONHOOK : PHONEHOOKSWITCHMODE_MICSPEAKER);
}

uint32_t TTapiPhoneHookSwitch::Set_Speaker(bool Value)
{
    ActivePhone();   // before the mode is read
    const uint32_t Mode = Get_Micro() ? (Value ? PHONEHOOKSWITCHMODE_MICSPEAKER : PHONEHOOKSWITCHMODE_MIC)
                                      : (Value ? PHONEHOOKSWITCHMODE_SPEAKER : PHONEHOOKSWITCHMODE_ONHOOK);
    return WriteMode(Mode);
}

uint32_t TTapiPhoneHookSwitch::Set_Micro(bool Value)
{
    ActivePhone();   // before the mode is read
    const uint32_t Mode = Get_Speaker() ? (Value ? PHONEHOOKSWITCHMODE_MICSPEAKER : PHONEHOOKSWITCHMODE_SPEAKER)
                                        : (Value ? PHONEHOOKSWITCHMODE_MIC : PHONEHOOKSWITCHMODE_ONHOOK);
    return WriteMode(Mode);
}

uint32_t TTapiPhoneHookSwitch::Set_Gain(uint32_t Value)
{
    TTapiPhone& Phone = ActivePhone();
    const uint32_t r = Phone.CheckTapiResult(phoneSetGain(Phone.Get_DeviceHandle(), HookSwitchDev, Value));
    return Phone.FileSetting(r, prkSetGain, this);
}

uint32_t TTapiPhoneHookSwitch::Set_Volume(uint32_t Value)
{
    TTapiPhone& Phone = ActivePhone();
    const uint32_t r = Phone.CheckTapiResult(phoneSetVolume(Phone.Get_DeviceHandle(), HookSwitchDev, Value));
    return Phone.FileSetting(r, prkSetVolume, this);
}

} // namespace kxtapi
