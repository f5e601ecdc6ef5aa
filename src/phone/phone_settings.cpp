// TTapiPhone: reading the display and the status fields, and the
// asynchronous writes of display, ringer and lamps.

#include "kxtapi/phone/phone.h"

#include "kxtapi/tapi/phone_functions.h"
#include "kxtapi/tapi/phone_structs.h"

#include <cstddef>

namespace kxtapi {

uint32_t TTapiPhone::Get_Display(std::string& Text)
{
    Text.clear();
    TVarBlock Block(DisplayBlockSize);
    // The bounded loop: a provider that keeps asking for more ends it.
    const uint32_t r = FetchVarBlock(
        Block, [&] { return phoneGetDisplay(DeviceHandle, Block.As<VARSTRING>()); }, frLineOrPhoneTooSmall);
    if (r == 0)
        Text = Block.String(offsetof(VARSTRING, dwStringSize), offsetof(VARSTRING, dwStringOffset));
    return r;
}

void TTapiPhone::Set_Display(TTapiPhoneDisplay* ADisplay, const std::string& Text)
{
    if (DeviceHandle == 0) throw Exception("SetDisplay failed! Device not active.");
    const uint32_t r = CheckTapiResult(
        phoneSetDisplay(DeviceHandle, 0, 0, Text.c_str(), static_cast<uint32_t>(Text.size())));
    FileSetting(r, prkSetDisplay, ADisplay);
}

uint32_t TTapiPhone::Set_Ring(TTapiPhoneRinger* ARinger, uint32_t RingMode, uint32_t Volume)
{
    if (DeviceHandle == 0) throw Exception("SetRing failed! Device not active.");
    const uint32_t r = CheckTapiResult(phoneSetRing(DeviceHandle, RingMode, Volume));
    return FileSetting(r, prkSetRing, ARinger);
}

uint32_t TTapiPhone::Set_Lamp(TTapiPhoneControl* Control, uint32_t LampMode)
{
    if (Control == nullptr) throw Exception("SetLamp failed! No control.");
    const uint32_t r = CheckTapiResult(phoneSetLamp(DeviceHandle, Control->Get_ButtonLampID(), LampMode));
    return FileSetting(r, prkSetLamp, Control);
}

uint32_t TTapiPhone::FileSetting(uint32_t Result, uint32_t Kind, TObject* Part)
{
    TEventScope Scope(*this);
    return FileRequest(Result, Kind, Part);
}

uint32_t TTapiPhone::Get_StatusDW(int Index) const
{
    if (Index < 0 || Index > 22) return 0;
    return FDevStatus.Dword(static_cast<uint32_t>(Index + 3) * 4);
}

} // namespace kxtapi
