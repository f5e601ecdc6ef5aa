// The buttons and lamps of a phone: one control per identifier, and the
// phone's list of them.
#pragma once

#include "kxtapi/rtl/object.h"
#include "kxtapi/session/protected_list.h"
#include "kxtapi/session/var_block.h"

#include <cstdint>
#include <string>

namespace kxtapi {

class TTapiPhone;

/// One button/lamp of a phone. While the phone is open the control reads
/// the button information (PHONEBUTTONINFO) from the service; the phone
/// re-reads it on opening and on every PHONE_BUTTON for this identifier.
/// Without it (closed but selected phone, or a failed read) the mode and
/// function fall back to the element ButtonLampID of the capabilities'
/// lists, present only when the list holds that many elements.
class TTapiPhoneControl : public TObject {
public:
    /// Reads the button information at once (Update). APhone is not owned
    /// and may be null.
    TTapiPhoneControl(TTapiPhone* APhone, uint32_t AButtonLampID);
    std::string ClassName() const override { return "TTapiPhoneControl"; }

    /// While the phone is Active: reads the button information
    /// (phoneGetButtonInfoA) and returns the result; a failed read drops the
    /// block. Otherwise 0 when the phone is Available, else
    /// PHONEERR_OPERATIONFAILED.
    uint32_t Update();

    /// PHONEBUTTONMODE_ value: from the button information, else from the
    /// capabilities' dwButtonModes list, else 0.
    uint32_t Get_ButtonMode() const;
    /// PHONEBUTTONFUNCTION_ value, read like ButtonMode from
    /// dwButtonFunctions.
    uint32_t Get_ButtonFunction() const;
    /// PHONEBUTTONSTATE_ value from the button information; 0 without it.
    uint32_t Get_ButtonState() const;
    /// The button's text from the button information; "" without it.
    std::string Get_ButtonText() const;
    /// PHONELAMPMODE_ value. Open phone: the status block's lamp-mode list
    /// (asking phoneGetLamp when it holds 0 for the lamp); otherwise the
    /// capabilities' lamp-mode list; else 0.
    uint32_t Get_LampMode() const;
    /// TTapiPhone::Set_Lamp(this, Value); returns its result.
    uint32_t Set_LampMode(uint32_t Value);
    /// ButtonMode is not PHONEBUTTONMODE_DUMMY (a mode of 0 counts).
    bool IsButton() const;
    /// LampMode is not PHONELAMPMODE_DUMMY (a mode of 0 counts).
    bool IsLamp() const;

    /// The texts of the four values (PhoneButtonModeToStr, ...).
    std::string Get_ButtonModeText() const;
    std::string Get_ButtonFunctionText() const;
    std::string Get_ButtonStateText() const;
    std::string Get_LampModeText() const;

    TTapiPhone* Get_Phone() const noexcept { return FPhone; }
    uint32_t Get_ButtonLampID() const noexcept { return ButtonLampID; }
    /// The button information block; no buffer until read or after a failed
    /// read.
    const TVarBlock& Get_InfoBlock() const noexcept { return FInfo; }

private:
    /// The open phone's button information, or null.
    const TVarBlock* Info() const noexcept;
    /// Element ButtonLampID of the capabilities' list whose size field is at
    /// SizeOffset, when the phone is Available and the list has it; else 0.
    uint32_t CapsElement(uint32_t SizeOffset) const;

    TTapiPhone* FPhone;
    const uint32_t ButtonLampID;
    TVarBlock FInfo;
};

/// The phone's controls, index = button/lamp identifier. The phone creates
/// and frees them; the list owns nothing.
class TTapiPhoneControlList : public TTapiTypedList<TTapiPhoneControl> {
public:
    std::string ClassName() const override { return "TTapiPhoneControlList"; }
    int Add(TTapiPhoneControl* Control) { return TList::Add(Control); }
};

} // namespace kxtapi
