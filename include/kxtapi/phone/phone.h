// The phone component: one TAPI phone device (a handset-type terminal with
// hook switches, display, ringer, buttons and lamps) and its events.
//
//   TTapiPhone Phone(nullptr);
//   Phone.OnDigitPressed = [](TTapiPhone*, char Digit) { ... };
//   Phone.OnHandsetHookSwitch = [](TObject* Sender) { ... };
//   Phone.Get_Privileges()->Set_Owner(true);     // to change its settings
//   Phone.Set_DeviceName("Simulated Phone");     // enables the session, selects
//   Phone.Set_Active(true);                      // opens the phone
//   Phone.Get_Handset()->Set_OnHook(false);      // lifts the handset
//   Phone.Get_Display()->Set_Text("Hello");
//   Application()->Run();
//
// Everything runs on the main thread: the session hands each PHONE_ message
// whose callback instance is this phone to Handle_TapiMessage.
//
// Parts. The phone owns three hook switches (Handset, Speakerphone,
// Headset), its Display and Ringer, one control per button/lamp (Controls,
// index = identifier, built from the capabilities when a device is
// selected), the Caps and Status views on its two blocks, and the related
// line devices (LineDevice). The parts read the phone's blocks; the status
// block is re-read on every PHONE_STATE, so a getter shows a change once its
// event has been raised.
//
// Settings. Display, ring, lamp, hook-switch, gain and volume writes are
// asynchronous requests (request_kinds.h) filed with Options.ReplyTimeout. In
// SyncMode (the default) the write waits for the reply, dispatching messages
// meanwhile, has OnTapiReply raised and raises ETapiError with the reply's
// code, or LINEERR_OPERATIONFAILED when no reply came in time or the phone
// was closed meanwhile. Otherwise it returns at once and the outcome arrives
// as OnTapiReply or OnTapiTimeout. Changing settings needs the Owner
// privilege; the default, Monitor, only watches.
//
// Freeing from event handlers. A handler frees the phone with
// TTapiPhone::Free(), never with delete: while an event of the phone is being
// raised (or one of its writes waits for its reply), Free() only marks the
// phone, which is deleted when the outermost of these has ended.
#pragma once

#include "kxtapi/phone/control.h"
#include "kxtapi/phone/display.h"
#include "kxtapi/phone/hook_switch.h"
#include "kxtapi/phone/phone_events.h"
#include "kxtapi/phone/phone_views.h"
#include "kxtapi/phone/request_kinds.h"
#include "kxtapi/phone/ringer.h"
#include "kxtapi/related/related_device.h"
#include "kxtapi/rtl/strings.h"
#include "kxtapi/session/device.h"
#include "kxtapi/session/device_options.h"
#include "kxtapi/session/privileges.h"
#include "kxtapi/session/var_block.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kxtapi {

/// A phone's options: ReplyTimeout (60000 ms) and SyncMode (true), both
/// published.
class TTapiPhoneOptions : public TTapiDeviceOptions {
public:
    std::string ClassName() const override { return "TTapiPhoneOptions"; }
};

/// The phone component. See the top of this header.
class TTapiPhone : public TTapiDevice {
public:
    /// Fixed sizes of PHONECAPS and PHONESTATUS (TAPI 2.0).
    static constexpr uint32_t DevCapsSize = 180;
    static constexpr uint32_t DevStatusSize = 104;
    /// The buffer Get_Display starts with.
    static constexpr uint32_t DisplayBlockSize = 4096;
    /// Every phone state from PHONESTATE_OTHER through _RESUME, and _REMOVED.
    static constexpr uint32_t PhoneStatesMask = 0x008FFFFF;
    /// PHONEBUTTONMODE_DUMMY, _CALL, _FEATURE, _KEYPAD and _DISPLAY.
    static constexpr uint32_t ButtonModesMask = 0x2F;
    /// PHONEBUTTONSTATE_UNAVAIL.
    static constexpr uint32_t ButtonStatesMask = 8;
    /// Controls built at most, whatever number of buttons a device reports.
    static constexpr uint32_t MaxControls = 4096;

    explicit TTapiPhone(TComponent* AOwner);
    /// Leaves the session, closes the handle (result ignored) and frees the
    /// parts. Never raises.
    ~TTapiPhone() override;
    std::string ClassName() const override { return "TTapiPhone"; }

    /// Frees the phone: at once outside its events; during them when the
    /// outermost has ended (see the top of this header).
    void Free();
    /// An event of the phone is being raised (or one of its writes waits).
    bool InEvents() const noexcept { return FEventDepth > 0; }

