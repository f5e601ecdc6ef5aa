// TTapiPhone: the PHONE_ messages the session routes to the phone, and the
// events of state changes and buttons.

#include "kxtapi/phone/phone.h"

#include "kxtapi/session/events.h"
#include "kxtapi/tapi/message_ids.h"
#include "kxtapi/tapi/phone_constants.h"
#include "kxtapi/tapi/phone_structs.h"

#include <cstddef>

namespace kxtapi {

void TTapiPhone::Handle_TapiMessage(uint32_t hDevice, uint32_t MessageID, uint32_t Param1, uint32_t Param2,
                                    uint32_t Param3)
{
    TEventScope Scope(*this);
    TTapiDevice::Handle_TapiMessage(hDevice, MessageID, Param1, Param2, Param3);
    switch (MessageID) {
    case PHONE_BUTTON: Handle_Button(Param1, Param2, Param3); break;
    case PHONE_CLOSE: Handle_DeviceClose(); break;
    case PHONE_DEVSPECIFIC: Handle_DevSpecific(Param1, Param2, Param3); break;
    case PHONE_REPLY: Handle_TapiReply(Param1, Param2); break;
    case PHONE_STATE: Handle_State(Param1, Param2, Param3); break;
    case PHONE_CREATE: Handle_DeviceCreate(Param1); break;
    case PHONE_REMOVE: Handle_DeviceRemove(Param1); break;
    default: break;
    }
    Trigger_TapiMessage(MessageID, Param1, Param2, Param3);
}

void TTapiPhone::Handle_InternalTimer(uint32_t Tick)
{
    TEventScope Scope(*this);
    TTapiDevice::Handle_InternalTimer(Tick);
}

void TTapiPhone::Handle_State(uint32_t States, uint32_t Detail, uint32_t Extra)
{
    TEventScope Scope(*this);
    Update_DevStatus();
    // The count a message carries is newer than the status just read only
    // when the message reports that alone.
    if (States == PHONESTATE_OWNER) FDevStatus.SetDword(offsetof(PHONESTATUS, dwNumOwners), Detail);
    if (States == PHONESTATE_MONITORS) FDevStatus.SetDword(offsetof(PHONESTATUS, dwNumMonitors), Detail);

    struct TStateEvent {
        uint32_t State;
        TNotifyEvent TTapiPhone::*Event;
    };
    static constexpr TStateEvent Events[] = {
        {PHONESTATE_RINGMODE, &TTapiPhone::OnRingMode},
        {PHONESTATE_RINGVOLUME, &TTapiPhone::OnRingVolume},
        {PHONESTATE_HANDSETHOOKSWITCH, &TTapiPhone::OnHandsetHookSwitch},
        {PHONESTATE_HANDSETVOLUME, &TTapiPhone::OnHandsetVolume},
        {PHONESTATE_HANDSETGAIN, &TTapiPhone::OnHandsetGain},
        {PHONESTATE_SPEAKERHOOKSWITCH, &TTapiPhone::OnSpeakerphoneHookSwitch},
        {PHONESTATE_SPEAKERVOLUME, &TTapiPhone::OnSpeakerphoneVolume},
        {PHONESTATE_SPEAKERGAIN, &TTapiPhone::OnSpeakerphoneGain},
        {PHONESTATE_HEADSETHOOKSWITCH, &TTapiPhone::OnHeadsetHookSwitch},
        {PHONESTATE_HEADSETVOLUME, &TTapiPhone::OnHeadsetVolume},
        {PHONESTATE_HEADSETGAIN, &TTapiPhone::OnHeadsetGain},
    };
    if (States & PHONESTATE_DISPLAY) FireEvent(OnDisplay, this);
    if (States & PHONESTATE_LAMP) FireEvent(OnLamp, this, Detail);
    for (const TStateEvent& E : Events)
        if (States & E.State) FireEvent(this->*E.Event, this);
    if (States & PHONESTATE_REMOVED) Handle_DeviceRemove(static_cast<uint32_t>(DeviceID));
    Handle_DevState(States, Detail, Extra);
}

void TTapiPhone::Handle_Button(uint32_t ButtonLampID, uint32_t /*Mode*/, uint32_t State)
{
    TEventScope Scope(*this);
    {
        TListLock Lock(FControls, INFINITE);
        if (ButtonLampID < static_cast<uint32_t>(FControls.Count())) FControls.Get(static_cast<int>(ButtonLampID))->Update();
    }
    // Keypad identifiers name their digit whatever mode the device reports.
    static constexpr char Digits[] = "0123456789*#";
    if (ButtonLampID < 12) {
        const char Digit = Digits[ButtonLampID];
        if (State == PHONEBUTTONSTATE_UP) FireEvent(OnDigitReleased, this, Digit);
        else FireEvent(OnDigitPressed, this, Digit);
    }
    FireEvent(OnButton, this, ButtonLampID);
}

void TTapiPhone::Handle_DevSpecific(uint32_t, uint32_t, uint32_t) {}

} // namespace kxtapi
