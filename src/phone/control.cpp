// TTapiPhoneControl: a button/lamp's information from the service, with
// the capabilities as fallback, and its texts.

#include "kxtapi/phone/control.h"

#include "kxtapi/phone/phone.h"
#include "kxtapi/tapi/phone_constants.h"
#include "kxtapi/tapi/phone_functions.h"
#include "kxtapi/tapi/phone_structs.h"
#include "kxtapi/utils/value_names.h"

#include <cstddef>

namespace kxtapi {
namespace {

// Element Index of the 32-bit list whose size field is at SizeOffset (the
// offset field follows it), present only when the list holds it.
bool ListElement(const TVarBlock& Block, uint32_t SizeOffset, uint32_t Index, uint32_t& Out)
{
    const uint32_t Size = Block.Dword(SizeOffset);
    const uint32_t Offset = Block.Dword(SizeOffset + 4);
    return Block.Entry<uint32_t>(Size / 4, Offset, Index, Out);
}

} // namespace

TTapiPhoneControl::TTapiPhoneControl(TTapiPhone* APhone, uint32_t AButtonLampID)
    : FPhone(APhone), ButtonLampID(AButtonLampID)
{
    Update();
}

uint32_t TTapiPhoneControl::Update()
{
    if (FPhone == nullptr) return PHONEERR_OPERATIONFAILED;
    if (!FPhone->Get_Active()) return FPhone->Get_Available() ? 0 : PHONEERR_OPERATIONFAILED;
    if (!FInfo.Exists()) FInfo.Allocate(sizeof(PHONEBUTTONINFO));
    const uint32_t hPhone = FPhone->Get_DeviceHandle();
    const uint32_t r = FetchVarBlock(
        FInfo, [&] { return phoneGetButtonInfoA(hPhone, ButtonLampID, FInfo.As<PHONEBUTTONINFO>()); });
    if (r != 0) FInfo.Free();
    return r;
}

const TVarBlock* TTapiPhoneControl::Info() const noexcept
{
    if (FPhone == nullptr || !FInfo.Exists() || !FPhone->Get_Active()) return nullptr;
    return &FInfo;
}

uint32_t TTapiPhoneControl::CapsElement(uint32_t SizeOffset) const
{
    uint32_t Value = 0;
    if (FPhone == nullptr || !FPhone->Get_Available()) return 0;
    return ListElement(FPhone->Get_DevCapsBlock(), SizeOffset, ButtonLampID, Value) ? Value : 0;
}

uint32_t TTapiPhoneControl::Get_ButtonMode() const
{
    if (const TVarBlock* B = Info()) return B->Dword(offsetof(PHONEBUTTONINFO, dwButtonMode));
    return CapsElement(offsetof(PHONECAPS, dwButtonModesSize));
}

uint32_t TTapiPhoneControl::Get_ButtonFunction() const
{
    if (const TVarBlock* B = Info()) return B->Dword(offsetof(PHONEBUTTONINFO, dwButtonFunction));
    return CapsElement(offsetof(PHONECAPS, dwButtonFunctionsSize));
}

uint32_t TTapiPhoneControl::Get_ButtonState() const
{
    const TVarBlock* B = Info();
    return B != nullptr ? B->Dword(offsetof(PHONEBUTTONINFO, dwButtonState)) : 0;
}

std::string TTapiPhoneControl::Get_ButtonText() const
{
    const TVarBlock* B = Info();
    if (B == nullptr) return std::string();
    return B->String(offsetof(PHONEBUTTONINFO, dwButtonTextSize), offsetof(PHONEBUTTONINFO, dwButtonTextOffset));
}

uint32_t TTapiPhoneControl::Get_LampMode() const
{
    uint32_t Mode = 0;
    if (FPhone != nullptr && FPhone->Get_Active() &&
        ListElement(FPhone->Get_DevStatusBlock(), offsetof(PHONESTATUS, dwLampModesSize), ButtonLampID, Mode)) {
        if (Mode != 0) return Mode;
        // A status without the lamp's mode: ask the device.
        uint32_t Asked = 0;
        return phoneGetLamp(FPhone->Get_DeviceHandle(), ButtonLampID, &Asked) == 0 ? Asked : 0;
    }
    return CapsElement(offsetof(PHONECAPS, dwLampModesSize));
}

uint32_t TTapiPhoneControl::Set_LampMode(uint32_t Value)
{
    if (FPhone == nullptr) throw Exception("No phone device");
    return FPhone->Set_Lamp(this, Value);
}

bool TTapiPhoneControl::IsButton() const
{
    return Get_ButtonMode() != PHONEBUTTONMODE_DUMMY;
}

bool TTapiPhoneControl::IsLamp() const
{
    return Get_LampMode() != PHONELAMPMODE_DUMMY;
}

std::string TTapiPhoneControl::Get_ButtonModeText() const { return PhoneButtonModeToStr(Get_ButtonMode()); }
std::string TTapiPhoneControl::Get_ButtonFunctionText() const { return PhoneButtonFunctionToStr(Get_ButtonFunction()); }
std::string TTapiPhoneControl::Get_ButtonStateText() const { return PhoneButtonStateToStr(Get_ButtonState()); }
std::string TTapiPhoneControl::Get_LampModeText() const { return PhoneLampModeToStr(Get_LampMode()); }

} // namespace kxtapi