    // --- Device ---------------------------------------------------------------
    /// Selects device ADeviceID (-1: none) and returns the TAPI result.
    /// Raises Exception "TTapiPhone.Init failed! Device already active."
    /// while open. The current identifier while enabled returns 0 at once.
    /// Another identifier first forgets an available device; one outside 0
    /// .. 255 and the device list then returns LINEERR_BADDEVICEID. Selecting
    /// negotiates the versions (their failure is the result, Available
    /// false), reads the capabilities (their result is the result), builds
    /// the controls, takes the icon and initialises the hook switches.
    uint32_t Init(int32_t ADeviceID) override;
    /// Forgets the device: the base's Done, fresh empty blocks, the hook
    /// switches done, the controls freed. Returns 0.
    uint32_t Done() override;
    /// Opens the selected device: ETapiError LINEERR_NODEVICE without one,
    /// the service's error when it refuses. Then reads the status, opens the
    /// hook switches, reads the related devices and the controls.
    void Open() override;
    /// phoneOpen with the Privileges, then the status messages wanted
    /// (PhoneStatesMask, ButtonModesMask, ButtonStatesMask; retried with
    /// the capabilities' phone states when refused) and granted. Active
    /// becomes whether it succeeded; returns phoneOpen's result.
    uint32_t OpenPhone();
    /// Does nothing unless open. Ends a synchronous wait (CloseEvent), closes
    /// the handle (ETapiError when the service refuses, leaving the rest),
    /// frees Requests and Terms, closes the hook switches, forgets the
    /// related lines, clears the granted masks and the Active wish.
    void Close() override;
    /// PHONE_CLOSE: the service has closed the handle already. What Close
    /// releases goes, without phoneClose on the dead handle, then
    /// OnDeviceClose.
    void Handle_DeviceClose() override;
    /// phoneConfigDialogA for the device, through CheckTapiResult.
    uint32_t ConfigDialog(HWND OwnerWindow) override;

    /// Refills the capabilities block (phoneGetDevCapsA); the TAPI result.
    uint32_t Update_DevCaps();
    /// Refills the status block (phoneGetStatusA; open phone only).
    uint32_t Update_DevStatus();
    /// Frees the controls and creates one per PHONECAPS.dwNumButtonLamps (at
    /// most MaxControls).
    void Detect_Controls();

    std::string Get_DeviceName() const override;
    /// Enables the component; the session's phone device names.
    TStrings* Get_DeviceList() override;
    /// phoneGetIconA for the device and DeviceClass; 0 when that fails.
    uint32_t Get_IconHandle(const std::string& DeviceClass) override;
    uint32_t Get_ReplyTimeout() const override { return FOptions->ReplyTimeout; }
    bool Get_SyncMode() const override { return FOptions->SyncMode; }

    // --- Settings -----------------------------------------------------------------
    /// Reads the display from the service (phoneGetDisplay) into Text ("" on
    /// failure) and returns the TAPI result; raises nothing. A provider that
    /// keeps asking for a larger buffer ends the read with
    /// LINEERR_OPERATIONFAILED (or LINEERR_NOMEM past the largest block).
    uint32_t Get_Display(std::string& Text);
    /// phoneSetDisplay of Text at row 0, column 0, filed for ADisplay.
    /// Exception "SetDisplay failed! Device not active." while closed.
    void Set_Display(TTapiPhoneDisplay* ADisplay, const std::string& Text);
    /// phoneSetRing, filed for ARinger. Exception "SetRing failed! Device
    /// not active." while closed.
    uint32_t Set_Ring(TTapiPhoneRinger* ARinger, uint32_t RingMode, uint32_t Volume);
    /// phoneSetLamp for the control's identifier, filed for Control (a
    /// closed phone's refusal raises ETapiError; no control raises Exception
    /// "SetLamp failed! No control.").
    uint32_t Set_Lamp(TTapiPhoneControl* Control, uint32_t LampMode);
    /// The status block's 32-bit field Index + 3: 0 StatusFlags, 1 NumOwners,
    /// 2 NumMonitors, 3 RingMode ... 22 PhoneFeatures; 0 for other indexes.
    uint32_t Get_StatusDW(int Index) const;

    // --- Messages -------------------------------------------------------------------
    /// Every PHONE_ message for this phone: the base's handler, then the
    /// message's own (below), then OnTapiMessage.
    void Handle_TapiMessage(uint32_t hDevice, uint32_t MessageID, uint32_t Param1, uint32_t Param2,
                            uint32_t Param3) override;
    void Handle_InternalTimer(uint32_t Tick) override;
    /// PHONE_STATE: re-reads the status (storing Detail as the number of
    /// owners or monitors when the state is exactly PHONESTATE_OWNER or
    /// _MONITORS), raises the events of the bits in the order OnDisplay,
    /// OnLamp(Detail), OnRingMode, OnRingVolume, OnHandset{HookSwitch,
    /// Volume,Gain}, OnSpeakerphone..., OnHeadset..., handles
    /// PHONESTATE_REMOVED, then OnDeviceState.
    void Handle_State(uint32_t States, uint32_t Detail, uint32_t Extra);
    /// PHONE_BUTTON: re-reads a listed control; identifiers 0-11 raise
    /// OnDigitReleased (State PHONEBUTTONSTATE_UP) or OnDigitPressed with
    /// "0123456789*#"[ID]; then OnButton for every identifier.
    void Handle_Button(uint32_t ButtonLampID, uint32_t Mode, uint32_t State);
    /// PHONE_DEVSPECIFIC: nothing.
    virtual void Handle_DevSpecific(uint32_t Param1, uint32_t Param2, uint32_t Param3);

