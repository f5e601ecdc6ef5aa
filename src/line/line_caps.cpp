// Field table and text of the device-capabilities view.

#include "kxtapi/line/line_caps.h"

#include "kxtapi/rtl/format.h"
#include "kxtapi/tapi/line_structs.h"

#include <cstddef>

namespace kxtapi {
namespace {

#define KX_CAPS(Name) {#Name, offsetof(LINEDEVCAPS, dw##Name)}

constexpr TBlockField CapsFields[] = {
    KX_CAPS(ProviderInfoSize), KX_CAPS(ProviderInfoOffset), KX_CAPS(SwitchInfoSize),
    KX_CAPS(SwitchInfoOffset), KX_CAPS(LineNameSize), KX_CAPS(LineNameOffset),
    KX_CAPS(PermanentLineID), KX_CAPS(StringFormat), KX_CAPS(AddressModes),
    KX_CAPS(NumAddresses), KX_CAPS(BearerModes), KX_CAPS(MaxRate),
    KX_CAPS(MediaModes), KX_CAPS(GenerateToneModes), KX_CAPS(GenerateToneMaxNumFreq),
    KX_CAPS(GenerateDigitModes), KX_CAPS(MonitorToneMaxNumFreq), KX_CAPS(MonitorToneMaxNumEntries),
    KX_CAPS(MonitorDigitModes), KX_CAPS(GatherDigitsMinTimeout), KX_CAPS(GatherDigitsMaxTimeout),
    KX_CAPS(MedCtlDigitMaxListSize), KX_CAPS(MedCtlMediaMaxListSize), KX_CAPS(MedCtlToneMaxListSize),
    KX_CAPS(MedCtlCallStateMaxListSize), KX_CAPS(DevCapFlags), KX_CAPS(MaxNumActiveCalls),
    KX_CAPS(AnswerMode), KX_CAPS(RingModes), KX_CAPS(LineStates),
    KX_CAPS(UUIAcceptSize), KX_CAPS(UUIAnswerSize), KX_CAPS(UUIMakeCallSize),
    KX_CAPS(UUIDropSize), KX_CAPS(UUISendUserUserInfoSize), KX_CAPS(UUICallInfoSize),
    KX_CAPS(NumTerminals), KX_CAPS(TerminalCapsSize), KX_CAPS(TerminalCapsOffset),
    KX_CAPS(TerminalTextEntrySize), KX_CAPS(TerminalTextSize), KX_CAPS(TerminalTextOffset),
    KX_CAPS(DevSpecificSize), KX_CAPS(DevSpecificOffset), KX_CAPS(LineFeatures),
    KX_CAPS(SettableDevStatus), KX_CAPS(DeviceClassesSize), KX_CAPS(DeviceClassesOffset),
};

constexpr TBlockField CapsStrings[] = {
    {"ProviderInfo", offsetof(LINEDEVCAPS, dwProviderInfoSize)},
    {"SwitchInfo", offsetof(LINEDEVCAPS, dwSwitchInfoSize)},
    {"LineName", offsetof(LINEDEVCAPS, dwLineNameSize)},
};

#undef KX_CAPS

static_assert(std::size(CapsFields) == TTapiLineCaps::DWordCount);
static_assert(std::size(CapsStrings) == TTapiLineCaps::StringCount);

// The first six indexes are the string pairs, which the text shows as strings.
constexpr int FirstNumberLine = 6;

} // namespace

std::span<const TBlockField> TTapiLineCaps::Fields() noexcept { return CapsFields; }
std::span<const TBlockField> TTapiLineCaps::Strings() noexcept { return CapsStrings; }

std::string TTapiLineCaps::TextDump() const
{
    const std::string LineName = GetString(2);
    std::string Text = "DeviceCaps of " + LineName;
    Text += "\r\n  ProviderInfo = " + GetString(0);
    Text += "\r\n  SwitchInfo = " + GetString(1);
    Text += "\r\n  LineName = " + LineName;
    for (int i = FirstNumberLine; i < DWordCount; ++i)
        Text += FormatLowerHex("\r\n  %s = x%x", CapsFields[i].Name, GetDWORD(i));
    return Text;
}

} // namespace kxtapi
