// Field tables of the phone's capabilities and status views.

#include "kxtapi/phone/phone_views.h"

#include "kxtapi/phone/phone.h"
#include "kxtapi/tapi/phone_structs.h"

#include <cstddef>
#include <iterator>

namespace kxtapi {
namespace {

#define KX_CAPS(Name) {#Name, offsetof(PHONECAPS, dw##Name)}

constexpr TBlockField CapsFields[] = {
    KX_CAPS(TotalSize), KX_CAPS(NeededSize), KX_CAPS(UsedSize),
    KX_CAPS(ProviderInfoSize), KX_CAPS(ProviderInfoOffset), KX_CAPS(PhoneInfoSize),
    KX_CAPS(PhoneInfoOffset), KX_CAPS(PermanentPhoneID), KX_CAPS(PhoneNameSize),
    KX_CAPS(PhoneNameOffset), KX_CAPS(StringFormat), KX_CAPS(PhoneStates),
    KX_CAPS(HookSwitchDevs), KX_CAPS(HandsetHookSwitchModes), KX_CAPS(SpeakerHookSwitchModes),
    KX_CAPS(HeadsetHookSwitchModes), KX_CAPS(VolumeFlags), KX_CAPS(GainFlags),
    KX_CAPS(DisplayNumRows), KX_CAPS(DisplayNumColumns), KX_CAPS(NumRingModes),
    KX_CAPS(NumButtonLamps), KX_CAPS(ButtonModesSize), KX_CAPS(ButtonModesOffset),
    KX_CAPS(ButtonFunctionsSize), KX_CAPS(ButtonFunctionsOffset), KX_CAPS(LampModesSize),
    KX_CAPS(LampModesOffset), KX_CAPS(NumSetData), KX_CAPS(SetDataSize),
    KX_CAPS(SetDataOffset), KX_CAPS(NumGetData), KX_CAPS(GetDataSize),
    KX_CAPS(GetDataOffset), KX_CAPS(DevSpecificSize), KX_CAPS(DevSpecificOffset),
    KX_CAPS(DeviceClassesSize), KX_CAPS(DeviceClassesOffset), KX_CAPS(PhoneFeatures),
    KX_CAPS(SettableHandsetHookSwitchModes), KX_CAPS(SettableSpeakerHookSwitchModes),
    KX_CAPS(SettableHeadsetHookSwitchModes), KX_CAPS(MonitoredHandsetHookSwitchModes),
    KX_CAPS(MonitoredSpeakerHookSwitchModes), KX_CAPS(MonitoredHeadsetHookSwitchModes),
};

constexpr TBlockField CapsStrings[] = {
    {"ProviderInfo", offsetof(PHONECAPS, dwProviderInfoSize)},
    {"PhoneInfo", offsetof(PHONECAPS, dwPhoneInfoSize)},
    {"PhoneName", offsetof(PHONECAPS, dwPhoneNameSize)},
    {"ButtonFunctions", offsetof(PHONECAPS, dwButtonFunctionsSize)},
    {"LampModes", offsetof(PHONECAPS, dwLampModesSize)},
    {"SetData", offsetof(PHONECAPS, dwSetDataSize)},
    {"GetData", offsetof(PHONECAPS, dwGetDataSize)},
    {"DevSpecific", offsetof(PHONECAPS, dwDevSpecificSize)},
};

#undef KX_CAPS
#define KX_STATUS(Name) {#Name, offsetof(PHONESTATUS, dw##Name)}

constexpr TBlockField StatusFields[] = {
    KX_STATUS(TotalSize), KX_STATUS(NeededSize), KX_STATUS(UsedSize),
    KX_STATUS(StatusFlags), KX_STATUS(NumOwners), KX_STATUS(NumMonitors),
    KX_STATUS(RingMode), KX_STATUS(RingVolume), KX_STATUS(HandsetHookSwitchMode),
    KX_STATUS(HandsetVolume), KX_STATUS(HandsetGain), KX_STATUS(SpeakerHookSwitchMode),
    KX_STATUS(SpeakerVolume), KX_STATUS(SpeakerGain), KX_STATUS(HeadsetHookSwitchMode),
    KX_STATUS(HeadsetVolume), KX_STATUS(HeadsetGain), KX_STATUS(DisplaySize),
    KX_STATUS(DisplayOffset), KX_STATUS(LampModesSize), KX_STATUS(LampModesOffset),
    KX_STATUS(OwnerNameSize), KX_STATUS(OwnerNameOffset), KX_STATUS(DevSpecificSize),
    KX_STATUS(DevSpecificOffset),
};

constexpr TBlockField StatusStrings[] = {
    {"Display", offsetof(PHONESTATUS, dwDisplaySize)},
    {"LampModes", offsetof(PHONESTATUS, dwLampModesSize)},
    {"OwnerName", offsetof(PHONESTATUS, dwOwnerNameSize)},
    {"DevSpecific", offsetof(PHONESTATUS, dwDevSpecificSize)},
};

#undef KX_STATUS

static_assert(std::size(CapsFields) == TTapiPhoneCaps::DWordCount);
static_assert(std::size(CapsStrings) == TTapiPhoneCaps::StringCount);
static_assert(std::size(StatusFields) == TTapiPhoneStatus::DWordCount);
static_assert(std::size(StatusStrings) == TTapiPhoneStatus::StringCount);

} // namespace

TTapiPhoneCaps::TTapiPhoneCaps(TTapiPhone* APhone)
    : TTapiBlockView(APhone != nullptr ? &APhone->Get_DevCapsBlock() : nullptr), FPhone(APhone)
{
}

std::span<const TBlockField> TTapiPhoneCaps::Fields() noexcept { return CapsFields; }
std::span<const TBlockField> TTapiPhoneCaps::Strings() noexcept { return CapsStrings; }

TTapiPhoneStatus::TTapiPhoneStatus(TTapiPhone* APhone)
    : TTapiBlockView(APhone != nullptr ? &APhone->Get_DevStatusBlock() : nullptr), FPhone(APhone)
{
}

std::span<const TBlockField> TTapiPhoneStatus::Fields() noexcept { return StatusFields; }
std::span<const TBlockField> TTapiPhoneStatus::Strings() noexcept { return StatusStrings; }

} // namespace kxtapi