    // --- Properties and parts ---------------------------------------------------------
    TTapiPhoneOptions* Get_Options() const noexcept { return FOptions.get(); }
    TTapiPhonePrivileges* Get_Privileges() const noexcept { return FPrivileges.get(); }
    TTapiPhoneHookSwitch* Get_Handset() const noexcept { return FHandset.get(); }
    TTapiPhoneHookSwitch* Get_Headset() const noexcept { return FHeadset.get(); }
    TTapiPhoneHookSwitch* Get_Speakerphone() const noexcept { return FSpeakerphone.get(); }
    TTapiPhoneCaps* Get_Caps() noexcept { return &FCaps; }
    TTapiPhoneStatus* Get_Status() noexcept { return &FStatus; }
    TTapiPhoneControlList* Get_Controls() noexcept { return &FControls; }
    TTapiPhoneDisplay* Get_Display() const noexcept { return FDisplay.get(); }
    TTapiPhoneRinger* Get_Ringer() const noexcept { return FRinger.get(); }
    TTapiPhoneLineDevice* Get_LineDevice() const noexcept { return FLineDevice.get(); }
    const TVarBlock& Get_DevCapsBlock() const noexcept { return FDevCaps; }
    const TVarBlock& Get_DevStatusBlock() const noexcept { return FDevStatus; }
    uint32_t Get_GrantedPhoneStates() const noexcept { return FGrantedPhoneStates; }
    uint32_t Get_GrantedButtonModes() const noexcept { return FGrantedButtonModes; }
    uint32_t Get_GrantedButtonStates() const noexcept { return FGrantedButtonStates; }

    TTapiPhoneButtonLampEvent OnButton;
    TTapiPhoneDigitEvent OnDigitPressed;
    TTapiPhoneDigitEvent OnDigitReleased;
    TTapiPhoneButtonLampEvent OnLamp;
    TNotifyEvent OnDisplay, OnRingMode, OnRingVolume;
    TNotifyEvent OnHandsetHookSwitch, OnHandsetVolume, OnHandsetGain;
    TNotifyEvent OnSpeakerphoneHookSwitch, OnSpeakerphoneVolume, OnSpeakerphoneGain;
    TNotifyEvent OnHeadsetHookSwitch, OnHeadsetVolume, OnHeadsetGain;

protected:
    friend class TTapiPhoneHookSwitch;

    /// Marks the phone as raising an event (or waiting) for a scope; a Free()
    /// meanwhile is carried out when the outermost scope ends.
    class TEventScope {
    public:
        explicit TEventScope(TTapiPhone& Phone) noexcept : FPhone(Phone) { ++FPhone.FEventDepth; }
        ~TEventScope();
        TEventScope(const TEventScope&) = delete;
        TEventScope& operator=(const TEventScope&) = delete;

    private:
        TTapiPhone& FPhone;
    };

    /// Files request Result (already checked) of Kind for Part and completes
    /// it (FileRequest), with Free() deferred while it waits.
    uint32_t FileSetting(uint32_t Result, uint32_t Kind, TObject* Part);
    /// What Close and PHONE_CLOSE release after the handle: the requests,
    /// the hook switches, the related lines, the granted masks, Active.
    void ReleasePhone();
    /// Frees the controls and empties the list.
    void FreeControls();

    std::unique_ptr<TTapiPhoneOptions> FOptions;
    std::unique_ptr<TTapiPhonePrivileges> FPrivileges;
    std::unique_ptr<TTapiPhoneHookSwitch> FHandset;
    std::unique_ptr<TTapiPhoneHookSwitch> FHeadset;
    std::unique_ptr<TTapiPhoneHookSwitch> FSpeakerphone;
    TVarBlock FDevCaps{DevCapsSize};
    TVarBlock FDevStatus{DevStatusSize};
    TTapiPhoneCaps FCaps{this};
    TTapiPhoneStatus FStatus{this};
    TTapiPhoneControlList FControls;
    std::unique_ptr<TTapiPhoneDisplay> FDisplay;
    std::unique_ptr<TTapiPhoneRinger> FRinger;
    std::unique_ptr<TTapiPhoneLineDevice> FLineDevice;
    uint32_t FGrantedPhoneStates = 0;
    uint32_t FGrantedButtonModes = 0;
    uint32_t FGrantedButtonStates = 0;

private:
    void EndOfEvents() noexcept;

    int FEventDepth = 0;
    bool FFreePending = false;
};

} // namespace kxtapi
