// One hook-switch device of a phone: handset, speakerphone or headset.
#pragma once

#include "kxtapi/session/data_object.h"

#include <cstdint>
#include <string>

namespace kxtapi {

class TTapiPhone;

/// A hook-switch device of a phone (PHONEHOOKSWITCHDEV_HANDSET 1, _SPEAKER 2
/// or _HEADSET 4). It holds no data of its own: it reads the phone's
/// capabilities and status blocks, and every write is an asynchronous
/// request of the phone.
///
///   Phone.Get_Handset()->Set_OnHook(false);   // lift: requests _MICSPEAKER
///
/// A write files a request (request_kinds.h) in the phone's Requests and
/// completes like every asynchronous operation of the phone: in SyncMode it
/// waits for the reply and raises ETapiError on failure. The getters show
/// the new mode, gain or volume only after the service reports it and the
/// phone has re-read its status (PHONE_STATE).
///
/// Reading the mode, gain, volume or modes of a device other than 1, 2 or 4
/// raises Exception "Invalid HookSwitchDevice"; with no phone (or no block)
/// the reads give 0 and false.
class TTapiPhoneHookSwitch : public TTapiDataObject {
public:
    /// APhone is not owned and may be null; AHookSwitchDev is fixed.
    TTapiPhoneHookSwitch(TTapiPhone* APhone, uint32_t AHookSwitchDev) noexcept;
    std::string ClassName() const override { return "TTapiPhoneHookSwitch"; }

    /// The capabilities' dwHookSwitchDevs contains the device.
    bool Get_Available() const override;
    /// Available and the phone is Active.
    bool Get_Enabled() const override;

    /// Current gain (the status block's dwHandsetGain, ...).
    virtual uint32_t Get_Gain() const;
    /// The capabilities' dwGainFlags contain the device.
    virtual bool Get_GainAvailable() const;
    /// The device's hook-switch modes (dwHandsetHookSwitchModes, ...).
    virtual uint32_t Get_Modes() const;
    /// The current mode is PHONEHOOKSWITCHMODE_UNKNOWN.
    virtual bool Get_Unknown() const;
    /// The current mode has _ONHOOK or _UNKNOWN set.
    virtual bool Get_OnHook() const;
    /// The current mode is _SPEAKER or _MICSPEAKER.
    virtual bool Get_Speaker() const;
    /// The current mode is _MIC or _MICSPEAKER.
    virtual bool Get_Micro() const;
    /// Current volume (the status block's dwHandsetVolume, ...).
    virtual uint32_t Get_Volume() const;
    /// The capabilities' dwVolumeFlags contain the device.
    virtual bool Get_VolumeAvailable() const;

    /// The current mode (the status block's dwHandsetHookSwitchMode, ...).
    uint32_t Get_Mode() const;

    // Writes. Each raises Exception "No phone device" without a phone and
    // "Phone device not active" while the phone is not Active, ETapiError
    // when the service refuses (nothing filed), and returns what the
    // phone's asynchronous pattern returns (the reply code in SyncMode, 0
    // otherwise).

    /// phoneSetGain with Value.
    uint32_t Set_Gain(uint32_t Value);
    /// phoneSetVolume with Value.
    uint32_t Set_Volume(uint32_t Value);
    /// On hook: _ONHOOK; off hook: _MICSPEAKER (lifting switches both the
    /// microphone and the speaker on).
    uint32_t Set_OnHook(bool Value);
    /// Keeps the microphone as it is: with it on _MICSPEAKER or _MIC, with
    /// it off _SPEAKER or _ONHOOK.
    uint32_t Set_Speaker(bool Value);
    /// Keeps the speaker as it is: with it on _MICSPEAKER or _SPEAKER, with
    /// it off _MIC or _ONHOOK.
    uint32_t Set_Micro(bool Value);

    TTapiPhone* Get_Phone() const noexcept { return FPhone; }
    uint32_t Get_HookSwitchDev() const noexcept { return HookSwitchDev; }

private:
    /// Which of the three devices, by column of the status block; raises
    /// "Invalid HookSwitchDevice" for any other device.
    int DevIndex() const;
    /// The status field at byte Offset of device group DevIndex (mode,
    /// volume or gain); 0 without a phone.
    uint32_t StatusField(uint32_t FirstOffset) const;
    /// The phone, active: raises otherwise.
    TTapiPhone& ActivePhone() const;
    uint32_t WriteMode(uint32_t Mode);

    TTapiPhone* FPhone;
    const uint32_t HookSwitchDev;
};

} // namespace kxtapi
